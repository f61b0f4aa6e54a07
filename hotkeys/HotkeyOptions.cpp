#include "hotkeys/HotkeyOptions.h"

#include "dialogs/UserInterfaceOptions.h"
#include "foundation/RegistryKey.h"
#include "framework/UnsavedSettings.h"
#include "hotkeys/KeyBindingEditor.h"
#include "resources/resource.h"

#include <new>

namespace {

char const SETTINGS_PATH[] = "Software\\MorvaneUtilities\\Vaylo";
int const TIP_WIDTH = 350;

DWORD ReadSwitch(const char* name) {
    DWORD value = 1;
    REGKEY(HKEY_LOCAL_MACHINE, SETTINGS_PATH).ReadDword(name, value);
    return value;
}

// The tray and start-up options, kept under the program's own key.
void OpenUserInterfaceOptions(HINSTANCE instance, HWND owner) {
    ShowUserInterfaceOptions(instance, owner, 1, SETTINGS_PATH, "Window Vaylo",
                             "Manage active windows with grace");
}

} // namespace

HOTKEY::HOTKEY(HWND owner, HINSTANCE moduleInstance, HOTKEY_TABLE& bindings)
    : MV_MODALDIALOG(nullptr, IDD_HOTKEY_OPTIONS, owner, moduleInstance), table(bindings) {}

HOTKEY::~HOTKEY() = default;

INT_PTR HOTKEY::DialogProc(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return Open();
    case WM_COMMAND: return OnCommand(wParam);
    case WM_DESTROY: helpPopups.reset(); return 0;
    default: return 0;
    }
}

INT_PTR HOTKEY::Open() {
    CheckDlgButton(hwnd, IDC_USE_HOTKEYS, ReadSwitch("UseHotkey") ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd, IDC_USE_HELP_POPUPS, ReadSwitch("UseHelpPopups") ? BST_CHECKED : BST_UNCHECKED);
    RebuildHotkeyHelp();
    return 0;
}

// The whole wParam: only clicks (code 0) act.
INT_PTR HOTKEY::OnCommand(WPARAM wParam) {
    switch (wParam) {
    case IDOK:
        Store();
        EndDialog(hwnd, IDOK);
        return 0;
    case IDCANCEL: EndDialog(hwnd, IDCANCEL); return 0;
    case IDC_CHANGE_KEYS: ChangeKeys(); return 0;
    case IDC_USE_HELP_POPUPS: RebuildHotkeyHelp(); return 0;
    case IDC_APPLICATION_INTERFACE: OpenUserInterfaceOptions(instance, hwnd); return 0;
    default: return 0;
    }
}

// What could not be stored is told in one message before the dialog closes;
// the caller reads the bindings back, so they then show what is stored.
void HOTKEY::Store() {
    REGKEY stored(HKEY_LOCAL_MACHINE, SETTINGS_PATH);
    UNSAVED_SETTINGS unsaved;
    unsaved.WriteDword(stored, "UseHotkey", IsDlgButtonChecked(hwnd, IDC_USE_HOTKEYS) == BST_CHECKED ? 1 : 0,
                       "Use Hot Keys");
    unsaved.WriteDword(stored, "UseHelpPopups",
                       IsDlgButtonChecked(hwnd, IDC_USE_HELP_POPUPS) == BST_CHECKED ? 1 : 0,
                       "Use Help Popups");
    for (const HOTKEY_BINDING& binding : table)
        unsaved.WriteString(stored, binding.name.c_str(), FormatBinding(binding).c_str(),
                            (STRING("Hot key ") + binding.name).c_str());
    if (!unsaved.Empty())
        ShowMessage(unsaved.Text().c_str(), UNSAVED_SETTINGS::Caption(), MB_OK | MB_ICONWARNING);
}

// The editor shows help popups exactly when this dialog has them.
void HOTKEY::ChangeKeys() {
    bool showHelp = helpPopups != nullptr;
    helpPopups.reset();
    EditKeyBindings(hwnd, table, showHelp);
    RebuildHotkeyHelp();
}

void HOTKEY::RebuildHotkeyHelp() {
    helpPopups.reset();
    if (IsDlgButtonChecked(hwnd, IDC_USE_HELP_POPUPS) != BST_CHECKED)
        return;
    helpPopups.reset(new (std::nothrow) HELP_POPUPS(instance, hwnd, TIP_WIDTH));
    if (!helpPopups)
        return;

    STRING useHotkeys(
        "Enable the use of desktop wide hotkeys. This is handy for controling behavior of windows "
        "and documents from the keyboard so you are not constantly moving your hand from keyboard "
        "to mouse and back again.");
    if (IsDlgButtonChecked(hwnd, IDC_USE_HOTKEYS) == BST_CHECKED) {
        useHotkeys.Append("\nCurrent hotkeys are");
        for (const HOTKEY_BINDING& binding : table)
            useHotkeys.Append("\n").Append(binding.name).Append(" ").Append(DescribeBinding(binding));
    }
    helpPopups->AddTip(IDC_USE_HOTKEYS, useHotkeys.c_str());
    helpPopups->AddTip(IDC_USE_HELP_POPUPS, "Turn off these help popups");
    helpPopups->AddTip(IDC_CHANGE_KEYS, "Edit the hotkeys used by the Vaylo");
    helpPopups->AddTip(IDOK, "Close with saving changes");
    helpPopups->AddTip(IDCANCEL, "Close without saving changes");
}
