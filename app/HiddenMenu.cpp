// The hidden-window items of the main window's tray menu, and the "Hide
// Active" hotkey that puts the foreground window there.

#include "app/MainDialog.h"
#include "framework/WindowUtilities.h"
#include "foundation/SystemUtilities.h"
#include "framework/ListBox.h"
#include "framework/Metrics.h"
#include "resources/resource.h"

#include <algorithm>
#include <csignal>
#include <new>

namespace {

// Command ids of hidden-window items, process-wide; they cycle through
// 4000..8000 for as long as the process lives.
int nextMenuId = IDM_FIRST_HIDDEN;

unsigned const SHORT_TITLE_LONGEST = 25; // shown whole up to this length
unsigned const SHORT_TITLE_KEPT = 26;    // longer ones keep this much and "..."

// Pixels at 96 DPI: the room an item has above and below its icon or text
// together, and where the title of an item without an icon starts.
int const MENU_ITEM_MARGIN = 2;
int const PLAIN_TEXT_INDENT = 2;

// The entries of the hidden-window items, process-wide like their ids. On
// Windows any program of the desktop can set an item's data through the
// menu's handle (SetMenuItemInfo takes any menu of the session, and an open
// menu hands its handle out as MN_GETHMENU): the data only names an entry,
// which is read where this set holds it, and freed as it leaves the set.
OWNED_ENTRIES<HIDDEN_ENTRY> menuEntries;

HIDDEN_ENTRY* EntryOf(const MENUITEMINFOA& item) {
    return menuEntries.Find(item.dwItemData);
}

bool ReadItem(HMENU menu, UINT item, BOOL byPosition, UINT mask, MENUITEMINFOA& info) {
    info = MENUITEMINFOA{};
    info.cbSize = sizeof info;
    info.fMask = mask;
    return GetMenuItemInfoA(menu, item, byPosition, &info) != FALSE;
}

} // namespace

// UTF-16 units; a surrogate pair is never cut in two.
WSTRING ShortTitle(const WSTRING& title) {
    if (title.Length() <= SHORT_TITLE_LONGEST)
        return title;
    return WSTRING(title.c_str(), WholeUnits(title.c_str(), title.Length(), SHORT_TITLE_KEPT)) + L"...";
}

// ---------------------------------------------------------------- items

// The next id in the cycle that no item of the menu holds now: two items with
// one id would both restore the newer window, and the older would be lost.
// 0 when every id is held.
int DIALOG::MenuIdNotHeld() {
    for (int tries = 0; tries <= IDM_LAST_HIDDEN - IDM_FIRST_HIDDEN; ++tries) {
        int id = nextMenuId;
        nextMenuId = nextMenuId + 1 > IDM_LAST_HIDDEN ? IDM_FIRST_HIDDEN : nextMenuId + 1;
        if (GetMenuState(trayMenu.Get(), id, MF_BYCOMMAND) == static_cast<UINT>(-1))
            return id;
    }
    return 0;
}

// The newest hidden window becomes the menu's first line. The caller hides
// the window itself, after this, and only when an item was made: a hidden
// window without one could not be brought back, nor shown on exit.
int DIALOG::AddMenuEntry(const WINDOW_ENTRY& entry, bool restoreOnRelease) {
    if (!trayMenu.IsValid())
        return 0;
#ifdef VAYLO_FAULT_TRIGGERS
    if (RefusingMenuItems())
        return 0;
#endif
    std::unique_ptr<HIDDEN_ENTRY> hidden(new (std::nothrow) HIDDEN_ENTRY);
    if (hidden == nullptr)
        return 0;
    hidden->title = entry.title;
    hidden->id = MenuIdNotHeld();
    if (hidden->id == 0)
        return 0;
    hidden->window = entry.window;
    hidden->icon = entry.icon;
    hidden->restoreOnRelease = restoreOnRelease;

    WSTRING text = ShortTitle(ReadWindowTitleW(entry.window));
    MENUITEMINFOW item = {};
    item.cbSize = sizeof item;
    // The text as the item's own string: for an owner-drawn item the older
    // MIIM_TYPE form would keep only the pointer, not the text.
    item.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_DATA;
    item.fType = MFT_OWNERDRAW;
    item.wID = static_cast<UINT>(hidden->id);
    item.dwTypeData = text.Buffer() ? text.Buffer() : const_cast<wchar_t*>(L"");
    item.cch = text.Length();
    int id = hidden->id;
    item.dwItemData = menuEntries.Add(std::move(hidden)); // held until TakeMenuEntry
    if (item.dwItemData == 0)
        return 0;
    if (!InsertMenuItemW(trayMenu.Get(), 0, TRUE, &item)) {
        menuEntries.Take(item.dwItemData);
        return 0;
    }
    // The one place a held window is recorded, a rule's hide among them.
    heldRecord.Note(entry.window, entry.title, restoreOnRelease);
    rules.Saw(entry.window); // taken back, it is not new to a rule again
    return id;
}

// Hides the entry's window, with an item unless withItem is false (Shift).
// A program that does not answer is left as it is. One that stops answering
// between the probe and the hide gets a show queued after the hide, so that
// it comes back as soon as it recovers, and keeps no item. false: nothing
// was hidden.
bool DIALOG::HideEntryWindow(const WINDOW_ENTRY& entry, bool withItem, bool restoreOnRelease,
                             bool tellRefusal) {
    HWND target = entry.window;
    bool denied = false;
    if (!foreign.Answers(target, &denied)) {
        if (denied && tellRefusal)
            TellRunsAsAdministrator(target, entry.title, false);
        else if (!denied && IsWindow(target))
            MessageBeep(MB_ICONEXCLAMATION);
        return false;
    }
    int id = withItem ? AddMenuEntry(entry, restoreOnRelease) : 0;
    if (withItem && id == 0) {
        MessageBeep(MB_ICONEXCLAMATION);
        return false;
    }
    if (foreign.ShowEventually(target, SW_HIDE, &denied))
        return true;
    if (id != 0)
        TakeMenuEntry(trayMenu.Get(), static_cast<UINT>(id), false);
    if (!denied)
        ShowWindowAsync(target, SW_SHOW);
    else if (tellRefusal)
        TellRunsAsAdministrator(target, entry.title, false); // it stays as it was
    return false;
}

// Sized for the menu's own font and the system's small icon, whatever the DPI.
void DIALOG::MeasureMenuEntry(MEASUREITEMSTRUCT& item) {
    if (item.CtlType != ODT_MENU)
        return;
    FONT_HANDLE menuFont = MenuFont();
    ENTRY_LAYOUT layout = EntryLayout(menuFont.Get());
    item.itemHeight = static_cast<UINT>(layout.height + ScaledPixels(MENU_ITEM_MARGIN));
    const HIDDEN_ENTRY* entry = menuEntries.Find(item.itemData);
    if (entry == nullptr)
        return;
    WSTRING text = ShortTitle(entry->title);
    WINDOW_DC dc(hwnd);
    if (!dc.Get())
        return;
    HGDIOBJ old = menuFont.Get() ? SelectObject(dc.Get(), menuFont.Get()) : nullptr;
    SIZE extent = {};
    if (GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.Length()), &extent))
        item.itemWidth = static_cast<UINT>(
            extent.cx + (entry->icon != nullptr ? layout.textIndent : ScaledPixels(PLAIN_TEXT_INDENT)));
    if (old)
        SelectObject(dc.Get(), old);
}

// The menu has an item of that id carrying exactly that data, an entry of ours.
bool DIALOG::MenuHolds(UINT id, ULONG_PTR data) const {
    MENUITEMINFOA info;
    return menuEntries.Holds(data) && trayMenu.Get() &&
           ReadItem(trayMenu.Get(), id, FALSE, MIIM_DATA, info) && info.dwItemData == data;
}

void DIALOG::DrawMenuEntry(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_MENU || static_cast<int>(item.itemID) < 0)
        return;
    const HIDDEN_ENTRY* entry = menuEntries.Find(item.itemData);
    if (entry == nullptr)
        return;
    ENTRY_LAYOUT layout = EntryLayout(nullptr);
    RECT fill = item.rcItem;
    RECT textRect = item.rcItem;
    if (entry->icon != nullptr) {
        fill.left += layout.icon;
        textRect.left += layout.textIndent;
    } else {
        textRect.left += ScaledPixels(PLAIN_TEXT_INDENT);
    }
    DrawEntryLine(item, entry->icon, layout.icon, ShortTitle(entry->title).c_str(), fill, textRect,
                  highlightBrush, menuBrush);
}

// ---------------------------------------------------------------- restore, prune, release

// Removes the item and hands its entry to the caller: the one way an entry
// leaves the menu, so it is freed in one place, as the caller's pointer goes,
// and leaves the record. Null, and the menu unchanged, for an item that
// carries no entry.
std::unique_ptr<HIDDEN_ENTRY> DIALOG::TakeMenuEntry(HMENU menu, UINT item, bool byPosition) {
    MENUITEMINFOA info;
    if (menu == nullptr || !ReadItem(menu, item, byPosition, MIIM_FTYPE | MIIM_DATA, info))
        return nullptr;
    std::unique_ptr<HIDDEN_ENTRY> entry = menuEntries.Take(info.dwItemData);
    if (entry == nullptr)
        return nullptr;
    RemoveMenu(menu, item, byPosition ? MF_BYPOSITION : MF_BYCOMMAND);
    heldRecord.Forget(entry->window);
    return entry;
}

// A show that cannot be queued keeps the item, with a beep, or told once
// when the window's program runs as administrator: the window would
// otherwise be hidden with no way back through the menu.
void DIALOG::RestoreMenuEntry(UINT id) {
    MENUITEMINFOA item;
    if (!trayMenu.IsValid() || !ReadItem(trayMenu.Get(), id, FALSE, MIIM_FTYPE | MIIM_DATA, item) ||
        EntryOf(item) == nullptr)
        return;
    HWND window = EntryOf(item)->window;
    std::vector<HWND> denied;
    if (!foreign.QueueShows({window}, SW_SHOW, &denied).empty()) {
        if (denied.empty())
            MessageBeep(MB_ICONEXCLAMATION);
        else
            TellRunsAsAdministrator(window, EntryOf(item)->title, true);
        return;
    }
    if (EntryOf(item)->restoreOnRelease)
        ShowWindowAsync(window, SW_RESTORE); // queued behind the show
    TakeMenuEntry(trayMenu.Get(), id, false);
    ForceForeground(window);
    RefreshWindowList();
}

// Runs as any menu loop of the main window starts, before the menu shows:
// the menu never offers a window that has come back or has gone. Walked from
// the end, so a removal leaves the positions still to visit in place.
void DIALOG::PruneMenu() {
    HMENU menu = trayMenu.Get();
    for (int position = menu ? GetMenuItemCount(menu) - 1 : -1; position >= 0; --position) {
        MENUITEMINFOA item;
        if (!ReadItem(menu, static_cast<UINT>(position), TRUE, MIIM_FTYPE | MIIM_DATA, item))
            continue;
        const HIDDEN_ENTRY* entry = EntryOf(item);
        if (entry == nullptr || (IsWindow(entry->window) && !IsWindowVisible(entry->window)))
            continue;
        TakeMenuEntry(menu, static_cast<UINT>(position), true);
    }
    RefreshWindowList();
}

// Shows every window the menu still holds (not activated) and frees the
// entries; destroying the menu then takes the items and any submenus with it.
// A window whose show could not be queued stays in the record, so that the
// next start holds it again.
void DIALOG::ReleaseAllHidden() {
    if (!trayMenu.IsValid())
        return;
    ShowHeldWindows();
    heldRecord.Close();
    DropHeldItems(trayMenu.Get(), {});
    trayMenu.Reset();
}

// Every show is queued before any is waited for, in menu order, newest
// first. An item whose show could not be queued stays. false when any did
// that may still go through later; the windows of programs running as
// administrator, which will not, go to denied.
bool DIALOG::ShowHeldWindows(std::vector<HWND>* denied) {
    std::vector<HWND> windows, restoring, refusedForGood;
    HeldWindows(trayMenu.Get(), windows, restoring);
    // The set decides what is held, not the items: on Windows another program
    // can point an item at another entry, and the window whose item it was
    // would otherwise never come back.
    menuEntries.ForEach([&windows, &restoring](const HIDDEN_ENTRY& entry) {
        if (std::find(windows.begin(), windows.end(), entry.window) != windows.end())
            return;
        windows.push_back(entry.window);
        if (entry.restoreOnRelease)
            restoring.push_back(entry.window);
    });
    std::vector<HWND> refused = foreign.QueueShows(windows, SW_SHOW, &refusedForGood);
    for (HWND window : restoring)
        if (std::find(refused.begin(), refused.end(), window) == refused.end())
            ShowWindowAsync(window, SW_RESTORE); // queued behind the show
    DropHeldItems(trayMenu.Get(), refused);
    menuEntries.KeepOnly([this, &refused](const HIDDEN_ENTRY& entry) {
        if (std::find(refused.begin(), refused.end(), entry.window) != refused.end())
            return true;
        heldRecord.Forget(entry.window); // shown, though no item named it any more
        return false;
    });
    if (denied != nullptr)
        *denied = refusedForGood;
    return refused.size() == refusedForGood.size();
}

// Told once for each window, the first time it is refused: a beep would say
// nothing of why, and of what would help.
void DIALOG::TellRunsAsAdministrator(HWND window, const WSTRING& title, bool show) {
    if (std::find(toldDenied.begin(), toldDenied.end(), window) != toldDenied.end())
        return;
    toldDenied.push_back(window);
    WSTRING text = RunsAsAdministratorText(title, show);
    if (show)
        text.Append(L" The next such start holds it again.");
    ShowMessage(text, "Window Vaylo", MB_OK | MB_ICONINFORMATION);
}

void DIALOG::HeldWindows(HMENU menu, std::vector<HWND>& windows, std::vector<HWND>& restoring) {
    int count = menu ? GetMenuItemCount(menu) : 0;
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOA item;
        if (!ReadItem(menu, static_cast<UINT>(position), TRUE, MIIM_SUBMENU | MIIM_FTYPE | MIIM_DATA, item))
            continue;
        if (item.hSubMenu != nullptr) {
            HeldWindows(item.hSubMenu, windows, restoring);
        } else if (EntryOf(item) != nullptr) {
            windows.push_back(EntryOf(item)->window);
            if (EntryOf(item)->restoreOnRelease)
                restoring.push_back(EntryOf(item)->window);
        }
    }
}

// Walked from the end, so a removal leaves the positions still to visit in
// place; an item without an entry stays where it is.
void DIALOG::DropHeldItems(HMENU menu, const std::vector<HWND>& kept) {
    for (int position = menu ? GetMenuItemCount(menu) - 1 : -1; position >= 0; --position) {
        MENUITEMINFOA item;
        if (!ReadItem(menu, static_cast<UINT>(position), TRUE, MIIM_SUBMENU | MIIM_FTYPE | MIIM_DATA, item))
            continue;
        if (item.hSubMenu != nullptr)
            DropHeldItems(item.hSubMenu, kept);
        else if (EntryOf(item) != nullptr &&
                 std::find(kept.begin(), kept.end(), EntryOf(item)->window) == kept.end())
            TakeMenuEntry(menu, static_cast<UINT>(position), true);
    }
}

namespace {

// What this program could have hidden: a top-level window (no parent, not a
// child) that is still hidden, of another process, and of the very process
// recorded. A pid can be reused: the process's creation time tells a new one
// apart, where both were read.
bool Adoptable(const RECORDED_WINDOW& recorded) {
    HWND window = recorded.window;
    DWORD processId = 0;
    if (!IsWindow(window) || IsWindowVisible(window) ||
        GetAncestor(window, GA_PARENT) != GetDesktopWindow() ||
        (GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD) != 0 ||
        GetWindowThreadProcessId(window, &processId) == 0 || processId != recorded.processId ||
        processId == GetCurrentProcessId())
        return false;
    ULONGLONG started = recorded.processStarted != 0 ? HELD_RECORD::ProcessStarted(processId) : 0;
    return started == 0 || started == recorded.processStarted;
}

} // namespace

// A start after the program was killed: each window the record names that
// this program could have hidden becomes an item again, as if just hidden;
// the rest leave the record. A window whose item cannot be made is shown at
// once rather than left hidden with no way back; one whose show is refused
// too stays recorded. Each value goes only as its window is settled, so a
// start killed here leaves the rest named. A title that has since become
// empty shows as it was recorded.
void DIALOG::AdoptRecordedWindows() {
    for (const RECORDED_WINDOW& recorded : heldRecord.TakeOver()) {
        if (!Adoptable(recorded)) {
            heldRecord.Settle(recorded, false);
            continue;
        }
        WINDOW_ENTRY entry;
        entry.window = recorded.window;
        entry.title = ReadWindowTitleW(recorded.window);
        if (entry.title.Length() == 0)
            entry.title = recorded.title;
        entry.icon = WindowIcon(recorded.window);
        if (AddMenuEntry(entry, recorded.restoreOnRelease) != 0)
            heldRecord.Settle(recorded, true);
        else if (ShowWindowAsync(recorded.window, recorded.restoreOnRelease ? SW_RESTORE : SW_SHOW))
            heldRecord.Settle(recorded, false);
    }
}

namespace {

HMENU menuShownOnCrash = nullptr;
LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
// Installed once: installed again, the filter would take itself for the one
// before it and call itself without end on a crash.
bool filterInstalled = false;

// Walks the held entries as they are, frees nothing and asks no program
// anything: the process is failing, and the windows only need their show
// requests queued. The entries, not the menu's items, which another program
// could have changed.
void QueueShowOfHeldWindows() {
    menuEntries.ForEach([](const HIDDEN_ENTRY& entry) {
        ShowWindowAsync(entry.window, SW_SHOW);
        if (entry.restoreOnRelease)
            ShowWindowAsync(entry.window, SW_RESTORE);
    });
}

} // namespace

void DIALOG::ShowHeldWindowsOnCrash(HMENU menu) {
    menuShownOnCrash = menu;
    if (menu != nullptr && !filterInstalled)
        previousFilter = SetUnhandledExceptionFilter(ShowHeldWindowsBeforeDying);
    else if (menu == nullptr && filterInstalled)
        SetUnhandledExceptionFilter(previousFilter);
    filterInstalled = menu != nullptr;
    // An abort from anywhere; the runtime's own notice has shown by then.
    std::signal(SIGABRT, menu != nullptr ? ShowHeldWindowsOnAbort : SIG_DFL);
}

// std::terminate and abort end the process without the filter.
void DIALOG::ShowHeldWindowsBeforeAbort() {
    HMENU menu = menuShownOnCrash;
    menuShownOnCrash = nullptr;
    if (menu != nullptr)
        QueueShowOfHeldWindows();
}

void DIALOG::ShowHeldWindowsOnAbort(int) {
    ShowHeldWindowsBeforeAbort();
}

// The system's own handling (an error report, a debugger) follows.
LONG WINAPI DIALOG::ShowHeldWindowsBeforeDying(EXCEPTION_POINTERS* exception) {
    HMENU menu = menuShownOnCrash;
    menuShownOnCrash = nullptr; // a fault in here must not come back to it
    if (menu != nullptr)
        QueueShowOfHeldWindows();
    return previousFilter != nullptr ? previousFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

// ---------------------------------------------------------------- "Hide Active"

// Asks the window itself, as the shell's desktop answers, bounded.
bool DIALOG::IsProgramManager(HWND window) {
    return foreign.Text(window).EqualsNoCase(L"Program Manager");
}

// Only a window the list shows is hidden: not an owned or untitled one.
void DIALOG::HideListedWindow(HWND window) {
    MV_LISTBOX list(GetItem(IDC_WINDOW_LIST));
    int count = list.GetCount();
    for (int index = 0; count != LB_ERR && index < count; ++index) {
        const WINDOW_ENTRY* entry = EntryAt(list, index);
        if (entry == nullptr || entry->window != window)
            continue;
        list.SetCurSel(index);
        // A copy: a refresh while the hide waits on the other program may free the entry.
        if (HideEntryWindow(WINDOW_ENTRY(*entry), true))
            RefreshWindowList();
        return;
    }
}

// Hides the foreground window into the menu and passes the activation on to
// the next visible window below it, also when nothing was hidden.
void DIALOG::HideActiveWindow() {
    if (hidingActive)
        return;
    SCOPED_FLAG<bool> running(hidingActive);
    HWND front = GetForegroundWindow();
    if (front != nullptr && front == hwnd) {
        // Hides the program to the tray, or closes it.
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
    } else {
        if (front != nullptr && IsProgramManager(front))
            return;
        HideListedWindow(front);
    }

    if (CountVisibleWindows(1) == 0)
        return;
    HWND next = front ? GetWindow(front, GW_HWNDNEXT) : nullptr;
    while (next != nullptr && !IsWindowShownToUser(next) && !IsProgramManager(next))
        next = GetWindow(next, GW_HWNDNEXT);
    if (next != nullptr)
        ForceForeground(next);
}

struct DIALOG::VISIBLE_COUNT {
    DIALOG* dialog;
    int count;
    int countUpTo;
};

// No exception may leave: the 32-bit build cannot unwind through user32's
// frames. Out of memory, the window counts as visible.
BOOL CALLBACK DIALOG::CountVisibleStep(HWND window, LPARAM context) {
    VISIBLE_COUNT* counting = reinterpret_cast<VISIBLE_COUNT*>(context);
    try {
        if (IsWindowShownToUser(window) && !counting->dialog->IsProgramManager(window))
            ++counting->count;
    } catch (const std::bad_alloc&) {
        ++counting->count;
    }
    return counting->count < counting->countUpTo;
}

// Owned and untitled windows count, and the main window itself.
int DIALOG::CountVisibleWindows(int countUpTo) {
    VISIBLE_COUNT counting = {this, 0, countUpTo};
    EnumWindows(CountVisibleStep, reinterpret_cast<LPARAM>(&counting));
    return counting.count;
}
