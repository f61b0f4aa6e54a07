#include "framework/WindowBase.h"

#include "foundation/Diagnostics.h"
#include "framework/WindowUtilities.h"

#include <shellapi.h>

#include <cstring>

namespace {

// The original notification record: the fields every shell version knows.
// Its size follows the pointer width (88 bytes in a 32-bit build), so the
// record is the full structure with cbSize cut down to the first-version part.
UINT const kTrayRecordSize = NOTIFYICONDATAA_V1_SIZE;
#ifndef _WIN64
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "first-version notification record of a 32-bit build");
#endif
unsigned const kTipCharacters = 63; // the first-version tip holds 64 with its zero

NOTIFYICONDATAA TrayRecord(HWND window) {
    NOTIFYICONDATAA record;
    std::memset(&record, 0, sizeof(record));
    record.cbSize = kTrayRecordSize;
    record.hWnd = window;
    record.uID = 0; // one icon per window
    return record;
}

// At most 63 characters; a double-byte character that does not fit whole is
// left out rather than cut in half.
void CopyTip(char (&target)[sizeof(NOTIFYICONDATAA::szTip)], const STRING& tip) {
    static_assert(sizeof(target) > kTipCharacters, "tip buffer");
    const char* source = tip.c_str();
    unsigned length = 0;
    while (source[length] && length < kTipCharacters) {
        unsigned step = IsDBCSLeadByte(static_cast<BYTE>(source[length])) && source[length + 1] ? 2 : 1;
        if (length + step > kTipCharacters)
            break;
        length += step;
    }
    std::memset(target, 0, sizeof(target));
    std::memcpy(target, source, length);
}

// The console window of the process: the top-level window whose title
// contains the console's title. Null without a console.
HWND ConsoleWindow() {
    char title[261];
    std::memset(title, 0, sizeof(title));
    GetConsoleTitleA(title, sizeof(title));
    if (!title[0])
        return nullptr;
    return FindTopLevelWindow(title, "", nullptr, false);
}

} // namespace

// ---------------------------------------------------------------- the icon

void MV_WINBASE::TrayUpdate(unsigned flags) {
    if (!HasTrayIcon())
        return;
    if (winState != WINSTATE_HIDDEN && TrayOnlyWhenHidden())
        return;

    NOTIFYICONDATAA record = TrayRecord(hwnd);
    if (flags & TRAY_TIP) {
        record.uFlags |= NIF_MESSAGE | NIF_TIP;
        CopyTip(record.szTip, GetTrayTip());
        record.uCallbackMessage = GetTrayMessage();
    }
    if (flags & TRAY_ICON) {
        record.uFlags |= NIF_ICON;
        record.hIcon = TrayImage();
    }

    // Modifying fails while the icon does not exist: that is how we learn to add it.
    BOOL modified = Shell_NotifyIconA(NIM_MODIFY, &record);
    trayFailed = 0;
    if (modified)
        return;

    // An icon is always added whole, so that it carries its tip and answers
    // clicks even when the first update only brought a new image.
    record.uFlags = NIF_MESSAGE | NIF_TIP | NIF_ICON;
    CopyTip(record.szTip, GetTrayTip());
    record.uCallbackMessage = GetTrayMessage();
    record.hIcon = TrayImage();
    if (!Shell_NotifyIconA(NIM_ADD, &record)) {
        trayFailed = 1;
        Trace("tray: the shell did not take the icon (error %lu)", GetLastError());
    }
}

void MV_WINBASE::TrayRemove() {
    if (!HasTrayIcon())
        return;
    NOTIFYICONDATAA record = TrayRecord(hwnd);
    record.uFlags = NIF_TIP;
    Shell_NotifyIconA(NIM_DELETE, &record);
}

// ---------------------------------------------------------------- tray clicks

void MV_WINBASE::TrayDispatch(UINT mouseMessage) {
    // A click handler may run a modal loop (menu, password prompt) in which
    // further tray messages arrive: those are dropped.
    if (inTrayHandler)
        return;
    inTrayHandler = 1;
    switch (mouseMessage) {
    case WM_RBUTTONUP: OnTrayRightClick(); break;
    case WM_LBUTTONUP: OnTrayLeftClick(); break;
    case WM_MBUTTONUP: OnTrayMiddleClick(); break;
    case WM_LBUTTONDBLCLK: OnTrayDoubleClick(); break;
    default: break;
    }
    inTrayHandler = 0;
}

void MV_WINBASE::OnTrayRightClick() {
    HMENU menu = GetTrayMenu();
    if (!menu) {
        OnTrayLeftClick();
        return;
    }
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    // Without the foreground the menu would not close when the user clicks
    // elsewhere; the WM_NULL makes the menu's next opening work at once.
    SetForegroundWindow(hwnd);
    TrackPopupMenu(menu, 0, cursor.x, cursor.y, 0, hwnd, nullptr);
    SetForegroundWindow(hwnd);
    PostMessageA(hwnd, WM_NULL, 0, 0);
}

void MV_WINBASE::OnTrayLeftClick() {
    if (IsWindowVisible(hwnd)) {
        SetForegroundWindow(hwnd);
        return;
    }
    if (!MayRestoreFromTray())
        return;
    ShowWithConsole();
    SetForegroundWindow(hwnd);
    if (TrayOnlyWhenHidden())
        TrayRemove();
}

bool MV_WINBASE::CloseWithoutTray() {
    DefWindowProcA(hwnd, WM_CLOSE, 0, 0);
    return true;
}

void MV_WINBASE::OnTrayMiddleClick() {
    OnTrayLeftClick();
}

void MV_WINBASE::OnTrayDoubleClick() {
    OnTrayLeftClick();
}

bool MV_WINBASE::MayRestoreFromTray() {
    return true;
}

bool MV_WINBASE::MayHideToTray(const char* valueName) {
    DWORD toTray = 0;
    REGKEY(settings, valueName).ReadDword(valueName, toTray);
    return toTray != 0;
}

// ---------------------------------------------------------------- hiding and showing

bool MV_WINBASE::HideToTray(const char* valueName) {
    if (!HasTrayIcon())
        return false;

    // The icon first, tried afresh at every need, also after an add failed:
    // the shell may have gone since the last update, or be back without
    // having said so. A window hidden without an icon could not be brought
    // back, so it closes or minimizes instead, and no notice promises a tray
    // that is not there.
    TrayUpdate(TRAY_TIP | TRAY_ICON);
    if (trayFailed)
        return false;

    if (!MayHideToTray(valueName)) {
        if (TrayOnlyWhenHidden())
            TrayRemove();
        return false;
    }
    HideWithConsole();
    return true;
}

void MV_WINBASE::HideWithConsole() {
    ShowWindow(hwnd, SW_HIDE);
    HWND console = ConsoleWindow();
    // The console window belongs to another process: never wait on it.
    if (console && console != hwnd)
        ShowWindowAsync(console, SW_HIDE);
}

void MV_WINBASE::ShowWithConsole() {
    ShowWindow(hwnd, SW_SHOW);
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    ShowWindow(hwnd, SW_RESTORE);
    HWND console = ConsoleWindow();
    if (console && console != hwnd) {
        ShowWindowAsync(console, SW_SHOW);
        ShowWindowAsync(console, SW_SHOWDEFAULT);
        ShowWindowAsync(console, SW_RESTORE);
    }
    winState = WINSTATE_NORMAL;
}
