#include "dialogs/UserInterfaceOptions.h"

#include "dialogs/StartupShortcut.h"
#include "foundation/SystemUtilities.h"
#include "framework/WindowUtilities.h"
#include "resources/resource.h"

namespace {

int const TRAY_BOXES[] = {IDC_UI_CLOSE_TO_TRAY, IDC_UI_MINIMIZE_TO_TRAY, IDC_UI_USE_PASSWORD,
                          IDC_UI_PASSWORD};

// The program's own file, split into its folder and its name. The link points
// at this file wherever it sits: the application folder's "bin" folder in an
// installation, anywhere else otherwise, and never at a file that is not there.
struct PROGRAM_FILE {
    STRING folder; // without a trailing backslash
    STRING name;
};

PROGRAM_FILE ProgramFile(HINSTANCE instance) {
    PROGRAM_FILE program;
    STRING path = ModulePath(instance);
    const char* separator = LastBackslash(path.c_str());
    if (!separator)
        return program;
    program.folder = STRING(path.c_str(), static_cast<unsigned>(separator - path.c_str()));
    program.name = STRING(separator + 1);
    return program;
}

bool IsChecked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

// 0 when missing, of another type or unreadable.
DWORD ReadSwitch(const REGKEY& key, const char* subkey, const char* name) {
    DWORD value = 0;
    REGKEY(key, subkey).ReadDword(name, value);
    return value;
}

} // namespace

UI::UI(HINSTANCE moduleInstance, HWND owner, int trayOptions, const char* keyPath, const char* name,
       const char* description)
    : MV_MODALDIALOG(nullptr, IDD_USER_INTERFACE, owner, moduleInstance),
      optionsKey(HKEY_LOCAL_MACHINE, keyPath), shortcutName(name ? name : ""),
      shortcutDescription(description ? description : ""),
      // Without a key to keep them in, the tray options have nowhere to go.
      trayOptionsEnabled(keyPath && *keyPath ? trayOptions : 0) {}

UI::~UI() = default;

INT_PTR UI::DialogProc(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return Open();
    case WM_COMMAND: return OnCommand(wParam);
    default: return 0;
    }
}

INT_PTR UI::Open() {
    if (trayOptionsEnabled)
        ShowTrayOptions();
    else
        DisableTrayOptions();
    if (shortcutName.Length() == 0)
        EnableWindow(GetItem(IDC_UI_START_WITH_WINDOWS), FALSE);
    else
        InitStartWithWindowsCheck(hwnd, instance, IDC_UI_START_WITH_WINDOWS, shortcutName.c_str());
    return 0;
}

// The whole wParam: only clicks (code 0) act.
INT_PTR UI::OnCommand(WPARAM wParam) {
    switch (wParam) {
    case IDC_UI_USE_PASSWORD: return OnPasswordBox();
    case IDOK: return Store();
    case IDCANCEL: EndDialog(hwnd, IDCANCEL); return 0;
    default: return 0;
    }
}

// Checked again, the box brings back the stored password, not what was typed
// before it was cleared.
INT_PTR UI::OnPasswordBox() {
    bool use = IsChecked(hwnd, IDC_UI_USE_PASSWORD);
    SetDlgItemTextA(hwnd, IDC_UI_PASSWORD, use ? StoredPassword().c_str() : "");
    EnableWindow(GetItem(IDC_UI_PASSWORD), use);
    return 0;
}

INT_PTR UI::Store() {
    if (LacksPassword())
        return RefuseEmptyPassword();
    if (IsWindowEnabled(GetItem(IDC_UI_CLOSE_TO_TRAY)))
        StoreSwitch("CloseToTray", IDC_UI_CLOSE_TO_TRAY, "Close to Tray");
    if (IsWindowEnabled(GetItem(IDC_UI_MINIMIZE_TO_TRAY)))
        StoreSwitch("MinimizeToTray", IDC_UI_MINIMIZE_TO_TRAY, "Minimize to Tray");
    if (IsWindowEnabled(GetItem(IDC_UI_USE_PASSWORD)))
        StorePassword();
    if (shortcutName.Length() > 0)
        ApplyStartWithWindowsCheck(hwnd, instance, IDC_UI_START_WITH_WINDOWS, shortcutName.c_str(),
                                   shortcutDescription.c_str(), &unsaved);
    TellUnsaved();
    EndDialog(hwnd, IDOK);
    return 0;
}

// Asked for with nothing to type, the prompt could never let the window out
// of the tray again.
bool UI::LacksPassword() const {
    return IsWindowEnabled(GetItem(IDC_UI_USE_PASSWORD)) && IsChecked(hwnd, IDC_UI_USE_PASSWORD) &&
           GetWindowTextLengthA(GetItem(IDC_UI_PASSWORD)) == 0;
}

// The dialog stays open with nothing written; the user types one or clears the box.
INT_PTR UI::RefuseEmptyPassword() {
    MessageBeep(MB_ICONEXCLAMATION);
    SendMessageA(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetItem(IDC_UI_PASSWORD)), TRUE);
    return 0;
}

void UI::ShowTrayOptions() {
    CheckDlgButton(hwnd, IDC_UI_CLOSE_TO_TRAY,
                   ReadSwitch(optionsKey, "CloseToTray", "CloseToTray") ? BST_CHECKED : 0);
    CheckDlgButton(hwnd, IDC_UI_MINIMIZE_TO_TRAY,
                   ReadSwitch(optionsKey, "MinimizeToTray", "MinimizeToTray") ? BST_CHECKED : 0);
    bool use = ReadSwitch(optionsKey, "Password", "UseSystrayPassword") != 0;
    CheckDlgButton(hwnd, IDC_UI_USE_PASSWORD, use ? BST_CHECKED : BST_UNCHECKED);
    if (use)
        SetDlgItemTextA(hwnd, IDC_UI_PASSWORD, StoredPassword().c_str());
    else
        EnableWindow(GetItem(IDC_UI_PASSWORD), FALSE);
}

void UI::DisableTrayOptions() {
    for (int id : TRAY_BOXES)
        EnableWindow(GetItem(id), FALSE);
}

// The value sits in a subkey named like it.
void UI::StoreSwitch(const char* name, int boxId, const char* what) {
    REGKEY key(optionsKey, name);
    unsaved.WriteDword(key, name, IsChecked(hwnd, boxId) ? 1 : 0, what);
}

// Plain text, as typed: the prompt compares it byte for byte. The password
// goes first, and its switch only once it is stored: switched on beside a
// refused password, the prompt would ask for the one stored before. (Off, an
// empty password asks nothing either, whatever the switch.) One reason is
// enough.
void UI::StorePassword() {
    REGKEY passwordKey(optionsKey, "Password");
    bool use = IsChecked(hwnd, IDC_UI_USE_PASSWORD);
    if (unsaved.WriteString(passwordKey, "Password", use ? EditText(GetItem(IDC_UI_PASSWORD)).c_str() : "",
                            "Password"))
        unsaved.WriteDword(passwordKey, "UseSystrayPassword", use ? 1 : 0, "Use Password");
}

// One message for everything OK could not store, then a clean slate.
void UI::TellUnsaved() {
    if (!unsaved.Empty())
        ShowMessage(unsaved.Text().c_str(), UNSAVED_SETTINGS::Caption(), MB_OK | MB_ICONWARNING);
    unsaved = UNSAVED_SETTINGS();
}

STRING UI::StoredPassword() const {
    STRING password("");
    REGKEY(optionsKey, "Password").ReadString("Password", password);
    return password;
}

void ShowUserInterfaceOptions(HINSTANCE moduleInstance, HWND parent, int trayOptionsEnabled,
                              const char* keyPath, const char* shortcutName,
                              const char* shortcutDescription) {
    UI options(moduleInstance, parent, trayOptionsEnabled, keyPath, shortcutName, shortcutDescription);
    options.RunModal(parent);
}

void InitStartWithWindowsCheck(HWND dialog, HINSTANCE moduleInstance, int boxId, const char* shortcutName) {
    PROGRAM_FILE program = ProgramFile(moduleInstance);
    // Without a Startup folder (the system names none) there is nowhere to put
    // the link, and a live box would promise what cannot be.
    bool possible = program.name.Length() > 0 && IsStartupFolderKnown();
    bool present =
        possible && IsStartupShortcutPresent(program.folder.c_str(), program.name.c_str(), shortcutName);
    CheckDlgButton(dialog, boxId, present ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, boxId), possible);
}

void ApplyStartWithWindowsCheck(HWND dialog, HINSTANCE moduleInstance, int boxId, const char* shortcutName,
                                const char* description, UNSAVED_SETTINGS* unsaved) {
    if (!IsWindowEnabled(GetDlgItem(dialog, boxId)))
        return;
    PROGRAM_FILE program = ProgramFile(moduleInstance);
    DWORD error = 0;
    bool done = true;
    if (!IsChecked(dialog, boxId))
        done = RemoveStartupShortcut(program.folder.c_str(), program.name.c_str(), shortcutName, &error);
    else
        done = CreateStartupShortcut(program.folder.c_str(), program.name.c_str(), shortcutName, description,
                                     nullptr, IsProcessVirtualised(), &error);
    if (unsaved)
        unsaved->Note(done, "Start with Windows", error);
}
