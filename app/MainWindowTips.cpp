// The help popups of the main window's controls: one tooltip, made afresh
// whenever the settings that shape it may have changed.

#include "app/MainDialog.h"
#include "resources/resource.h"

#include <new>

namespace {

int const TIP_WIDTH = 300;

char const LIST_TIP[] = "List of visible top level documents. You can\n"
                        "Double click an entry to hide and grab it to the menu or\n"
                        "If you hold the shift key down it hides without getting a menu entry or\n"
                        "If you hold the control key down it will also hide Vaylo.";
char const PICKER_TIP[] =
    "Click and drag the icon over a window or document to select it from the list below.";
char const OPTIONS_TIP[] = "Change the hotkeys used for controling documents or disable these help popups.";
char const HOTKEYS_HEADING[] = "\nCurrent hotkeys are";
char const ABOUT_TIP[] = "About Vaylo and Morvane Utilities";
char const HIDE_ME_TIP[] = "Hide Vaylo :-)";
char const EXIT_TIP[] = "Exit Vaylo and release all hidden windows from the menu";
char const VIEW_HIDDEN_TIP[] = "View windows and documents that are hidden";

} // namespace

// Also called once the options dialog has stored new settings: the tips that
// were there go first, so there is never more than one tooltip, and none once
// the user has turned them off.
void DIALOG::BuildHelpPopups() {
    DestroyHelpPopups();
    DWORD useHelpPopups = 1;
    settings.ReadDword("UseHelpPopups", useHelpPopups);
    if (useHelpPopups == 0)
        return;
    DWORD useHotkey = 1;
    settings.ReadDword("UseHotkey", useHotkey);

    helpPopups.reset(new (std::nothrow) HELP_POPUPS(instance, hwnd, TIP_WIDTH));
    if (helpPopups == nullptr || helpPopups->Tooltip() == nullptr) {
        helpPopups.reset(); // the window works the same without its tips
        return;
    }
    STRING options(OPTIONS_TIP);
    if (useHotkey != 0)
        options.Append(HOTKEYS_HEADING).Append(HotkeyLines());

    helpPopups->AddTip(IDC_WINDOW_LIST, LIST_TIP);
    helpPopups->AddTip(IDC_PICKER, PICKER_TIP);
    helpPopups->AddTip(IDC_OPTIONS, options.c_str());
    helpPopups->AddTip(IDC_ABOUT, ABOUT_TIP);
    helpPopups->AddTip(IDC_HIDE_ME, HIDE_ME_TIP);
    helpPopups->AddTip(IDC_EXIT, EXIT_TIP);
    helpPopups->AddTip(IDC_VIEW_HIDDEN, VIEW_HIDDEN_TIP);
}

// The tooltip window goes with the object.
void DIALOG::DestroyHelpPopups() {
    helpPopups.reset();
}

// The picker icon is transparent to the mouse (the drag needs the presses
// here), so its tool never sees the pointer by itself. The tooltip knows
// nothing of double clicks: the second press of one is still a press.
void DIALOG::RelayMouse(UINT message, WPARAM wParam, LPARAM lParam) {
    if (helpPopups == nullptr)
        return;
    helpPopups->RelayMouse(IDC_PICKER, message == WM_LBUTTONDBLCLK ? WM_LBUTTONDOWN : message, wParam,
                           lParam);
}
