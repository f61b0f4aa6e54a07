// The main window's visible-window list, its owner drawing, the drag picker
// and the double-click hide.

#include "app/MainDialog.h"
#include "framework/WindowUtilities.h"
#include "framework/ListBox.h"
#include "resources/resource.h"

#include <windowsx.h>

#include <new>
#include <vector>

namespace {

// An icon query goes to another program once per listed window and second; a
// live program answers in well under a millisecond.
UINT const ICON_TIMEOUT_MS = 100;

// Only runs while the picker icon is dragged.
UINT_PTR const DRAG_WATCH_TIMER = 2;
UINT const DRAG_WATCH_MS = 30;

int const ICON_SIZE = 16;
int const FILL_INDENT = 16; // the icon's column keeps its own background
int const TEXT_INDENT = 18;
int const TEXT_DROP = 2;

WINDOW_ENTRY* EntryAt(MV_LISTBOX& list, int index) {
    LRESULT data = list.GetItemData(index);
    if (data == LB_ERR)
        return nullptr;
    return reinterpret_cast<WINDOW_ENTRY*>(data);
}

bool HasEntries(int count) {
    return count != 0 && count != LB_ERR;
}

// What the list shows, to tell whether a rebuild changed anything on screen.
struct SHOWN {
    std::vector<HWND> windows;
    std::vector<HICON> icons;
    std::vector<STRING> titles;
    int selection = LB_ERR;
    int top = LB_ERR;
    int caret = LB_ERR;

    explicit SHOWN(MV_LISTBOX& list) {
        int count = list.GetCount();
        for (int index = 0; HasEntries(count) && index < count; ++index) {
            WINDOW_ENTRY* entry = EntryAt(list, index);
            windows.push_back(entry ? entry->window : nullptr);
            icons.push_back(entry ? entry->icon : nullptr);
            titles.push_back(entry ? entry->title : STRING());
        }
        selection = list.GetCurSel();
        top = list.GetTopIndex();
        caret = static_cast<int>(SendMessageA(list.Handle(), LB_GETCARETINDEX, 0, 0));
    }

    bool operator==(const SHOWN& other) const {
        if (windows != other.windows || icons != other.icons || selection != other.selection ||
            top != other.top || caret != other.caret)
            return false;
        for (size_t i = 0; i < titles.size(); ++i)
            if (!titles[i].Equals(other.titles[i].c_str()))
                return false;
        return true;
    }
};

} // namespace

// The fill rectangle leaves the icon's column to the icon's own flicker-free
// brush.
void DrawEntryLine(const DRAWITEMSTRUCT& item, HICON image, const char* text, RECT fill, RECT textRect,
                   HBRUSH highlight, HBRUSH background) {
    HDC dc = item.hDC;
    bool selected = (item.itemState & ODS_SELECTED) != 0;
    if (selected && (item.itemAction & (ODA_DRAWENTIRE | ODA_SELECT)))
        FillRect(dc, &fill, highlight);
    else if (!selected && (item.itemAction & ODA_SELECT))
        FillRect(dc, &fill, background);

    if (item.itemAction & ODA_FOCUS)
        DrawFocusRect(dc, &item.rcItem);

    int oldMode = SetBkMode(dc, TRANSPARENT);
    int colour = selected                        ? COLOR_HIGHLIGHTTEXT
                 : (item.itemState & ODS_GRAYED) ? COLOR_GRAYTEXT
                                                 : COLOR_MENUTEXT;
    COLORREF oldColour = SetTextColor(dc, GetSysColor(colour));

    if (image != nullptr)
        DrawIconEx(dc, item.rcItem.left, item.rcItem.top, image, ICON_SIZE, ICON_SIZE, 0, background,
                   DI_NORMAL);

    UINT format = DT_SINGLELINE | DT_VCENTER;
    DrawTextA(dc, text, -1, &textRect, format | DT_CALCRECT);
    DrawTextA(dc, text, -1, &textRect, format);

    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

// ---------------------------------------------------------------- the list

// The whole list is rebuilt every time; the selection follows the window, not
// the index. Drawing waits until the rebuild is done, the view stays where the
// user scrolled it, and a list that came out the same is not invalidated.
void DIALOG::RefreshWindowList() {
    MV_LISTBOX list(GetItem(IDC_WINDOW_LIST));
    if (list.Handle() == nullptr)
        return;
    HWND remembered = SelectedWindow();
    SHOWN before(list);

    SendMessageA(list.Handle(), WM_SETREDRAW, FALSE, 0);
    ClearWindowList();
    EnumWindows(AddVisibleWindowThunk, reinterpret_cast<LPARAM>(this));

    int count = list.GetCount();
    if (HasEntries(count) && remembered != nullptr) {
        for (int index = 0; index < count; ++index) {
            WINDOW_ENTRY* entry = EntryAt(list, index);
            if (entry != nullptr && entry->window == remembered) {
                list.SetCurSel(index);
                break;
            }
        }
    }
    // After the selection, which would scroll itself into view.
    if (before.top != LB_ERR)
        list.SetTopIndex(before.top);
    SendMessageA(list.Handle(), WM_SETREDRAW, TRUE, 0);

    if (!(SHOWN(list) == before))
        InvalidateRect(list.Handle(), nullptr, TRUE);
}

HWND DIALOG::SelectedWindow() {
    MV_LISTBOX list(GetItem(IDC_WINDOW_LIST));
    int index = list.GetCurSel();
    if (index == LB_ERR)
        return nullptr;
    WINDOW_ENTRY* entry = EntryAt(list, index);
    return entry ? entry->window : nullptr;
}

// Each entry's data is freed as the list lets the entry go (WM_DELETEITEM).
void DIALOG::ClearWindowList() {
    MV_LISTBOX list(GetItem(IDC_WINDOW_LIST));
    if (HasEntries(list.GetCount()))
        list.Clear();
}

BOOL CALLBACK DIALOG::AddVisibleWindowThunk(HWND window, LPARAM self) {
    return reinterpret_cast<DIALOG*>(self)->AddVisibleWindow(window);
}

BOOL DIALOG::AddVisibleWindow(HWND window) {
    // GetParent answers the owner of a pop-up: most dialogs of other programs.
    // Most top-level windows are hidden: their titles are not even read.
    if (window == hwnd || !IsWindowVisible(window) || GetParent(window) != nullptr)
        return TRUE;
    STRING title = ReadWindowTitle(window); // no message reaches the window
    if (title.Length() == 0 || title.Equals("Program Manager"))
        return TRUE;

    std::unique_ptr<WINDOW_ENTRY> entry(new (std::nothrow) WINDOW_ENTRY);
    if (entry == nullptr)
        return TRUE;
    entry->title = title;
    entry->window = window;
    entry->icon = WindowIcon(window);

    MV_LISTBOX list(GetItem(IDC_WINDOW_LIST));
    int index = list.AddString(title.c_str());
    // Not listed, or listed without data: nothing refers to it, and it goes here.
    if (index != LB_ERR && index != LB_ERRSPACE &&
        list.SetItemData(index, reinterpret_cast<LPARAM>(entry.get())))
        entry.release(); // the list holds it until WM_DELETEITEM
    return TRUE;
}

// The window's own icons first, bounded: a hung program must not hold up the
// refresh. Then its class's icons, which are read without asking it.
HICON DIALOG::WindowIcon(HWND window) {
    DWORD_PTR answer = 0;
    if (foreign.Send(window, WM_GETICON, ICON_SMALL, 0, ICON_TIMEOUT_MS, answer) && answer != 0)
        return reinterpret_cast<HICON>(answer);
    if (foreign.Send(window, WM_GETICON, ICON_BIG, 0, ICON_TIMEOUT_MS, answer) && answer != 0)
        return reinterpret_cast<HICON>(answer);
    if (HICON small = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICONSM)))
        return small;
    if (HICON big = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON)))
        return big;
    LONG style = GetWindowLongA(window, GWL_STYLE);
    LONG extended = GetWindowLongA(window, GWL_EXSTYLE);
    // A shared system icon: the same handle every time, loaded once.
    static HICON const windowsLogo = LoadIconA(nullptr, MAKEINTRESOURCEA(32517)); // IDI_WINLOGO
    if (!(style & WS_POPUP) && !(extended & WS_EX_DLGMODALFRAME))
        return windowsLogo;
    return nullptr;
}

void DIALOG::DrawWindowEntry(const DRAWITEMSTRUCT& item) {
    // An empty list still shows where the focus is.
    if (static_cast<int>(item.itemID) < 0) {
        if (item.itemAction & ODA_FOCUS)
            DrawFocusRect(item.hDC, &item.rcItem);
        return;
    }
    const WINDOW_ENTRY* entry = reinterpret_cast<const WINDOW_ENTRY*>(item.itemData);
    if (entry == nullptr)
        return;
    RECT fill = item.rcItem;
    fill.left += FILL_INDENT;
    RECT textRect = item.rcItem;
    textRect.left += TEXT_INDENT;
    textRect.top += TEXT_DROP;
    DrawEntryLine(item, entry->icon, entry->title.c_str(), fill, textRect, highlightBrush, windowBrush);
}

// ---------------------------------------------------------------- the drag picker

// x, y: client coordinates of a press. It must land on the picker icon as it
// lies now, and on this window, not on one that covers it.
bool DIALOG::HitDragIcon(int x, int y) {
    POINT point = {x, y};
    RECT picker = GetItemRect(IDC_PICKER);
    if (!PtInRect(&picker, point))
        return false;
    ClientToScreen(hwnd, &point);
    // The icon answers HTTRANSPARENT, so the point normally finds the dialog.
    HWND found = WindowFromPoint(point);
    return found == hwnd || (found != nullptr && IsChild(hwnd, found));
}

LRESULT DIALOG::BeginDrag(LPARAM lParam) {
    if (HitDragIcon(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))) {
        HideWithConsole();
        dragging = true;
        SetCapture(hwnd);
        SetCursor(dragCursor);
        SetTimer(hwnd, DRAG_WATCH_TIMER, DRAG_WATCH_MS, WatchDrag); // until StopDragWatch
    } else {
        ShowWithConsole();
        dragging = false;
    }
    InvalidateRect(hwnd, nullptr, TRUE);
    return 0;
}

// The release selects the entry of the outermost window under the pointer;
// it never hides anything.
LRESULT DIALOG::EndDrag(LPARAM lParam) {
    ShowWithConsole();
    StopDragWatch(hwnd);
    if (!dragging)
        return 0;
    dragging = false;

    // Signed: the captured pointer may be left of or above the window.
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(hwnd, &point);
    HWND target = WindowFromPoint(point);
    while (HWND up = GetParent(target))
        target = up;

    MV_LISTBOX list(GetItem(IDC_WINDOW_LIST));
    int count = list.GetCount();
    if (!HasEntries(count))
        return 0;
    for (int index = 0; index < count; ++index) {
        WINDOW_ENTRY* entry = EntryAt(list, index);
        if (entry != nullptr && entry->window == target) {
            list.SetCurSel(index);
            break;
        }
    }
    InvalidateRect(hwnd, nullptr, TRUE);
    return 0;
}

// The release normally arrives as WM_LBUTTONUP through the capture. Under Wine
// a hidden window's capture receives no mouse input at all, so the primary
// button is also watched while the icon is dragged; whichever sees the
// release first ends the drag, at the pointer's position. The timer has its
// own procedure and never reaches the message table.
void CALLBACK DIALOG::WatchDrag(HWND window, UINT, UINT_PTR, DWORD) {
    MV_WINBASE* attached = reinterpret_cast<MV_WINBASE*>(GetWindowLongPtrA(window, DWLP_USER));
    DIALOG* self = static_cast<DIALOG*>(attached);
    if (self == nullptr || !self->dragging) {
        StopDragWatch(window);
        return;
    }
    // Shown again meanwhile (from the tray): the drag is over, nothing picked.
    if (IsWindowVisible(window)) {
        self->dragging = false;
        StopDragWatch(window);
        return;
    }
    int primary = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
    if (GetAsyncKeyState(primary) < 0)
        return;
    POINT point = {};
    GetCursorPos(&point);
    ScreenToClient(window, &point);
    self->EndDrag(MAKELPARAM(point.x, point.y));
}

// The drag's timer and capture end together, whichever way the drag ends.
void DIALOG::StopDragWatch(HWND window) {
    KillTimer(window, DRAG_WATCH_TIMER);
    ReleaseCapture();
}

// ---------------------------------------------------------------- double-click hide

// Shift: no menu item. Ctrl: the main window closes (to the tray) after the
// hide. Shift is read before the hide and Ctrl after it.
void DIALOG::HideSelectedWindow() {
    MV_LISTBOX list(GetItem(IDC_WINDOW_LIST));
    int index = list.GetCurSel();
    if (index == LB_ERR)
        return;
    WINDOW_ENTRY* entry = EntryAt(list, index);
    if (entry == nullptr)
        return;
    bool hidden = HideEntryWindow(*entry, GetAsyncKeyState(VK_SHIFT) >= 0);
    RefreshWindowList();
    if (!hidden)
        return;

    if (GetAsyncKeyState(VK_CONTROL) < 0)
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
}
