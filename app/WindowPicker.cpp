// The main window's visible-window list, its owner drawing, the drag picker
// and the double-click hide.

#include "app/MainDialog.h"
#include "foundation/SystemUtilities.h"
#include "framework/WindowUtilities.h"
#include "framework/ListBox.h"
#include "framework/Metrics.h"
#include "resources/resource.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <new>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// An icon query goes to another program once per listed window and second; a
// live program answers in well under a millisecond.
UINT const ICON_TIMEOUT_MS = 100;

// Only runs while the picker icon is dragged.
UINT_PTR const DRAG_WATCH_TIMER = 2;
UINT const DRAG_WATCH_MS = 30;

bool HasEntries(int count) {
    return count != 0 && count != LB_ERR;
}

// A refresh asks only the windows it has not seen before for their icon, and
// a few listed ones again in turn: at least eight (every window of a desktop
// of up to 32 within four seconds), and with more windows each within sixteen
// refreshes. Under Wine asking one costs what reading visibility, parent and
// title of three windows does.
size_t const ICON_ASKS_AT_LEAST = 8;
size_t const ICON_ROUND_REFRESHES = 16;

// Only the icon's column: the entry draws it over its own background, so the
// title is not painted again.
void RepaintIcon(MV_LISTBOX& list, int index) {
    RECT item = {};
    if (SendMessageA(list.Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&item)) == LB_ERR)
        return;
    item.right = item.left + SmallIconSize();
    InvalidateRect(list.Handle(), &item, FALSE);
}

} // namespace

// The entry the list's item names, if this program holds it: the item data is
// only a key, set from outside as easily as by us.
WINDOW_ENTRY* DIALOG::EntryAt(MV_LISTBOX& list, int index) const {
    LRESULT data = list.GetItemData(index);
    return data == LB_ERR ? nullptr : listEntries.Find(static_cast<ULONG_PTR>(data));
}

// The entries the list holds, in list order, asked of the list itself.
std::vector<WINDOW_ENTRY*> DIALOG::HeldEntries(MV_LISTBOX& list) const {
    std::vector<WINDOW_ENTRY*> held;
    int count = list.GetCount();
    if (!HasEntries(count))
        return held;
    held.reserve(static_cast<size_t>(count));
    for (int index = 0; index < count; ++index)
        held.push_back(EntryAt(list, index));
    return held;
}

// An entry leaves the set, and is freed, once no item of the list names it:
// an entry that another process made two items name goes once, after both.
void DIALOG::DropUnlistedEntries() {
    std::unordered_set<const WINDOW_ENTRY*> named(listed.begin(), listed.end());
    listEntries.KeepOnly([&named](const WINDOW_ENTRY& entry) { return named.count(&entry) != 0; });
}

// The fill rectangle leaves the icon's column to the icon's own flicker-free
// brush.
void DrawEntryLine(const DRAWITEMSTRUCT& item, HICON image, int iconSize, const wchar_t* text, RECT fill,
                   RECT textRect, HBRUSH highlight, HBRUSH background) {
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

    int iconTop = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - iconSize) / 2;
    if (image != nullptr)
        DrawIconEx(dc, item.rcItem.left, iconTop, image, iconSize, iconSize, 0, background, DI_NORMAL);

    DrawTextW(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER);

    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

// ---------------------------------------------------------------- the list

// The list shows what a rebuild from scratch would show (the same entries in
// the same sorted order, the selection following its window, the view where
// the user scrolled it), but only what changed is touched: a window that came
// or went, or changed its title. An unchanged desktop costs the enumeration
// and leaves the list box alone; nothing is repainted.
void DIALOG::RefreshWindowList() {
    MV_LISTBOX list(GetItem(IDC_WINDOW_LIST));
    if (list.Handle() == nullptr)
        return;
    enumerated.clear();
    EnumWindows(AddVisibleWindowThunk, reinterpret_cast<LPARAM>(this));

    // Every message to the list costs as much as reading a window: the list's
    // item data are kept beside it, and only its count is asked each time.
    int count = list.GetCount();
    if (count == LB_ERR || static_cast<size_t>(count) != listed.size()) {
        listed = HeldEntries(list);
        DropUnlistedEntries();
    }
    // Before the match: a retitled window's entry takes the icon along.
    AskIconsInTurn(list);
    std::vector<int> gone; // list indices, in ascending order
    std::vector<std::unique_ptr<WINDOW_ENTRY>> arriving;
    MatchListed(gone, arriving);
    if (gone.empty() && arriving.empty())
        return;

    HWND remembered = SelectedWindow();
    int top = list.GetTopIndex();
    // Drawing waits until every change is in; then the list is painted once.
    SendMessageA(list.Handle(), WM_SETREDRAW, FALSE, 0);
    for (auto index = gone.rbegin(); index != gone.rend(); ++index) {
        list.DeleteString(*index);
        listed.erase(listed.begin() + *index);
    }
    DropUnlistedEntries();
    for (std::unique_ptr<WINDOW_ENTRY>& entry : arriving)
        ListEntry(list, std::move(entry));
    SelectWindowEntry(list, remembered);
    // After the selection, which would scroll itself into view.
    if (top != LB_ERR)
        list.SetTopIndex(top);
    SendMessageA(list.Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list.Handle(), nullptr, TRUE);
}

// While the system's window events say that no window came, went or changed,
// the enumeration is skipped; the icons are still asked in turn.
void DIALOG::LookAtWindows() {
    MV_LISTBOX list(GetItem(IDC_WINDOW_LIST));
    int count = list.GetCount();
    bool due = windowChanges.LookDue();
    if (due || count == LB_ERR || static_cast<size_t>(count) != listed.size())
        RefreshWindowList();
    else
        AskIconsInTurn(list);
    ApplyRulesToListed();
}

// Compares what the enumeration found with what the list holds. gone: the
// entries of windows no longer listable, or whose title changed; arriving:
// entries for the windows found that the list does not hold under their
// present title. A retitled window keeps its icon; a new one is asked for it.
void DIALOG::MatchListed(std::vector<int>& gone, std::vector<std::unique_ptr<WINDOW_ENTRY>>& arriving) {
    std::unordered_map<HWND, size_t> listedAt; // window -> list index
    listedAt.reserve(listed.size());
    for (size_t index = 0; index < listed.size(); ++index)
        if (listed[index] != nullptr)
            listedAt.emplace(listed[index]->window, index);
    std::vector<bool> stays(listed.size(), false);

    for (LISTABLE_WINDOW& found : enumerated) {
        auto match = listedAt.find(found.window);
        const WINDOW_ENTRY* known = match == listedAt.end() ? nullptr : listed[match->second];
        if (known != nullptr && known->title.Equals(found.title.c_str())) {
            stays[match->second] = true;
            continue;
        }
        std::unique_ptr<WINDOW_ENTRY> entry(new (std::nothrow) WINDOW_ENTRY);
        if (entry == nullptr)
            continue;
        entry->title = std::move(found.title);
        entry->window = found.window;
        entry->icon = known != nullptr ? known->icon : WindowIcon(found.window);
        arriving.push_back(std::move(entry));
    }
    for (size_t index = 0; index < listed.size(); ++index)
        if (!stays[index])
            gone.push_back(static_cast<int>(index));
}

// The list box puts the title in its sorted place, as a full rebuild would.
// Not listed, or listed without data: nothing refers to the entry, and it
// goes here.
void DIALOG::ListEntry(MV_LISTBOX& list, std::unique_ptr<WINDOW_ENTRY> entry) {
    int index = list.AddString(entry->title.c_str());
    if (index == LB_ERR || index == LB_ERRSPACE)
        return;
    ULONG_PTR data = listEntries.Add(std::move(entry));
    if (data != 0 && !list.SetItemData(index, static_cast<LPARAM>(data)))
        listEntries.Take(data);
    listed.insert(listed.begin() + index, listEntries.Find(data));
}

// The first entry of the window is selected; without one, nothing is.
void DIALOG::SelectWindowEntry(MV_LISTBOX& list, HWND window) {
    for (size_t index = 0; window != nullptr && index < listed.size(); ++index) {
        if (listed[index] != nullptr && listed[index]->window == window) {
            if (list.GetCurSel() != static_cast<int>(index))
                list.SetCurSel(static_cast<int>(index));
            return;
        }
    }
    if (list.GetCurSel() != LB_ERR)
        list.ClearSelection();
}

// A few listed windows are asked for their icon again, in turn; a window that
// does not answer keeps the icon it showed.
void DIALOG::AskIconsInTurn(MV_LISTBOX& list) {
    if (listed.empty())
        return;
    size_t asks =
        std::max(ICON_ASKS_AT_LEAST, (listed.size() + ICON_ROUND_REFRESHES - 1) / ICON_ROUND_REFRESHES);
    for (size_t ask = 0; ask < asks && ask < listed.size(); ++ask) {
        size_t index = iconTurn++ % listed.size();
        WINDOW_ENTRY* entry = listed[index];
        HICON now = nullptr;
        if (entry == nullptr || !AskWindowIcon(entry->window, now) || now == entry->icon)
            continue;
        entry->icon = now;
        RepaintIcon(list, static_cast<int>(index));
    }
}

HWND DIALOG::SelectedWindow() {
    MV_LISTBOX list(GetItem(IDC_WINDOW_LIST));
    int index = list.GetCurSel();
    if (index == LB_ERR)
        return nullptr;
    WINDOW_ENTRY* entry = EntryAt(list, index);
    return entry ? entry->window : nullptr;
}

// The entries go after the items that named them.
void DIALOG::ClearWindowList() {
    MV_LISTBOX list(GetItem(IDC_WINDOW_LIST));
    listed.clear();
    if (HasEntries(list.GetCount()))
        list.Clear();
    listEntries.Clear();
}

// No exception may leave: the 32-bit build cannot unwind through user32's
// frames. Out of memory, the enumeration stops and the list keeps what it
// found.
BOOL CALLBACK DIALOG::AddVisibleWindowThunk(HWND window, LPARAM self) {
    try {
        return reinterpret_cast<DIALOG*>(self)->AddVisibleWindow(window);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
}

// GetParent answers the owner of a pop-up: most dialogs of other programs.
// Most top-level windows are hidden: their titles are not even read.
bool ListableWindow(HWND window, HWND own, WSTRING& title) {
    if (window == own || !IsWindowShownToUser(window) || GetParent(window) != nullptr)
        return false;
    title = ReadWindowTitleW(window); // no message reaches the window
    return title.Length() != 0 && !title.Equals(L"Program Manager");
}

// Notes each window the list shows; the refresh then compares them with the
// list.
BOOL DIALOG::AddVisibleWindow(HWND window) {
    WSTRING title;
    if (ListableWindow(window, hwnd, title))
        enumerated.push_back(LISTABLE_WINDOW{window, std::move(title)});
    return TRUE;
}

// The window's own icons first, bounded: a hung program must not hold up the
// refresh. Then its class's icons, which are read without asking it.
HICON DIALOG::WindowIcon(HWND window) {
    HICON image = nullptr;
    AskWindowIcon(window, image);
    return image;
}

// False when the window's program is hung (the query timed out, or the system
// calls it hung): its icon is then unknown, and image holds the best guess
// without it. Wine answers no WM_GETICON across processes, at once and
// without a timeout, and reads another process's class icons as null: there
// every window gets the stand-in.
bool DIALOG::AskWindowIcon(HWND window, HICON& image) {
    DWORD_PTR answer = 0;
    SetLastError(ERROR_SUCCESS);
    if (foreign.Send(window, WM_GETICON, ICON_SMALL, 0, ICON_TIMEOUT_MS, answer) && answer != 0) {
        image = reinterpret_cast<HICON>(answer);
        return true;
    }
    bool timedOut = GetLastError() == ERROR_TIMEOUT;
    SetLastError(ERROR_SUCCESS);
    if (foreign.Send(window, WM_GETICON, ICON_BIG, 0, ICON_TIMEOUT_MS, answer) && answer != 0) {
        image = reinterpret_cast<HICON>(answer);
        return true;
    }
    timedOut = timedOut || GetLastError() == ERROR_TIMEOUT;
    image = ClassIcon(window);
    return !timedOut && !SystemCallsHung(window);
}

typedef BOOL(WINAPI* IsHungAppWindowProc)(HWND);

// Asks no message of the window. A thread resting after a timeout is sent no
// query at all; the system calls it hung once it has been silent for five
// seconds (until then its entry may show its class's icon). Loaded by name: a
// system without the call has no hung windows to tell.
bool DIALOG::SystemCallsHung(HWND window) {
    static IsHungAppWindowProc const isHung =
        LibraryProc<IsHungAppWindowProc>(GetModuleHandleA("user32.dll"), "IsHungAppWindow");
    return isHung != nullptr && isHung(window);
}

// Read without asking the window.
HICON DIALOG::ClassIcon(HWND window) {
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
    const WINDOW_ENTRY* entry = listEntries.Find(item.itemData);
    if (entry == nullptr)
        return;
    // The icon's column keeps its own background.
    ENTRY_LAYOUT layout = EntryLayout(nullptr);
    RECT fill = item.rcItem;
    fill.left += layout.icon;
    RECT textRect = item.rcItem;
    textRect.left += layout.textIndent;
    DrawEntryLine(item, entry->icon, layout.icon, entry->title.c_str(), fill, textRect, highlightBrush,
                  windowBrush);
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
    // A cloaked window (visible, yet shown on no screen) may lie over the
    // point: the next one below it there is the one the user sees.
    RECT bounds = {};
    while (target != nullptr && IsWindowVisible(target) && !IsWindowShownToUser(target)) {
        do
            target = GetWindow(target, GW_HWNDNEXT);
        while (target != nullptr &&
               (!IsWindowVisible(target) || !GetWindowRect(target, &bounds) || !PtInRect(&bounds, point)));
    }

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
    const WINDOW_ENTRY* entry = EntryAt(list, index);
    if (entry == nullptr)
        return;
    // A copy: a refresh while the hide waits on the other program may free the entry.
    bool hidden = HideEntryWindow(WINDOW_ENTRY(*entry), GetAsyncKeyState(VK_SHIFT) >= 0);
    RefreshWindowList();
    if (!hidden)
        return;

    if (GetAsyncKeyState(VK_CONTROL) < 0)
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
}
