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
    case WM_INITDIALOG: SetUp(); break;
    case WM_COPYDATA: OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam)); break;
    case WM_DESTROY: TearDown(); break;
    case WM_LBUTTONDOWN: BeginDrag(lParam); break;
    // The dialog class asks for double clicks: a press soon after the last
    // one arrives as this, and must start a drag just the same.
    case WM_LBUTTONDBLCLK: BeginDrag(lParam); break;
    case WM_LBUTTONUP: EndDrag(lParam); break;
    case WM_MOUSEMOVE: OnMouseMove(); break;
    case WM_DRAWITEM: OnDrawItem(wParam, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); break;
    case WM_MEASUREITEM: OnMeasureItem(wParam, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)); break;
    case WM_ENTERMENULOOP: PruneMenu(); break;
    case WM_COMMAND: OnMainCommand(wParam, lParam); break;
    case WM_HOTKEY: OnMainCommand(wParam, lParam); break;
    case WM_TIMER: RefreshWindowList(); break; // the base keeps its own timer id for itself
    case WM_ACTIVATE: OnActivate(wParam); break;
    }
    return 0;
}

// ---------------------------------------------------------------- set-up and tear-down

void DIALOG::SetUp() {
    // LoadCursor hands out the module's shared copy, which must not be destroyed.
    dragCursor = LoadCursorA(instance, MAKEINTRESOURCEA(IDC_CROSSHAIR));
    dragging = false;

    trayMenu = CreatePopupMenu();
    AppendMenuA(trayMenu, MF_STRING, IDM_SHOW_WINDOW, "&Show Window Vaylo");
    AppendMenuA(trayMenu, MF_STRING, IDM_VISIT_WEB_SITE, "&Visit Morvane Utilities");
    AppendMenuA(trayMenu, MF_STRING, IDM_EXIT, "E&xit");

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
    ReleaseAllHidden(trayMenu); // every window the menu still holds comes back
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

void DIALOG::OnDrawItem(WPARAM control, const DRAWITEMSTRUCT* item) {
    if (item == nullptr)
        return;
    if (control == IDC_WINDOW_LIST)
        DrawWindowEntry(*item);
    else
        DrawMenuEntry(*item);
}

// The list asks once for every entry it adds.
void DIALOG::OnMeasureItem(WPARAM control, MEASUREITEMSTRUCT* item) {
    if (item == nullptr)
        return;
    if (control == IDC_WINDOW_LIST)
        item->itemHeight = LIST_ITEM_HEIGHT;
    else
        MeasureMenuEntry(*item);
}

void DIALOG::OnActivate(WPARAM state) {
    if (LOWORD(state) != WA_INACTIVE)
        RefreshWindowList();
}

// ---------------------------------------------------------------- commands

// The tests run in this order and the first that matches acts. Only the list
// box is compared by its low word: its notifications carry a code above it,
// and none of them may reach the hidden-window items from 4000 up.
INT_PTR DIALOG::OnMainCommand(WPARAM wParam, LPARAM lParam) {
    DWORD command = static_cast<DWORD>(wParam);
    if (command == IDC_HIDE_ME)
        HideMe();
    else if (command == IDC_EXIT)
        EndDialog(hwnd, IDC_EXIT);
    else if (command == IDC_HOTKEY_POPUP_MENU)
        PopupTrayMenu();
    else if (command == IDM_EXIT)
        EndDialog(hwnd, IDM_EXIT);
    else if (command == IDM_SHOW_WINDOW)
        ShowFromTray();
    else if (command == IDM_VISIT_WEB_SITE)
        VisitWebSite();
    else if (LOWORD(command) == IDC_WINDOW_LIST)
        OnListCommand(HIWORD(command), lParam);
    else if (command == IDC_HOTKEY_HIDE_ACTIVE)
        HideActiveWindow();
    else if (command == IDC_OPTIONS)
        OpenHotkeyOptions();
    else if (command == IDC_VIEW_HIDDEN)
        OpenHiddenViewer();
    else if (command >= IDM_FIRST_HIDDEN)
        RestoreMenuEntry(command);
    else if (command == IDC_ABOUT)
        OpenAbout();
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
