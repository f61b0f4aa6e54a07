#pragma once
// HELD_RECORD: what the tray menu holds, kept where a later start finds it
// when this process is killed without running any code of its own (End
// task, TerminateProcess). A volatile key of the user's registry: runtime
// state of this session, gone at log-off together with the windows it names.
// One value per window, written at its hide and deleted at its release: its
// name the window handle in hexadecimal, its text the process id in decimal,
// a blank and the title.

#include "foundation/Handles.h"
#include "foundation/TextString.h"

#include <windows.h>

#include <vector>

struct RECORDED_WINDOW {
    HWND window = nullptr;
    DWORD processId = 0;
    STRING title;
};

class HELD_RECORD {
  public:
    // Opens the record for this instance and answers what it named before,
    // every well-formed value once; then the record is empty. Values that are
    // not of that form are dropped. Without a key (the registry refuses it)
    // the answer is empty and Note and Forget do nothing.
    std::vector<RECORDED_WINDOW> TakeOver();
    void Note(HWND window, const STRING& title);
    void Forget(HWND window);
    // From now on nothing changes: windows still named stay for the next start.
    void Close() { key.Reset(); }

  private:
    OPEN_KEY key;
};
