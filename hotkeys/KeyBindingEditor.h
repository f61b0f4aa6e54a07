#pragma once
// MODAL: the "Change Key Bindings" editor (template 145). The user selects an
// action, presses a new combination in the capture field, sees which other
// action holds it, and commits with "Assign"; a combination another action
// holds is exchanged between the two. Every "Assign" changes the table at
// once; OK and Cancel only end the dialog. "Assign" refuses, with a beep and
// the reason in the collision field, a combination with neither Ctrl nor Alt
// other than a function key.

#include "foundation/TextString.h"
#include "framework/HelpPopups.h"
#include "framework/ModalDialog.h"
#include "hotkeys/HotkeyBinding.h"

#include <memory>

class MODAL : public MV_MODALDIALOG {
  public:
    MODAL(HWND owner, HOTKEY_TABLE& bindings);
    ~MODAL() override;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    int showHelp = 1;

  private:
    INT_PTR Open();
    INT_PTR OnCommand(WPARAM wParam, LPARAM lParam);
    void OnOk();
    void OnKeyCaptured();
    void OnAssign();
    void OnBindingSelected();
    void ShowSelectedBinding();
    void ShowPendingBinding();
    void ShowCollision();
    bool FindCollision();
    void AssignBinding();
    void SwapBindings();
    void RemoveFirst(const HOTKEY_BINDING& binding);
    void AddHelpPopups();

    STRING collisionName;
    std::unique_ptr<HELP_POPUPS> helpPopups;
    HOTKEY_BINDING selected;
    HOTKEY_TABLE& table;
};

// Runs the editor over `table`; true when it ended with OK. An empty table is
// refused with a message (false).
bool EditKeyBindings(HWND parent, HOTKEY_TABLE& table, bool showHelp);

// The capture field's window procedure: a key press (modifiers alone aside)
// becomes the pending combination, with the modifiers held at that moment,
// and is announced to the dialog as WM_COMMAND 1005 (a key pressed with Alt
// comes as a system key and counts the same); typing never reaches the edit
// control.
LRESULT CALLBACK KeyCaptureProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam);

// The combination being entered; one editor runs at a time.
extern HOTKEY_BINDING PendingBinding;
