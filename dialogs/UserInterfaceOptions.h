#pragma once
// UI: the "User Interface" options dialog (template 142). It edits whether
// closing or minimising the main window sends it to the tray, whether
// restoring it asks for a password (and the password), and whether the
// program starts with Windows. The first three live in subkeys of the
// opener's key under HKEY_LOCAL_MACHINE; the last is the Startup-folder link
// itself. Everything is read afresh at every opening, so the dialog shows what
// is stored and on disk, even after a write the system refused. Nothing is
// written before OK; what OK could not store is told in one message (what and
// the system's reason) before the dialog closes. OK with the password box
// checked and the password empty is refused: a beep, the focus on the
// password, the dialog open and nothing written.

#include "foundation/RegistryKey.h"
#include "foundation/TextString.h"
#include "framework/ModalDialog.h"
#include "framework/UnsavedSettings.h"

#include <windows.h>

class UI : public MV_MODALDIALOG {
  public:
    // moduleInstance: the module whose file is the program to start with
    // Windows (and that holds the template). trayOptionsEnabled 0 leaves the
    // tray boxes and the password disabled and stores none of them; an empty
    // shortcut name does the same for the start with Windows.
    UI(HINSTANCE moduleInstance, HWND owner, int trayOptionsEnabled, const char* keyPath,
       const char* shortcutName, const char* shortcutDescription);
    ~UI() override;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    INT_PTR Open();
    INT_PTR OnCommand(WPARAM wParam);
    INT_PTR OnPasswordBox();
    INT_PTR Store();
    bool LacksPassword() const;
    INT_PTR RefuseEmptyPassword();
    void ShowTrayOptions();
    void DisableTrayOptions();
    void StoreSwitch(const char* name, int boxId, const char* what);
    void StorePassword();
    void TellUnsaved();
    STRING StoredPassword() const;

    REGKEY optionsKey;
    STRING shortcutName;
    STRING shortcutDescription;
    int trayOptionsEnabled;
    UNSAVED_SETTINGS unsaved; // what the last OK could not store
};

void ShowUserInterfaceOptions(HINSTANCE moduleInstance, HWND parent, int trayOptionsEnabled,
                              const char* keyPath, const char* shortcutName, const char* shortcutDescription);

// Tie a dialog's check box to a Startup folder's link to the program file of
// `moduleInstance`, wherever that file is. The box is checked when a matching
// link exists in the all-users folder or the user's own; it is disabled when
// the system names neither, and a disabled box is never applied. Applying
// creates the link for a checked box unless one exists (where logon will read
// it: the user's own folder when the process is virtualised or the all-users
// one refuses), and removes it from both folders for a cleared one; a failure
// is noted in `unsaved` when given.
void InitStartWithWindowsCheck(HWND dialog, HINSTANCE moduleInstance, int boxId, const char* shortcutName);
void ApplyStartWithWindowsCheck(HWND dialog, HINSTANCE moduleInstance, int boxId, const char* shortcutName,
                                const char* description, UNSAVED_SETTINGS* unsaved = nullptr);
