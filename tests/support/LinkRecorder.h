#pragma once
// Web and mail addresses that would open a browser or a mail program, caught
// instead. Under Wine the shell hands both kinds to winebrowser, which starts
// the first program of the list HKCU\Software\Wine\WineBrowser "Browsers"
// (web) or "Mailers" (mail) that it can. While a LINK_RECORDER lives both lists
// name only link-recorder.sh, which writes each address to this object's log;
// the lists as they were come back when it goes. Every program of the test
// prefix (Vaylo.exe too) hands its addresses to the recorder meanwhile.

#include "support/Poll.h"

#include <windows.h>

#include <string>
#include <vector>

class LINK_RECORDER {
  public:
    LINK_RECORDER();
    LINK_RECORDER(const LINK_RECORDER&) = delete;
    LINK_RECORDER& operator=(const LINK_RECORDER&) = delete;
    ~LINK_RECORDER();

    // Both lists point at the recorder (false outside Wine).
    bool Ready() const { return ready; }

    // Each address received so far, oldest first, as "web ADDRESS" or
    // "mail ADDRESS" (winebrowser writes a mail address's blanks as %20).
    std::vector<std::wstring> Received() const;
    // Pumps this thread's messages until at least `count` have arrived;
    // false when they did not in time.
    bool WaitFor(size_t count, DWORD timeoutMs = WAIT_MS) const;

  private:
    struct SAVED {
        const char* name;
        bool existed;
        DWORD type;
        std::vector<BYTE> data;
    };
    bool Point(const char* name, const char* kind);

    bool ready = false;
    std::string log; // as Windows sees it
    std::vector<SAVED> saved;
};
