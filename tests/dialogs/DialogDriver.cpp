#include "DialogDriver.h"

#include "resources/resource.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cstring>
#include <cwchar>
#include <vector>

namespace {

UINT const WM_FOREIGN_FIGHT = WM_APP + 1;
UINT const WM_FOREIGN_FRONT = WM_APP + 2;

const char* const kOwnerClass = "DialogsTestOwner";
const char* const kForeignClass = "DialogsTestForeign";

bool RegisterOnce(const char* name, WNDPROC proc) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

struct FOUND {
    HWND owner;
    const char* title;
    HWND dialog;
};

BOOL CALLBACK MatchOwnedDialog(HWND window, LPARAM lParam) {
    FOUND& found = *reinterpret_cast<FOUND*>(lParam);
    char className[64] = "";
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0)
        return TRUE;
    if (GetWindow(window, GW_OWNER) != found.owner || !IsWindowVisible(window))
        return TRUE;
    if (found.title) {
        // Read without a message: the dialog's thread may be busy.
        wchar_t title[256] = L"";
        InternalGetWindowText(window, title, 256);
        wchar_t wanted[256] = L"";
        MultiByteToWideChar(CP_ACP, 0, found.title, -1, wanted, 256);
        if (std::wcscmp(title, wanted) != 0)
            return TRUE;
    }
    found.dialog = window;
    return FALSE;
}

INPUT KeyInput(WORD virtualKey, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, 0));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

} // namespace

// The query's rich edit class must exist before any query opens, as in the program.
HMODULE const richEditLibrary = LoadLibraryA("riched20.dll");

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return done();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs)
            return done();
        Sleep(5);
    }
    return true;
}

// ---------------------------------------------------------------- owner and icon

HICON ProgramIcon() {
    return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM));
}

// One owner serves the whole run: under Wine without a window manager, hiding
// or destroying a captioned window waits two seconds for a window-manager
// answer that never comes, and every test would pay that again.
TEST_OWNER::TEST_OWNER() {
    static HWND shared = nullptr;
    if (!shared && RegisterOnce(kOwnerClass, DefWindowProcA)) {
        shared = CreateWindowExA(0, kOwnerClass, "Dialogs Test Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300,
                                 200, 560, 420, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (shared)
            SendMessageA(shared, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProgramIcon()));
    }
    window = shared;
    if (!window)
        return;
    EnableWindow(window, TRUE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    PumpUntil([] { return false; }, 50); // let it settle and paint
}

TEST_OWNER::~TEST_OWNER() = default;

// ---------------------------------------------------------------- registry

TEST_KEY::TEST_KEY() {
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, Path());
}
TEST_KEY::~TEST_KEY() {
    SHDeleteKeyA(HKEY_LOCAL_MACHINE, Path());
}

namespace {
std::string SubkeyPath(const char* subkey) {
    return std::string(TEST_KEY::Path()) + "\\" + subkey;
}

void SetValue(const char* subkey, const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, SubkeyPath(subkey).c_str(), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(key);
}
} // namespace

void TEST_KEY::SetDword(const char* subkey, const char* name, DWORD value) {
    SetValue(subkey, name, REG_DWORD, &value, sizeof value);
}

void TEST_KEY::SetString(const char* subkey, const char* name, const char* value) {
    SetValue(subkey, name, REG_SZ, value, static_cast<DWORD>(std::strlen(value) + 1));
}

bool TEST_KEY::Exists(const char* subkey, const char* name) const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SubkeyPath(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool found = RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

long long TEST_KEY::Dword(const char* subkey, const char* name) const {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SubkeyPath(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    DWORD type = 0, value = 0, size = sizeof value;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value)
        return -1;
    return value;
}

// ---------------------------------------------------------------- finding and driving dialogs

HWND FindOwnedDialog(HWND owner, const char* title) {
    FOUND found = {owner, title, nullptr};
    EnumWindows(MatchOwnedDialog, reinterpret_cast<LPARAM>(&found));
    return found.dialog;
}

HWND WaitForDialog(HWND owner, const char* title, DWORD timeoutMs) {
    HWND dialog = nullptr;
    PollUntil([&] { return (dialog = FindOwnedDialog(owner, title)) != nullptr; }, timeoutMs);
    return dialog;
}

DRIVER::DRIVER(HWND ownerWindow, std::function<void()> script) : owner(ownerWindow) {
    thread = std::thread([this, script] {
        script();
        // The test thread is still inside the modal run until the dialog goes.
        if (PollUntil([this] { return FindOwnedDialog(owner, nullptr) == nullptr; }))
            return;
        ADD_FAILURE() << "a dialog was left open; closing it with Cancel";
        while (HWND stray = FindOwnedDialog(owner, nullptr)) {
            PostMessageA(stray, WM_COMMAND, IDCANCEL, 0);
            PollUntil([&] { return !IsWindow(stray); }, 2000);
        }
    });
}

DRIVER::~DRIVER() {
    Finish();
}

void DRIVER::Finish() {
    if (thread.joinable())
        thread.join();
}

WATCHDOG::WATCHDOG(HWND owner) {
    thread = std::thread([this, owner] {
        while (!stop) {
            if (HWND dialog = FindOwnedDialog(owner, nullptr)) {
                ++seen;
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                PollUntil([&] { return !IsWindow(dialog); }, 2000);
            }
            Sleep(5);
        }
    });
}

WATCHDOG::~WATCHDOG() {
    Stop();
}

int WATCHDOG::Stop() {
    stop = true;
    if (thread.joinable())
        thread.join();
    return seen;
}

void PressKey(WORD virtualKey) {
    INPUT keys[2] = {KeyInput(virtualKey, false), KeyInput(virtualKey, true)};
    SendInput(2, keys, sizeof(INPUT));
}

void TypeText(const char* text) {
    for (const char* c = text; *c; ++c) {
        SHORT scan = VkKeyScanA(*c);
        WORD key = LOBYTE(scan);
        bool shifted = (HIBYTE(scan) & 1) != 0;
        std::vector<INPUT> inputs;
        if (shifted)
            inputs.push_back(KeyInput(VK_SHIFT, false));
        inputs.push_back(KeyInput(key, false));
        inputs.push_back(KeyInput(key, true));
        if (shifted)
            inputs.push_back(KeyInput(VK_SHIFT, true));
        SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    }
}

void Click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool IsChecked(HWND dialog, int id) {
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::wstring ControlTextW(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (!control)
        return L"<no control>";
    LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(copied));
    return text;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

// ---------------------------------------------------------------- foreign window

FOREIGN_WINDOW::FOREIGN_WINDOW() {
    thread = std::thread([this] { Run(); });
    PollUntil([this] { return window.load() != nullptr; });
}

FOREIGN_WINDOW::~FOREIGN_WINDOW() {
    Destroy();
}

void FOREIGN_WINDOW::Destroy() {
    fighting = false;
    if (HWND alive = window.load())
        PostMessageA(alive, WM_CLOSE, 0, 0);
    if (thread.joinable())
        thread.join();
}

void FOREIGN_WINDOW::BringToFront() {
    PostMessageA(window, WM_FOREIGN_FRONT, 0, 0);
    PollUntil([this] { return GetForegroundWindow() == window.load(); });
}

void FOREIGN_WINDOW::Run() {
    if (!RegisterOnce(kForeignClass, Proc))
        return;
    HWND created = CreateWindowExA(0, kForeignClass, "Foreign Window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                   40, 320, 220, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    if (!created)
        return;
    window = created;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    window = nullptr;
}

LRESULT CALLBACK FOREIGN_WINDOW::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FOREIGN_WINDOW*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            ++self->activations;
        else if (self->fighting && !IsIconic(hwnd))
            PostMessageA(hwnd, WM_FOREIGN_FIGHT, 0, 0);
        break;
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED)
            ++self->minimisations;
        break;
    case WM_FOREIGN_FIGHT:
        if (self->fighting && !IsIconic(hwnd) && GetForegroundWindow() != hwnd)
            SetForegroundWindow(hwnd);
        return 0;
    case WM_FOREIGN_FRONT: SetForegroundWindow(hwnd); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
