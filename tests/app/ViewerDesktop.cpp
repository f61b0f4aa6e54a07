#include "ViewerDesktop.h"

#include <commctrl.h>

#include <algorithm>

#include <cstdio>

wchar_t const VIEWER_TITLE[] = L"Hidden Windows";

namespace {

size_t const TIP_CHARACTERS = 1024; // the longest text a tooltip hands out

bool Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer = nullptr,
         DWORD timeoutMs = WAIT_MS) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, &result))
        return false;
    if (answer != nullptr)
        *answer = static_cast<LRESULT>(result);
    return true;
}

} // namespace

// Once its program is idle: under Wine a hide that lands while the program is
// still inside its own first show is undone by the rest of that show.
bool HideFromOutside(HWND window) {
    if (!RoundTrip(window))
        return false;
    ShowWindow(window, SW_HIDE);
    return WaitVisible(window, false) && RoundTrip(window) && !IsWindowVisible(window);
}

HWND OpenViewer(const VAYLO& vaylo) {
    PostMessageW(vaylo.main, WM_COMMAND, IDC_VIEW_HIDDEN, 0);
    return WaitForWindow(OwnedDialog(vaylo.main, VIEWER_TITLE));
}

bool CloseViewer(HWND viewer) {
    PostMessageW(viewer, WM_COMMAND, IDOK, 0);
    return PumpUntil([&] { return !IsWindow(viewer); });
}

std::vector<std::pair<std::wstring, HWND>> ViewerEntries(HWND viewer) {
    std::vector<std::pair<std::wstring, HWND>> entries;
    HWND list = GetDlgItem(viewer, IDC_HIDDEN_LIST);
    LRESULT count = 0, length = 0, data = 0;
    for (LRESULT i = 0; Ask(list, LB_GETCOUNT, 0, 0, &count) && i < count; ++i) {
        // Wide: a narrow LB_GETTEXT to another process comes back as UTF-16.
        wchar_t text[512] = L"";
        if (Ask(list, LB_GETTEXTLEN, i, 0, &length) && length >= 0 && length < 512 &&
            Ask(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text)) &&
            Ask(list, LB_GETITEMDATA, i, 0, &data))
            entries.emplace_back(text, reinterpret_cast<HWND>(data));
    }
    return entries;
}

bool ViewerLists(HWND viewer, HWND window) {
    for (const auto& entry : ViewerEntries(viewer))
        if (entry.second == window)
            return true;
    return false;
}

bool DoubleClickViewerEntry(HWND viewer, HWND window, DWORD answerMs) {
    std::vector<std::pair<std::wstring, HWND>> entries = ViewerEntries(viewer);
    WPARAM index = static_cast<WPARAM>(-1);
    for (size_t i = 0; i < entries.size(); ++i)
        if (window != nullptr && entries[i].second == window)
            index = i;
    HWND list = GetDlgItem(viewer, IDC_HIDDEN_LIST);
    return (window == nullptr || index != static_cast<WPARAM>(-1)) && Ask(list, LB_SETCURSEL, index, 0) &&
           Ask(viewer, WM_COMMAND, MAKEWPARAM(IDC_HIDDEN_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list),
               nullptr, answerMs);
}

std::vector<HWND> TooltipsOf(HWND dialog) {
    WINDOW_QUERY tooltips;
    tooltips.owner = dialog;
    tooltips.className = TOOLTIPS_CLASSA;
    tooltips.visibleOnly = false; // a tooltip shows only while it tips
    return FindWindows(tooltips);
}

std::vector<std::pair<int, std::wstring>> ReadTips(HWND tooltip) {
    std::vector<std::pair<int, std::wstring>> tips;
    HWND dialog = GetWindow(tooltip, GW_OWNER);
    RECT frame = {};
    if (dialog == nullptr || !GetWindowRect(dialog, &frame) || !BringToFront(dialog))
        return tips;
    POINT const outside = {frame.left - 8, frame.top - 8};
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        int id = GetDlgCtrlID(child);
        RECT area = {};
        if (!IsWindowVisible(child) || id == 0xFFFF || !GetWindowRect(child, &area))
            continue;
        POINT const centre = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
        // Off the dialog first, until the last tip has gone; a second move
        // on the control is what the tooltip counts as resting there.
        if (!MovePointerWithXdotool(outside) || !PumpUntil([&] { return !IsWindowVisible(tooltip); }) ||
            !MovePointerWithXdotool(centre) || !MovePointerWithXdotool(POINT{centre.x + 1, centre.y}))
            return {{id, L"<pointer not moved>"}};
        if (PumpUntil([&] { return IsWindowVisible(tooltip) && !ShownTip(tooltip).empty(); }, TIP_WAIT_MS))
            tips.emplace_back(id, ShownTip(tooltip));
    }
    MovePointerWithXdotool(outside);
    std::sort(tips.begin(), tips.end());
    return tips;
}

std::wstring ShownTip(HWND tooltip) {
    wchar_t text[TIP_CHARACTERS] = L"";
    Ask(tooltip, WM_GETTEXT, TIP_CHARACTERS, reinterpret_cast<LPARAM>(text));
    return text;
}

bool MovePointerWithXdotool(POINT screen) {
    char command[96];
    std::snprintf(command, sizeof command, "/usr/bin/xdotool mousemove %ld %ld", static_cast<long>(screen.x),
                  static_cast<long>(screen.y));
    // A Unix program: its process handle tells nothing reliable under Wine,
    // so the pointer itself is watched.
    CHILD_PROCESS xdotool;
    if (!xdotool.Start(nullptr, command))
        return false;
    POINT at = {};
    return PumpUntil([&] { return GetCursorPos(&at) && at.x == screen.x && at.y == screen.y; }, 5000);
}
