#include "framework/WindowBase.h"

#include "framework/WindowUtilities.h"
#include "foundation/Diagnostics.h"
#include "foundation/SystemUtilities.h"
#include "framework/WindowPlacement.h"

#include <commctrl.h>
#include <shellapi.h>

#include <exception>
#include <set>

UINT MV_WINBASE::taskbarCreatedMessage = static_cast<UINT>(-1);
int MV_WINBASE::topMostCommandId = 0;

namespace {

UINT const kOwnerTimeout = 2000; // an owner in another thread must not stall us

// Command ids handed out by AllocateCommandId; 1024 seeds the set so the first
// id is 1025. Both live until the process ends.
std::set<int>& CommandIds() {
    static std::set<int> ids{1024};
    return ids;
}

CSECTION& CommandIdLock() {
    static CSECTION lock;
    return lock;
}

LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_NORMAL, kOwnerTimeout,
                             &answer))
        return 0;
    return static_cast<LRESULT>(answer);
}

// ExtractIconA answers 1 for a file that is no program or icon file.
HICON ExtractFirstIcon(HINSTANCE instance, HMODULE module) {
    STRING path(ModulePath(module).c_str(), MAX_PATH - 1);
    if (path.Length() == 0)
        return nullptr;
    HICON found = ExtractIconA(instance, path.c_str(), 0);
    if (found == reinterpret_cast<HICON>(1))
        return nullptr;
    return found;
}

// The same icon's small image, at the system's small icon size (larger at a
// higher DPI); null when the file has none.
HICON ExtractFirstSmallIcon(HMODULE module) {
    STRING path(ModulePath(module).c_str(), MAX_PATH - 1);
    HICON small = nullptr;
    if (path.Length() == 0 || ExtractIconExA(path.c_str(), 0, nullptr, &small, 1) == 0)
        return nullptr;
    return small;
}

// The combo box with its dropped-down list. Wine answers 0 (CB_OKAY) where
// Windows answers nonzero, so a filled rectangle counts as success too.
bool ReadDroppedRect(HWND combo, RECT& rect) {
    rect = RECT{};
    LRESULT answer = SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&rect));
    return answer != 0 || !IsRectEmpty(&rect);
}

bool IsClass(HWND window, const char* className) {
    return WindowClassName(window).EqualsNoCase(className);
}

} // namespace

MV_WINBASE::MV_WINBASE(const char* name, HWND parentWindow, HINSTANCE moduleInstance)
    : parent(parentWindow), instance(moduleInstance),
      settings(HKEY_LOCAL_MACHINE, (STRING("Software\\MorvaneUtilities\\") + (name ? name : "")).c_str()) {}

MV_WINBASE::~MV_WINBASE() = default;

// ---------------------------------------------------------------- default slots

void MV_WINBASE::OnInitDone() {}

HFONT MV_WINBASE::LoadFont() {
    WINDOW_DC windowDc(hwnd);
    HDC dc = windowDc.Get();
    if (initialFont) {
        ApplyFontToChildren(initialFont);
        font.Reset();
    } else if (dc) {
        initialFont = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    }

    logicalFont = LOGFONTA{};
    logicalFont.lfHeight = 8; // points until converted below
    logicalFont.lfWeight = FW_NORMAL;
    logicalFont.lfOutPrecision = OUT_STROKE_PRECIS;
    logicalFont.lfClipPrecision = CLIP_STROKE_PRECIS;
    logicalFont.lfQuality = DRAFT_QUALITY;
    logicalFont.lfPitchAndFamily = 0x2B;
    lstrcpynA(logicalFont.lfFaceName, "Arial", LF_FACESIZE);

    ReadFont(settings, "Font", logicalFont, nullptr);
    SaveFont(settings, "Font", logicalFont, nullptr);

    LONG points = logicalFont.lfHeight;
    logicalFont.lfHeight = -MulDiv(points, dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96, 72);
    font.Reset(CreateFontIndirectA(&logicalFont));
    logicalFont.lfHeight = points;

    ApplyFontToChildren(font.Get());
    return font.Get();
}

void MV_WINBASE::SetFont(HFONT newFont) {
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(newFont), 0);
    ApplyFontToChildren(newFont);
    if (HasLayout())
        ApplyLayout();
    InvalidateRect(hwnd, nullptr, TRUE);
}

void MV_WINBASE::OnIconChanged() {
    if (inTrayHandler)
        return;
    inTrayHandler = 1;
    if (HasTrayIcon())
        TrayUpdate(TRAY_ICON);
    inTrayHandler = 0;
}

HWND MV_WINBASE::GetItem(int id) const {
    return GetDlgItem(hwnd, id);
}
void MV_WINBASE::OnStatusBarSized(HWND) {}
bool MV_WINBASE::HasLayout() const {
    return false;
}
bool MV_WINBASE::HasTrayIcon() const {
    return false;
}
bool MV_WINBASE::TrayOnlyWhenHidden() const {
    return false;
}
UINT MV_WINBASE::GetTrayMessage() const {
    return static_cast<UINT>(-1);
}
HMENU MV_WINBASE::GetTrayMenu() const {
    return nullptr;
}
STRING MV_WINBASE::GetTrayTip() const {
    return STRING("Morvane Utilities Application");
}
COLORREF MV_WINBASE::GetBackColor() const {
    return RGB(255, 255, 255);
}
int MV_WINBASE::Reserved() {
    return 0;
}

// ---------------------------------------------------------------- message routing

// The one exception handler of the program: an exception must never unwind
// through the system's dialog manager, from the base's handlers or a derived
// class's. The message's answer is then 0.
INT_PTR CALLBACK MV_WINBASE::DialogThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return Route(window, message, wParam, lParam);
    } catch (const std::exception& failure) {
        Trace("exception at message 0x%04X: %s", message, failure.what());
    } catch (...) {
        Trace("exception at message 0x%04X", message);
    }
    return 0;
}

INT_PTR MV_WINBASE::Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        if (!lParam)
            return 0;
        MV_WINBASE* self = reinterpret_cast<MV_WINBASE*>(lParam);
        self->hwnd = window;
        SetLastError(0);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        return self->OnInitDialog(message, wParam, lParam);
    }
    SetLastError(0);
    LONG_PTR attached = GetWindowLongPtrA(window, DWLP_USER);
    if (!attached || GetLastError())
        return 0;
    MV_WINBASE* self = reinterpret_cast<MV_WINBASE*>(attached);
    INT_PTR answer = self->WindowProc(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The handle dies here: nothing may reach the object through it later.
        SetWindowLongPtrA(window, DWLP_USER, 0);
        self->hwnd = nullptr;
    }
    return answer;
}

INT_PTR MV_WINBASE::OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam) {
    if (HasTrayIcon() && taskbarCreatedMessage == static_cast<UINT>(-1))
        taskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");

    if (parent) {
        SetIcon(reinterpret_cast<HICON>(SendBounded(parent, WM_GETICON, ICON_BIG, 0)));
        HFONT parentFont = reinterpret_cast<HFONT>(SendBounded(parent, WM_GETFONT, 0, 0));
        if (parentFont)
            ApplyFontToChildren(parentFont);
    } else {
        HMODULE iconFile = instance;
        HICON fileIcon = ExtractFirstIcon(instance, iconFile);
        if (!fileIcon)
            fileIcon = ExtractFirstIcon(instance, iconFile = ModuleFromAddress());
        extractedIcon.Reset(fileIcon); // an earlier run's icons go
        smallIcon.Reset(fileIcon ? ExtractFirstSmallIcon(iconFile) : nullptr);
        SetIcon(fileIcon);
        CentreWindow(hwnd, nullptr);
    }

    INT_PTR answer = PassOn(message, wParam, lParam);
    if (HasLayout())
        CaptureLayout();
    RestoreWindowPlacement();
    if (topMostCommandId == 0)
        topMostCommandId = AllocateCommandId();
    OnInitDone();
    SetForegroundWindow(hwnd);
    return answer;
}

INT_PTR MV_WINBASE::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY: return OnDestroy(message, wParam, lParam);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: return OnCtlColor(message, wParam, lParam);
    case WM_SIZE: return OnSize(message, wParam, lParam);
    case WM_SYSCOMMAND: return OnSysCommand(message, wParam, lParam);
    case WM_INITMENUPOPUP: return OnInitMenuPopup(message, wParam, lParam);
    case WM_SYSCOLORCHANGE:
    case WM_QUERYNEWPALETTE:
    case WM_PALETTEISCHANGING:
    case WM_PALETTECHANGED: return BroadcastToChildren(message, wParam, lParam);
    default: return OnOtherMessage(message, wParam, lParam);
    }
}

INT_PTR MV_WINBASE::PassOn(UINT message, WPARAM wParam, LPARAM lParam) {
    return DialogProc(message, wParam, lParam);
}

INT_PTR MV_WINBASE::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam) {
    if (HasTrayIcon())
        TrayRemove();
    SaveWindowPlacement();
    SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(previousIcon));
    font.Reset();
    return PassOn(message, wParam, lParam);
}

INT_PTR MV_WINBASE::OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = reinterpret_cast<HWND>(lParam);
    if (!parent || WindowClassName(control).ToUpper().Contains("EDIT"))
        return PassOn(message, wParam, lParam);

    LRESULT brush;
    {
        WINDOW_DC ownDc(hwnd);
        brush = SendBounded(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(ownDc.Get()),
                            reinterpret_cast<LPARAM>(hwnd));
    }

    HDC controlDc = reinterpret_cast<HDC>(wParam);
    SetBkMode(controlDc, TRANSPARENT);
    SetBkColor(controlDc, GetBackColor());
    return static_cast<INT_PTR>(brush);
}

INT_PTR MV_WINBASE::OnSize(UINT message, WPARAM wParam, LPARAM lParam) {
    if (HasLayout() && !IsIconic(hwnd))
        ApplyLayout();
    return PassOn(message, wParam, lParam);
}

INT_PTR MV_WINBASE::OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (wParam & 0xFFF0) {
    case SC_MAXIMIZE:
        SaveWindowPlacement();
        winState = WINSTATE_MAXIMIZED;
        return PassOn(message, wParam, lParam);
    case SC_MINIMIZE:
        SaveWindowPlacement();
        winState = WINSTATE_HIDDEN;
        return HideToTray("MinimizeToTray") ? 1 : 0;
    case SC_RESTORE: winState = WINSTATE_NORMAL; return PassOn(message, wParam, lParam);
    default: break;
    }
    if (topMostCommandId != 0 && wParam == static_cast<WPARAM>(topMostCommandId)) {
        bool topMost = (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        SetWindowPos(hwnd, topMost ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        return 1;
    }
    return PassOn(message, wParam, lParam);
}

INT_PTR MV_WINBASE::OnInitMenuPopup(UINT message, WPARAM wParam, LPARAM lParam) {
    if (HIWORD(lParam) == 0)
        return OnOtherMessage(message, wParam, lParam);
    HMENU menu = reinterpret_cast<HMENU>(wParam);
    if (menu != GetSystemMenu(hwnd, FALSE))
        return PassOn(message, wParam, lParam);
    bool topMost = (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    CheckMenuItem(menu, topMostCommandId, MF_BYCOMMAND | (topMost ? MF_CHECKED : MF_UNCHECKED));
    return 1;
}

INT_PTR MV_WINBASE::BroadcastToChildren(UINT message, WPARAM wParam, LPARAM lParam) {
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        SendMessageA(child, message, wParam, lParam);
    return 0;
}

INT_PTR MV_WINBASE::OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    UINT trayMessage = GetTrayMessage();
    if (trayMessage != static_cast<UINT>(-1) && message == trayMessage) {
        TrayDispatch(static_cast<UINT>(lParam));
        return PassOn(message, wParam, lParam);
    }
    if (message == WM_CLOSE && HasTrayIcon()) {
        // Stored while the rectangle on screen is still the window's own: from
        // here on the window counts as hidden, and WM_DESTROY stores only that.
        SaveWindowPlacement();
        int shown = winState;
        winState = WINSTATE_HIDDEN;
        if (!HideToTray("CloseToTray") && !CloseWithoutTray())
            winState = shown;
        return 1;
    }
    if (taskbarCreatedMessage != static_cast<UINT>(-1) && message == taskbarCreatedMessage) {
        TrayUpdate(TRAY_TIP | TRAY_ICON);
        return PassOn(message, wParam, lParam);
    }
    return PassOn(message, wParam, lParam);
}

// ---------------------------------------------------------------- operations

// The file's small image goes with the file's icon as the window's small
// icon, so the caption, the taskbar and any list of windows draw the image
// made for the system's small size instead of shrinking the large one.
HICON MV_WINBASE::SetIcon(HICON newIcon) {
    bool fileIcon = newIcon != nullptr && newIcon == extractedIcon.Get();
    SendMessageA(hwnd, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(fileIcon ? smallIcon.Get() : nullptr));
    if (!fileIcon)
        smallIcon.Reset();
    icon = newIcon;
    previousIcon =
        reinterpret_cast<HICON>(SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(newIcon)));
    OnIconChanged();
    return previousIcon;
}

void MV_WINBASE::ApplyFontToChildren(HFONT childFont) {
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(childFont), 0);
        InvalidateRect(child, nullptr, TRUE);
    }
}

int MV_WINBASE::ShowMessage(const char* text, const char* caption, UINT style, UINT iconId) {
    SetForegroundWindow(hwnd);
    MSGBOXPARAMSA box = {};
    box.cbSize = sizeof(box);
    box.hwndOwner = hwnd ? hwnd : parent;
    box.hInstance = instance;
    box.lpszText = text;
    box.lpszCaption = caption;
    box.dwStyle = style;
    if (iconId) {
        box.lpszIcon = MAKEINTRESOURCEA(iconId);
        box.dwStyle |= MB_USERICON;
    }
    return hwnd ? MessageBoxOverOwner(box, icon) : MessageBoxIndirectA(&box);
}

int MV_WINBASE::ShowMessage(const WSTRING& text, const char* caption, UINT style) {
    SetForegroundWindow(hwnd);
    WSTRING wideCaption(caption);
    MSGBOXPARAMSW box = {};
    box.cbSize = sizeof(box);
    box.hwndOwner = hwnd ? hwnd : parent;
    box.hInstance = instance;
    box.lpszText = text.c_str();
    box.lpszCaption = wideCaption.c_str();
    box.dwStyle = style;
    return hwnd ? MessageBoxOverOwner(box, icon) : MessageBoxIndirectW(&box);
}

RECT MV_WINBASE::GetItemRect(int id) const {
    RECT rect = {};
    if (!GetWindowRect(GetItem(id), &rect))
        return RECT{};
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int MV_WINBASE::AllocateCommandId() {
    SCOPED_LOCK lock(CommandIdLock());
    std::set<int>& ids = CommandIds();
    int id = 1024;
    if (!ids.empty()) {
        for (auto it = ids.begin(); it != ids.end(); ++it) {
            int candidate = *it + 1;
            auto next = std::next(it);
            if (next == ids.end() || *next != candidate) {
                ids.insert(candidate);
                id = candidate;
                break;
            }
        }
    }
    return id;
}

// ---------------------------------------------------------------- layout

void MV_WINBASE::CaptureLayout() {
    if (!GetClientRect(hwnd, &baseRect))
        return;
    appliedXScale = appliedYScale = 1.0f;
    childRects.clear();
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = {};
        bool read =
            IsClass(child, "COMBOBOX") ? ReadDroppedRect(child, rect) : GetWindowRect(child, &rect) != FALSE;
        if (!read)
            continue;
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&rect), 2);
        childRects[child] = rect;
    }
}

void MV_WINBASE::ApplyLayout() {
    if (!hwnd)
        return;
    RECT client;
    if (!GetClientRect(hwnd, &client))
        return;
    long baseWidth = baseRect.right - baseRect.left;
    long baseHeight = baseRect.bottom - baseRect.top;
    if (baseWidth <= 0 || baseHeight <= 0)
        return; // nothing captured to scale from

    float xScale = static_cast<float>(client.right - client.left) / static_cast<float>(baseWidth);
    float yScale = static_cast<float>(client.bottom - client.top) / static_cast<float>(baseHeight);
    // Unchanged since the last layout (at first: the captured size) moves
    // nothing. Comparing with the last applied scale rather than with 1 also
    // puts the children back when the window returns to its captured size.
    if (xScale == appliedXScale && yScale == appliedYScale)
        return;
    appliedXScale = xScale;
    appliedYScale = yScale;

    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        auto entry = childRects.find(child);
        if (entry == childRects.end())
            continue;
        const RECT& was = entry->second;
        int left = static_cast<int>(static_cast<float>(was.left) * xScale);
        int right = static_cast<int>(static_cast<float>(was.right) * xScale);
        int top = static_cast<int>(static_cast<float>(was.top) * yScale);
        int bottom = static_cast<int>(static_cast<float>(was.bottom) * yScale);
        if (IsClass(child, STATUSCLASSNAMEA)) {
            SendMessageA(child, SB_SETMINHEIGHT, static_cast<WPARAM>(bottom - top), 0);
            SendMessageA(child, WM_SIZE, 0, 0); // the bar docks itself
            OnStatusBarSized(child);
        } else {
            MoveWindow(child, left, top, right - left, bottom - top, TRUE);
        }
    }
    InvalidateRect(hwnd, nullptr, TRUE);
}
