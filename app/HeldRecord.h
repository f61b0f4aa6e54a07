#pragma once
// HELD_RECORD: what the tray menu holds, kept where a later start finds it
// when this process is killed without running any code of its own (End
// task, TerminateProcess). A volatile key of the user's registry: runtime
// state of this session, gone at log-off together with the windows it names.
// Each logon session keeps its own subkey, named by the session id: the
// instance mutex is per session, and a start in another session must neither
// adopt nor drop this one's windows. One wide REG_SZ per window, written at
// its hide and deleted at its release: its name the window handle in
// hexadecimal, its text "<process id>,<process creation time, 16 hex
// digits>,<1: restore on release, else 0> <title>". The previous version's
// values ("<process id> <title>", directly in the key above the sessions')
// are still read.

#include "foundation/Handles.h"
#include "foundation/WideString.h"

#include <windows.h>

#include <vector>

struct RECORDED_WINDOW {
    HWND window = nullptr;
    DWORD processId = 0;
    // FILETIME of the process's creation as one number; 0: not recorded (a
    // value of the previous version, or a time that could not be read).
    ULONGLONG processStarted = 0;
    bool restoreOnRelease = false;
    WSTRING title;
    bool older = false; // written by the previous version, outside any session's subkey
};

class HELD_RECORD {
  public:
    // Opens the record for this instance and answers what it names, every
    // well-formed value once, this session's first. Nothing is deleted here
    // but values not of that form in this session's subkey: a start killed
    // while adopting leaves every window named for the next. Without a key
    // (the registry refuses it) the answer is empty and nothing is written.
    std::vector<RECORDED_WINDOW> TakeOver();
    // The take-over's verdict on one value read: a rejected one goes, an
    // adopted one stays (Note rewrote it in this session's subkey). A value
    // of the previous version goes only when adopted: it names no session,
    // and may be another session's.
    void Settle(const RECORDED_WINDOW& recorded, bool adopted);
    // Costs one small value: no list is rewritten. A failed write leaves this
    // window out of the record, nothing else.
    void Note(HWND window, const WSTRING& title, bool restoreOnRelease = false);
    void Forget(HWND window);
    // From now on nothing changes: windows still named stay for the next start.
    void Close() {
        key.Reset();
        olderKey.Reset();
    }

    // The creation time of the process, as RECORDED_WINDOW keeps it; 0 when
    // it cannot be read.
    static ULONGLONG ProcessStarted(DWORD processId);

  private:
    OPEN_KEY key;      // this session's subkey
    OPEN_KEY olderKey; // where the previous version kept its values
};
