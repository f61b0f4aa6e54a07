#pragma once
// HOTKEY: the "Hot Key" options dialog (template 107). It switches the
// hotkeys and the help popups on and off, opens the key binding editor over
// the main window's table, and on OK stores both switches and every binding.
// Nothing is stored before OK; the editor changes the table in place at once.
// What OK could not store is told in one message before the dialog closes.

#include "framework/HelpPopups.h"
#include "framework/ModalDialog.h"
#include "hotkeys/HotkeyBinding.h"

#include <memory>

class HOTKEY : public MV_MODALDIALOG {
  public:
    HOTKEY(HWND owner, HINSTANCE moduleInstance, HOTKEY_TABLE& bindings);
    ~HOTKEY() override;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Drops the help popups, then makes them anew when "Use Help Popups" is
    // checked, the hotkey list of box 1007's tip as the table stands now.
    void RebuildHotkeyHelp();
    const HELP_POPUPS* HelpPopups() const { return helpPopups.get(); }

  private:
    INT_PTR Open();
    INT_PTR OnCommand(WPARAM wParam);
    void Store();
    void ChangeKeys();

    HOTKEY_TABLE& table;
    std::unique_ptr<HELP_POPUPS> helpPopups;
};
