#pragma once
// The "Enter Password" prompt that guards restoring the main window from the
// tray. It fights to stay in front: it takes the foreground back when
// activation moves away, and one second after opening minimises whatever
// other window is in front, restoring that window when the prompt closes.

#include "foundation/TextString.h"
#include "framework/ModalDialog.h"

#include <windows.h>

class PASSWORD_DLG : public MV_MODALDIALOG {
  public:
    PASSWORD_DLG(HWND owner, HINSTANCE moduleInstance);
    ~PASSWORD_DLG() override;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void SetPromptIcon(HICON shown) { promptIcon = shown; }
    // The text accepted with OK; never empty after a run that ended with OK.
    const STRING& EnteredPassword() const { return enteredPassword; }
    // The foreign window the prompt minimised, or null.
    HWND MinimisedWindow() const { return minimisedWindow; }

  private:
    INT_PTR Open();
    INT_PTR OnActivation();
    INT_PTR RetakeForeground();
    INT_PTR MinimiseForeignWindow(WPARAM timerId);
    INT_PTR OnCommand(WPARAM wParam);
    INT_PTR Close();
    void BringToFront(HWND window);
    void FocusEntry();

    HWND minimisedWindow = nullptr;
    STRING enteredPassword;
    HICON promptIcon = nullptr;

    // Taking the foreground activates and deactivates windows, which sends the
    // prompt the very messages that ask it to take the foreground: `forcing`
    // makes those re-entrant calls do nothing, and one retake at a time is
    // queued. A window that fights back wins after a few retakes rather than
    // ping-ponging the activation for ever.
    int forcing = 0;
    int retakeQueued = 0;
    int retakesInBurst = 0;
    DWORD burstStart = 0;
};

// True only when the prompt ended with OK and the typed text equals
// `expected` byte for byte (case matters). An empty entry counts as Cancel,
// so an empty stored password never matches.
bool AskPassword(HWND owner, const STRING& expected, HICON icon);
