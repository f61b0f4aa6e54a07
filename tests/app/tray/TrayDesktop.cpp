#include "TrayDesktop.h"

#include <commctrl.h>
#include <shellapi.h>

wchar_t const QUERY_TITLE[] = L"Query";
wchar_t const NOTICE_TITLE[] = L"Close to Systray";
wchar_t const PASSWORD_TITLE[] = L"Enter Password";
wchar_t const QUESTION[] = L"Would you like to hide the application and run it in the system tray?";

namespace {

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
        if (WriteProcessMemory(process, remote, &info, sizeof info, nullptr) &&
            WriteProcessMemory(process, remote + sizeof info, text.data(), characters * sizeof(wchar_t),
                               nullptr) &&
            BoundedSend(tooltip, TTM_GETTEXTW, characters, reinterpret_cast<LPARAM>(remote)) &&
            ReadProcessMemory(process, remote + sizeof info, text.data(), (characters - 1) * sizeof(wchar_t),
                              nullptr))
            tip = text.data();
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return tip;
}

} // namespace

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

// ---- the fixture ----

bool TrayTest::HideMain() {
    HideToTrayQuietly();
    PostMessageW(vaylo.main, WM_CLOSE, 0, 0);
    return WaitVisible(vaylo.main, false) && vaylo.process.IsRunning();
}

HWND TrayTest::WaitMenuWindow() const {
    HWND menu = nullptr;
    PumpUntil([&] { return (menu = vaylo.MenuWindow()) != nullptr; });
    return menu;
}
