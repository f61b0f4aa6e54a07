#pragma once
// The remembered yes/no query: asks whether the window should go to the tray
// until the user ticks "Don't remind me again", then answers from the registry.

#include "foundation/TextString.h"
#include "foundation/WideString.h"
#include "framework/ModalDialog.h"

#include <windows.h>

// What the tray behaviour asks; every field has a usable default.
struct REMINDER_REQUEST {
    HWND owner = nullptr;
    STRING keyPath = "Software\\MorvaneUtilities\\"; // under HKEY_LOCAL_MACHINE
    STRING valueName = "Reminder";                   // the setting N the answer decides
    WSTRING question;
    WSTRING secondText; // non-empty: the two-text dialog
    HICON icon = nullptr;
};

class REMINDER : public MV_MODALDIALOG {
  public:
    REMINDER(const REMINDER_REQUEST& shown, HINSTANCE moduleInstance);
    ~REMINDER() override;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Nonzero when the box was ticked as the query closed.
    int DontRemind() const { return dontRemind; }

  private:
    INT_PTR ShowRequest();
    INT_PTR OnCommand(WPARAM wParam);

    const REMINDER_REQUEST& request;
    int dontRemind = 0;
};

// True when the window is to go to the tray. Asks unless K\N holds
// N + "Reminder" = 0, in which case the stored answer N decides.
bool AskReminder(const REMINDER_REQUEST& request);
