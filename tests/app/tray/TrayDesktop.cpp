#include "TrayDesktop.h"

#include <commctrl.h>
#include <shellapi.h>

wchar_t const QUERY_TITLE[] = L"Query";
wchar_t const NOTICE_TITLE[] = L"Close to Systray";
wchar_t const PASSWORD_TITLE[] = L"Enter Password";
wchar_t const QUESTION[] = L"Would you like to hide the application and run it in the system tray?";

namespace {

char const SETTINGS_KEY[] = "Software\\MorvaneUtilities\\Vaylo\\";
DWORD const ANSWER_MS = 10000;

struct TRAY_VALUE {
    const char* subkey;
    const char* value;
};

TRAY_VALUE const TRAY_VALUES[] = {
    {"CloseToTray", "CloseToTray"},          {"CloseToTray", "CloseToTrayReminder"},
    {"CloseToTray", "CloseToTrayRunReminder"}, {"MinimizeToTray", "MinimizeToTray"},
    {"MinimizeToTray", "MinimizeToTrayReminder"}, {"MinimizeToTray", "MinimizeToTrayRunReminder"},
    {"Password", "UseSystrayPassword"},      {"Password", "Password"},
};

std::string KeyPath(const std::string& subkey) { return SETTINGS_KEY + subkey; }

HKEY OpenKey(const std::string& subkey, REGSAM access, bool create) {
    HKEY key = nullptr;
    LONG status = create ? RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath(subkey).c_str(), 0, nullptr, 0, access,
                                           nullptr, &key, nullptr)
                         : RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath(subkey).c_str(), 0, access, &key);
    return status == ERROR_SUCCESS ? key : nullptr;
}

bool WriteValue(const std::string& subkey, const std::string& value, DWORD type, const BYTE* data, DWORD size) {
    HKEY key = OpenKey(subkey, KEY_WRITE, true);
    if (key == nullptr)
        return false;
    bool ok = RegSetValueExA(key, value.c_str(), 0, type, data, size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

void DeleteValue(const std::string& subkey, const std::string& value) {
    HKEY key = OpenKey(subkey, KEY_WRITE, false);
    if (key == nullptr)
        return;
    RegDeleteValueA(key, value.c_str());
    RegCloseKey(key);
}

struct DIALOG_SEARCH {
    DWORD processId;
    const wchar_t* title;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DIALOG_SEARCH*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window) && ClassOf(window) == "#32770" &&
        TitleOf(window) == search->title)
        search->found.push_back(window);
    return TRUE;
}

// ---- the shell's tray, read from outside ----
//
// Each icon is a window of the shell's process with a tooltip tool of the same
// window; the tip is read with the tooltip's own message through a buffer in
// the shell's process.

struct ICON_SEARCH {
    std::vector<HWND> icons;
    std::vector<HWND> tooltips;
};

BOOL CALLBACK CollectIconChildren(HWND window, LPARAM context) {
    std::string name = ClassOf(window);
    if (name.find("tray_icon") != std::string::npos)
        reinterpret_cast<ICON_SEARCH*>(context)->icons.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectTrayWindows(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<ICON_SEARCH*>(context);
    std::string name = ClassOf(window);
    if (name == TOOLTIPS_CLASSA)
        search->tooltips.push_back(window);
    else if (name.find("tray") != std::string::npos || name == "Shell_TrayWnd") {
        if (name.find("tray_icon") != std::string::npos)
            search->icons.push_back(window);
        EnumChildWindows(window, CollectIconChildren, context);
    }
    return TRUE;
}

// The tooltip's text for the tool of iconWindow; empty when it has none.
std::wstring RemoteTip(HWND tooltip, HWND iconWindow) {
    DWORD processId = 0;
    GetWindowThreadProcessId(tooltip, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr)
        return L"";
    size_t const characters = 1024;
    size_t const size = sizeof(TTTOOLINFOW) + characters * sizeof(wchar_t);
    BYTE* remote = static_cast<BYTE*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE));
    std::wstring tip;
    if (remote != nullptr) {
        TTTOOLINFOW info = {};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND;
        info.hwnd = iconWindow;
        info.uId = reinterpret_cast<UINT_PTR>(iconWindow);
        info.lpszText = reinterpret_cast<LPWSTR>(remote + sizeof info);
        std::vector<wchar_t> text(characters, L'\0');
        DWORD_PTR answer = 0;
        if (WriteProcessMemory(process, remote, &info, sizeof info, nullptr) &&
            WriteProcessMemory(process, remote + sizeof info, text.data(), characters * sizeof(wchar_t), nullptr) &&
            SendMessageTimeoutW(tooltip, TTM_GETTEXTW, characters, reinterpret_cast<LPARAM>(remote),
                                SMTO_ABORTIFHUNG, ANSWER_MS, &answer) &&
            ReadProcessMemory(process, remote + sizeof info, text.data(), (characters - 1) * sizeof(wchar_t),
                              nullptr))
            tip = text.data();
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return tip;
}

NOTIFYICONDATAW IconRecord(HWND owner) {
    NOTIFYICONDATAW record = {};
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = owner;
    record.uID = 0;
    return record;
}

} // namespace

// ---- settings ----

TRAY_REGISTRY::TRAY_REGISTRY() {
    for (const TRAY_VALUE& value : TRAY_VALUES) {
        SAVED old = {value.subkey, value.value, false, 0, {}};
        HKEY key = OpenKey(value.subkey, KEY_READ, false);
        DWORD size = 0;
        if (key != nullptr && RegQueryValueExA(key, value.value, nullptr, &old.type, nullptr, &size) == ERROR_SUCCESS) {
            old.data.resize(size);
            old.existed = RegQueryValueExA(key, value.value, nullptr, &old.type, old.data.data(), &size) ==
                          ERROR_SUCCESS;
        }
        if (key != nullptr)
            RegCloseKey(key);
        saved.push_back(old);
        DeleteValue(value.subkey, value.value);
    }
}

TRAY_REGISTRY::~TRAY_REGISTRY() {
    for (const SAVED& old : saved) {
        if (old.existed)
            WriteValue(old.subkey, old.value, old.type, old.data.data(), static_cast<DWORD>(old.data.size()));
        else
            DeleteValue(old.subkey, old.value);
    }
}

bool TRAY_REGISTRY::SetDword(const char* subkey, const std::string& value, DWORD data) {
    return WriteValue(subkey, value, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

bool TRAY_REGISTRY::SetString(const char* subkey, const char* value, const char* data) {
    return WriteValue(subkey, value, REG_SZ, reinterpret_cast<const BYTE*>(data),
                      static_cast<DWORD>(std::string(data).size() + 1));
}

bool TRAY_REGISTRY::ReadDword(const char* subkey, const std::string& value, DWORD& data) const {
    HKEY key = OpenKey(subkey, KEY_READ, false);
    if (key == nullptr)
        return false;
    DWORD type = 0, size = sizeof data;
    bool ok = RegQueryValueExA(key, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) ==
                  ERROR_SUCCESS &&
              type == REG_DWORD;
    RegCloseKey(key);
    return ok;
}

bool TRAY_REGISTRY::Exists(const char* subkey, const std::string& value) const {
    HKEY key = OpenKey(subkey, KEY_READ, false);
    if (key == nullptr)
        return false;
    bool found = RegQueryValueExA(key, value.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

void TRAY_REGISTRY::HideQuietly() {
    for (const char* setting : {"CloseToTray", "MinimizeToTray"}) {
        SetDword(setting, setting, 1);
        SetDword(setting, std::string(setting) + "RunReminder", 0);
    }
}

void TRAY_REGISTRY::UsePassword(const char* password) {
    SetDword("Password", "UseSystrayPassword", 1);
    SetString("Password", "Password", password);
}

// ---- dialogs and input ----

std::vector<HWND> Dialogs(DWORD processId, const wchar_t* title) {
    DIALOG_SEARCH search = {processId, title, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitDialog(DWORD processId, const wchar_t* title, DWORD timeoutMs) {
    HWND found = nullptr;
    PumpUntil(
        [&] {
            std::vector<HWND> dialogs = Dialogs(processId, title);
            found = dialogs.empty() ? nullptr : dialogs.front();
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

bool WaitNoDialog(DWORD processId, const wchar_t* title, DWORD timeoutMs) {
    return PumpUntil([&] { return Dialogs(processId, title).empty(); }, timeoutMs);
}

std::wstring ControlText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    if (control == nullptr || !SendMessageTimeoutW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text),
                                                   SMTO_ABORTIFHUNG, ANSWER_MS, &copied))
        return L"";
    return text;
}

bool IsChecked(HWND dialog, int id) {
    DWORD_PTR state = 0;
    return SendMessageTimeoutW(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, ANSWER_MS, &state) &&
           state == BST_CHECKED;
}

void ClickButton(HWND dialog, int id) { PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT keys[2] = {};
        for (INPUT& key : keys) {
            key.type = INPUT_KEYBOARD;
            key.ki.wScan = c;
            key.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
    }
}

void ClickAt(POINT screen, bool right) {
    MovePointer(screen);
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, screen);
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, screen);
}

POINT Centre(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// ---- the shell's tray ----

std::vector<TRAY_ICON> TrayIcons() {
    ICON_SEARCH search;
    EnumWindows(CollectTrayWindows, reinterpret_cast<LPARAM>(&search));
    std::vector<TRAY_ICON> icons;
    for (HWND window : search.icons) {
        TRAY_ICON icon;
        icon.window = window;
        for (HWND tooltip : search.tooltips) {
            DWORD tooltipProcess = 0, iconProcess = 0;
            GetWindowThreadProcessId(tooltip, &tooltipProcess);
            GetWindowThreadProcessId(window, &iconProcess);
            if (tooltipProcess != iconProcess)
                continue;
            icon.tip = RemoteTip(tooltip, window);
            if (!icon.tip.empty())
                break;
        }
        icons.push_back(icon);
    }
    return icons;
}

HWND TrayIconWithTip(const std::wstring& tip) {
    for (const TRAY_ICON& icon : TrayIcons())
        if (icon.tip == tip && IsWindowVisible(icon.window))
            return icon.window;
    return nullptr;
}

bool ShellHasIcon(HWND owner) {
    NOTIFYICONDATAW record = IconRecord(owner); // no flags: nothing changes
    return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

bool ShellDeleteIcon(HWND owner) {
    NOTIFYICONDATAW record = IconRecord(owner);
    return Shell_NotifyIconW(NIM_DELETE, &record) != FALSE;
}

// ---- the fixture ----

void TrayTest::SetUp() {
    ASSERT_TRUE(MainWindowsOfAnyProcess().empty()) << "an instance is already running";
    serial = ++lastSerial;
    ASSERT_TRUE(vaylo.Start()) << "Vaylo.exe did not show its main window";
}

void TrayTest::TearDown() {
    // A dialog left open would hold the main window's end back.
    if (vaylo.process.IsRunning()) {
        for (const wchar_t* title : {QUERY_TITLE, NOTICE_TITLE, PASSWORD_TITLE})
            for (HWND dialog : Dialogs(vaylo.process.Id(), title))
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        for (const wchar_t* title : {QUERY_TITLE, NOTICE_TITLE, PASSWORD_TITLE})
            WaitNoDialog(vaylo.process.Id(), title, 5000);
    }
    vaylo.Exit();
}

bool TrayTest::HideMain() {
    registry.HideQuietly();
    PostMessageW(vaylo.main, WM_CLOSE, 0, 0);
    return WaitVisible(vaylo.main, false) && vaylo.process.IsRunning();
}

bool TrayTest::MakeForeground(HWND window) const {
    SetForegroundWindow(window);
    return WaitForeground(window);
}

HWND TrayTest::OpenMenuWindow() const {
    for (HWND window : VisibleTopLevelWindows(vaylo.process.Id()))
        if (ClassOf(window) == "#32768")
            return window;
    return nullptr;
}

HWND TrayTest::WaitMenuWindow() const {
    HWND menu = nullptr;
    PumpUntil(
        [&] {
            menu = OpenMenuWindow();
            return menu != nullptr;
        },
        WAIT_MS);
    return menu;
}
