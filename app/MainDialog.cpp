#include "app/MainDialog.h"

#include "resources/resource.h"

namespace {

// dwData of a command line forwarded by a second instance.
ULONG_PTR const COPYDATA_COMMAND_LINE = 1;

UINT_PTR const REFRESH_TIMER = 1;
UINT const REFRESH_MS = 1000;

int const LIST_ITEM_HEIGHT = 16;

} // namespace

DIALOG::DIALOG(HINSTANCE module, HWND owner) : MV_TRAYDIALOG("Vaylo", IDD_MAIN, owner, module) {}

// The hotkey table goes with the object; everything on screen went at WM_DESTROY.
DIALOG::~DIALOG() = default;

INT_PTR DIALOG::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: SetUp(); return 0;
    case WM_COPYDATA: OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam)); return 0;
    case WM_DESTROY: TearDown(); return 0;
    case WM_LBUTTONDOWN: BeginDrag(lParam); return 0;
    // The dialog class asks for double clicks: a press soon after the last
    // one arrives as this, and must start a drag just the same.
    case WM_LBUTTONDBLCLK: BeginDrag(lParam); return 0;
    case WM_LBUTTONUP: EndDrag(lParam); return 0;
    case WM_MOUSEMOVE: OnMouseMove(); return 0;
    case WM_DRAWITEM: return OnDrawItem(wParam, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_MEASUREITEM: return OnMeasureItem(wParam, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    case WM_DELETEITEM: return OnDeleteItem(wParam, reinterpret_cast<const DELETEITEMSTRUCT*>(lParam));
    case WM_ENTERMENULOOP: PruneMenu(); return 0;
    case WM_COMMAND: return OnMainCommand(wParam, lParam);
    case WM_HOTKEY: return OnMainCommand(wParam, lParam);
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_ACTIVATE: OnActivate(wParam); return 0;
    default: return 0;
    }
}

// ---------------------------------------------------------------- set-up and tear-down

void DIALOG::SetUp() {
    // LoadCursor hands out the module's shared copy, which must not be destroyed.
    dragCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_CROSSHAIR));
    dragging = false;

    trayMenu.Reset(CreatePopupMenu());
    AppendMenuA(trayMenu.Get(), MF_STRING, IDM_SHOW_WINDOW, "&Show Window Vaylo");
    AppendMenuA(trayMenu.Get(), MF_STRING, IDM_VISIT_WEB_SITE, "&Visit Morvane Utilities");
    AppendMenuA(trayMenu.Get(), MF_STRING, IDM_EXIT, "E&xit");

    // The system's own brushes: borrowed, never deleted.
    windowBrush = GetSysColorBrush(COLOR_WINDOW);
    highlightBrush = GetSysColorBrush(COLOR_HIGHLIGHT);
    menuBrush = GetSysColorBrush(COLOR_MENU);

    LoadHotkeyTable();
    BuildHelpPopups();
    RefreshWindowList();
    // Runs while the window is hidden in the tray too.
    SetTimer(hwnd, REFRESH_TIMER, REFRESH_MS, nullptr);
}

// The base has already removed the tray icon and saved the placement.
void DIALOG::TearDown() {
    UnregisterHotkeyTable();
    DestroyHelpPopups();
    KillTimer(hwnd, REFRESH_TIMER);
    ClearWindowList();
    ReleaseAllHidden(); // every window the menu still holds comes back
    windowBrush = highlightBrush = menuBrush = nullptr;
    dragCursor = nullptr;
}

// ---------------------------------------------------------------- messages

// A second instance forwards "update" or "uninstall" this way: the running
// instance ends, whatever the text. Other dwData values are not ours.
void DIALOG::OnCopyData(const COPYDATASTRUCT* data) {
    if (data != nullptr && data->dwData == COPYDATA_COMMAND_LINE)
        EndDialog(hwnd, 1);
}

void DIALOG::OnMouseMove() {
    if (dragging)
        SetCursor(dragCursor);
}

// Control 0 is a menu: the tray menu's hidden-window items.
INT_PTR DIALOG::OnDrawItem(WPARAM control, const DRAWITEMSTRUCT* item) {
    if (item == nullptr)
        return FALSE;
    if (control == IDC_WINDOW_LIST)
        DrawWindowEntry(*item);
    else
        DrawMenuEntry(*item);
    return TRUE;
}

// The list asks once for every entry it adds.
INT_PTR DIALOG::OnMeasureItem(WPARAM control, MEASUREITEMSTRUCT* item) {
    if (item == nullptr)
        return FALSE;
    if (control == IDC_WINDOW_LIST)
        item->itemHeight = LIST_ITEM_HEIGHT;
    else
        MeasureMenuEntry(*item);
    return TRUE;
}

// The list hands back each entry's data as the entry goes (cleared, deleted,
// or the list destroyed): the one place a WINDOW_ENTRY is freed.
INT_PTR DIALOG::OnDeleteItem(WPARAM control, const DELETEITEMSTRUCT* item) {
    if (item == nullptr || control != IDC_WINDOW_LIST)
        return FALSE;
    delete reinterpret_cast<WINDOW_ENTRY*>(item->itemData);
    return TRUE;
}

// Other timers are the base's or have their own procedure (the drag watch).
void DIALOG::OnTimer(WPARAM timer) {
    if (timer == REFRESH_TIMER)
        RefreshWindowList();
}

void DIALOG::OnActivate(WPARAM state) {
    if (LOWORD(state) != WA_INACTIVE)
        RefreshWindowList();
}

// ---------------------------------------------------------------- commands

// Hidden-window items come first: their ids are a range, not a case. Only the
// list's notifications carry a code; none of them is a command of its own.
INT_PTR DIALOG::OnMainCommand(WPARAM wParam, LPARAM lParam) {
    WORD command = LOWORD(wParam);
    WORD code = HIWORD(wParam);
    if (code == 0 && command >= IDM_FIRST_HIDDEN && command <= IDM_LAST_HIDDEN) {
        RestoreMenuEntry(command);
        return 0;
    }
    if (code != 0 && command != IDC_WINDOW_LIST)
        return 0;
    switch (command) {
    case IDC_WINDOW_LIST: OnListCommand(code, lParam); break;
    case IDC_HIDE_ME: HideMe(); break;
    case IDC_EXIT: EndDialog(hwnd, IDC_EXIT); break;
    case IDC_HOTKEY_HIDE_ACTIVE: HideActiveWindow(); break;
    case IDC_HOTKEY_POPUP_MENU: PopupTrayMenu(); break;
    case IDC_OPTIONS: OpenHotkeyOptions(); break;
    case IDC_VIEW_HIDDEN: OpenHiddenViewer(); break;
    case IDC_ABOUT: OpenAbout(); break;
    case IDM_SHOW_WINDOW: ShowFromTray(); break;
    case IDM_VISIT_WEB_SITE: VisitWebSite(); break;
    case IDM_EXIT: EndDialog(hwnd, IDM_EXIT); break;
    default: break;
    }
    return 0;
}

// Posted, so that the close runs after this command has returned; the base
// decides between hiding to the tray and closing.
void DIALOG::HideMe() {
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
}

// The menu opens at the pointer as on a right click on the tray icon; the
// window that was in front gets the activation back afterwards.
void DIALOG::PopupTrayMenu() {
    HWND front = GetForegroundWindow();
    SendMessageA(hwnd, WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
    if (front != nullptr)
        SetForegroundWindow(front);
}

// As a left click on the tray icon: restores, asking for the password if set.
void DIALOG::ShowFromTray() {
    SendMessageA(hwnd, WM_TRAYNOTIFY, 0, WM_LBUTTONUP);
    SetForegroundWindow(hwnd);
}

void DIALOG::OnListCommand(WORD notification, LPARAM control) {
    if (reinterpret_cast<HWND>(control) == GetItem(IDC_WINDOW_LIST) && notification == LBN_DBLCLK)
        HideSelectedWindow();
}

// ---------------------------------------------------------------- still to come

void DIALOG::LoadHotkeyTable() {}       // hotkeys: LoadHotkeys builds and registers the table
void DIALOG::UnregisterHotkeyTable() {} // hotkeys: UnregisterHotkeys
void DIALOG::BuildHelpPopups() {}       // help popups: tips of the main window's controls
void DIALOG::DestroyHelpPopups() {}     // help popups: destroy the tooltip window, free helpPopups
void DIALOG::VisitWebSite() {}          // link opening: OpenLink with the maker's web site
void DIALOG::OpenHotkeyOptions() {}     // hotkeys: the hotkey options dialog
void DIALOG::OpenHiddenViewer() {}      // hidden windows viewer
void DIALOG::OpenAbout() {}             // About box: instance, this window, its icon
