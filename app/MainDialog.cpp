#include "app/MainDialog.h"

#include "dialogs/AboutBox.h"
#include "dialogs/LinkLauncher.h"
#include "framework/Metrics.h"
#include "framework/WindowUtilities.h"
#include "app/HiddenViewer.h"
#include "hotkeys/HotkeyOptions.h"
#include "hotkeys/HotkeyRegistration.h"
#include "resources/resource.h"

#include <cstring>

namespace {

// dwData of a command line forwarded by a second instance.
ULONG_PTR const COPYDATA_COMMAND_LINE = 1;

UINT_PTR const REFRESH_TIMER = 1;
UINT const REFRESH_MS = 1000;
// Soon after the system names windows that were minimised or shown.
UINT_PTR const RULES_TIMER = 4;

// Watches the key of the hotkey last acted on until it is released. A key
// whose release is never seen counts as released once no repeat has arrived
// for longer than any keyboard's delay before it starts repeating.
UINT_PTR const HOTKEY_RELEASE_TIMER = 3;
UINT const HOTKEY_RELEASE_POLL_MS = 50;
DWORD const HOTKEY_REPEAT_GAP_MS = 1000;

// Far more than "uninstall" and its zero: a longer payload is not looked at.
DWORD const FORWARDED_MAX_BYTES = 32;

// ASCII-only: the command words must match under every locale (a Turkish
// locale would not fold "UNINSTALL" to "uninstall").
bool EqualsAsciiNoCase(const char* text, const char* word) {
    for (;; ++text, ++word) {
        char a = *text, b = *word;
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
        if (a == '\0')
            return true;
    }
}

} // namespace

// Only the whole argument text counts: "update now" or "update " is no word.
bool IsCommandWord(const char* argumentText) {
    return argumentText != nullptr &&
           (EqualsAsciiNoCase(argumentText, "update") || EqualsAsciiNoCase(argumentText, "uninstall"));
}

// The text must end exactly at the payload's last byte, as ForwardCommandLine
// sends it: nothing unread may follow the word.
bool IsForwardedCommandWord(const COPYDATASTRUCT* data) {
    if (data == nullptr || data->dwData != COPYDATA_COMMAND_LINE || data->lpData == nullptr ||
        data->cbData == 0 || data->cbData > FORWARDED_MAX_BYTES)
        return false;
    const char* text = static_cast<const char*>(data->lpData);
    return std::memchr(text, '\0', data->cbData) == text + data->cbData - 1 && IsCommandWord(text);
}

DIALOG::DIALOG(HINSTANCE module, HWND owner) : MV_TRAYDIALOG("Vaylo", IDD_MAIN, owner, module) {}

// The hotkey table goes with the object; everything on screen went at WM_DESTROY.
DIALOG::~DIALOG() = default;

INT_PTR DIALOG::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: SetUp(); return 0;
    case WM_COPYDATA: OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam)); return 0;
    case WM_DESTROY: TearDown(); return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(message, wParam, lParam); return 0;
    // The dialog class asks for double clicks: a press soon after the last
    // one arrives as this, and must start a drag just the same.
    case WM_LBUTTONDBLCLK: OnLeftButtonDown(message, wParam, lParam); return 0;
    case WM_LBUTTONUP: OnLeftButtonUp(wParam, lParam); return 0;
    case WM_MOUSEMOVE: OnMouseMove(wParam, lParam); return 0;
    case WM_RBUTTONDOWN: RelayMouse(message, wParam, lParam); return 0;
    case WM_RBUTTONUP: RelayMouse(message, wParam, lParam); return 0;
    case WM_CONTEXTMENU: OnContextMenu(reinterpret_cast<HWND>(wParam), lParam); return 0;
    case WM_DRAWITEM: return OnDrawItem(wParam, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_MEASUREITEM: return OnMeasureItem(wParam, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    // Nothing is freed as the list lets an item go, whoever asked: an entry
    // leaves listEntries only as this program deletes its item.
    case WM_DELETEITEM: return wParam == IDC_WINDOW_LIST;
    case WM_ENTERMENULOOP: PruneMenu(); return 0;
    case WM_COMMAND: return OnMainCommand(wParam, lParam);
    case WM_HOTKEY: return OnHotkey(wParam, lParam);
    case WM_TIMER: OnTimer(wParam); return 0;
    case WM_ACTIVATE: OnActivate(wParam); return 0;
    // The session may end without WM_DESTROY: the held windows come back
    // while their programs can still ask to save. The default answer lets
    // the session end.
    case WM_QUERYENDSESSION: ShowHeldWindows(); return 0;
    case WM_ENDSESSION: OnEndSession(wParam); return 0;
#ifdef VAYLO_FAULT_TRIGGERS
    default: return OnFaultTrigger(message, wParam);
#else
    default: return 0;
#endif
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

    // An elevated instance still hears the shell and a second start.
    for (UINT message : {UINT(WM_COPYDATA), GetTrayMessage(), RegisterWindowMessageA("TaskbarCreated")})
        AllowMessageFromLowerIntegrity(hwnd, message);
    ShowHeldWindowsOnCrash(trayMenu.Get());
    AdoptRecordedWindows();

    LoadHotkeys(*this, hotkeys);
    BuildHelpPopups();
    windowChanges.Start(); // without it, every look enumerates
    rules.Store().Load();
    rules.Start(hwnd, RULES_TIMER);
    RefreshWindowList();
    ApplyRulesToListed();
    // Runs while the window is hidden in the tray too.
    SetTimer(hwnd, REFRESH_TIMER, REFRESH_MS, nullptr);
}

// The base has already removed the tray icon and saved the placement.
void DIALOG::TearDown() {
    UnregisterHotkeys(*this, hotkeys);
    KillTimer(hwnd, HOTKEY_RELEASE_TIMER);
    DestroyHelpPopups();
    KillTimer(hwnd, REFRESH_TIMER);
    windowChanges.Stop();
    rules.Stop();
    ClearWindowList();
    ReleaseAllHidden(); // every window the menu still holds comes back
    ShowHeldWindowsOnCrash(nullptr);
    windowBrush = highlightBrush = menuBrush = nullptr;
    dragCursor = nullptr;
}

// ---------------------------------------------------------------- messages

// A second instance forwards "update" or "uninstall" this way: the running
// instance ends as through Exit. Posted, so that the sender does not wait
// for the shows, nor for a message the way out may show. An elevated instance
// hears this message from programs of lower integrity as well, so any other
// payload is ignored.
void DIALOG::OnCopyData(const COPYDATASTRUCT* data) {
    if (IsForwardedCommandWord(data))
        PostMessageA(hwnd, WM_COMMAND, IDC_EXIT, 0);
}

void DIALOG::OnEndSession(WPARAM ending) {
    if (ending)
        ShowHeldWindows();
}

// Every way out: Exit, a forwarded command word, the close box when the
// window does not go to the tray. Every held window comes back before the
// program ends. One whose show cannot even be queued keeps its item, and the
// program stays to hold it; one whose program runs as administrator never
// will come back from here: it is told of and stays in the record, for a
// start as administrator to hold.
bool DIALOG::EndProgram(INT_PTR code) {
    std::vector<HWND> denied;
    if (!ShowHeldWindows(&denied)) {
        MessageBeep(MB_ICONEXCLAMATION);
        return false;
    }
    for (HWND window : denied)
        TellRunsAsAdministrator(window, ReadWindowTitleW(window), true);
    EndDialog(hwnd, code);
    return true;
}

// A press hides the tip that may show, and may start a drag of the icon.
void DIALOG::OnLeftButtonDown(UINT message, WPARAM keys, LPARAM point) {
    RelayMouse(message, keys, point);
    BeginDrag(point);
}

void DIALOG::OnLeftButtonUp(WPARAM keys, LPARAM point) {
    RelayMouse(WM_LBUTTONUP, keys, point);
    EndDrag(point);
}

// While the icon is dragged the window is hidden: no tip is wanted then.
void DIALOG::OnMouseMove(WPARAM keys, LPARAM point) {
    if (dragging)
        SetCursor(dragCursor);
    else
        RelayMouse(WM_MOUSEMOVE, keys, point);
}

// Control 0 is a menu: the tray menu's hidden-window items. The item data
// of these messages name our entries, and another process can send them, or
// set the list's item data, with any number in it: an entry is read only
// where this program holds it (OwnedEntries.h).
INT_PTR DIALOG::OnDrawItem(WPARAM control, const DRAWITEMSTRUCT* item) {
    if (item == nullptr)
        return FALSE;
    if (control == IDC_WINDOW_LIST) {
        if (ListHolds(*item))
            DrawWindowEntry(*item);
    } else if (MenuHolds(item->itemID, item->itemData)) {
        DrawMenuEntry(*item);
    }
    return TRUE;
}

// The list asks once for every entry it adds; its height reads no entry.
INT_PTR DIALOG::OnMeasureItem(WPARAM control, MEASUREITEMSTRUCT* item) {
    if (item == nullptr)
        return FALSE;
    if (control == IDC_WINDOW_LIST)
        item->itemHeight = static_cast<UINT>(
            EntryLayout(reinterpret_cast<HFONT>(SendMessageA(GetItem(IDC_WINDOW_LIST), WM_GETFONT, 0, 0)))
                .height);
    else if (MenuHolds(item->itemID, item->itemData))
        MeasureMenuEntry(*item);
    return TRUE;
}

// An item that names no entry (an empty list's focus) holds nothing to read.
bool DIALOG::ListHolds(const DRAWITEMSTRUCT& item) const {
    if (item.hwndItem != GetItem(IDC_WINDOW_LIST))
        return false;
    if (item.itemData == 0 || static_cast<int>(item.itemID) < 0)
        return item.itemData == 0;
    return listEntries.Holds(item.itemData);
}

// Other timers are the base's or have their own procedure (the drag watch).
void DIALOG::OnTimer(WPARAM timer) {
    if (timer == REFRESH_TIMER)
        LookAtWindows();
    else if (timer == HOTKEY_RELEASE_TIMER)
        WatchHotkeyRelease();
    else if (timer == RULES_TIMER)
        ApplyRules(rules.TakeEventWindows(), false);
}

// The system repeats a hotkey while its key is held down: one press, one
// action (a held Hide Active would otherwise hide window after window).
INT_PTR DIALOG::OnHotkey(WPARAM id, LPARAM keys) {
    if (heldHotkey.id == id) {
        heldHotkey.lastSeen = GetTickCount();
        return 0;
    }
    heldHotkey.id = id;
    heldHotkey.key = HIWORD(keys);
    heldHotkey.lastSeen = GetTickCount();
    SetTimer(hwnd, HOTKEY_RELEASE_TIMER, HOTKEY_RELEASE_POLL_MS, nullptr);
    return OnMainCommand(id, 0);
}

void DIALOG::WatchHotkeyRelease() {
    bool down = heldHotkey.key != 0 && (GetAsyncKeyState(static_cast<int>(heldHotkey.key)) & 0x8000) != 0;
    if (down && GetTickCount() - heldHotkey.lastSeen <= HOTKEY_REPEAT_GAP_MS)
        return;
    heldHotkey = HELD_HOTKEY();
    KillTimer(hwnd, HOTKEY_RELEASE_TIMER);
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
    case IDC_EXIT: EndProgram(IDC_EXIT); break;
    case IDC_HOTKEY_HIDE_ACTIVE: HideActiveWindow(); break;
    case IDC_HOTKEY_POPUP_MENU: PopupTrayMenu(); break;
    case IDC_OPTIONS: OpenHotkeyOptions(); break;
    case IDC_VIEW_HIDDEN: ShowHiddenViewer(); break;
    case IDC_ABOUT: OpenAbout(); break;
    case IDM_SHOW_WINDOW: ShowFromTray(); break;
    case IDM_VISIT_WEB_SITE: VisitWebSite(); break;
    case IDM_EXIT: EndProgram(IDM_EXIT); break;
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
    if (poppingMenu)
        return;
    SCOPED_FLAG<bool> running(poppingMenu);
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

// The viewer shares this window's bounded calls: a program found hung by
// either is left resting by both.
void DIALOG::ShowHiddenViewer() {
    HIDDEN viewer(hwnd, instance, foreign);
    viewer.RunModal();
}

// ---------------------------------------------------------------- hotkeys

// No hotkey can fire while the options dialog is open; afterwards the table is
// what the dialog stored (an edit it cancelled is forgotten), and the tips
// list it.
void DIALOG::OpenHotkeyOptions() {
    DestroyHelpPopups();
    UnregisterHotkeys(*this, hotkeys);
    HOTKEY options(hwnd, instance, hotkeys);
    options.RunModal();
    LoadHotkeys(*this, hotkeys);
    BuildHelpPopups();
}

// One line per binding, in table order, for the tip of "&Options".
STRING DIALOG::HotkeyLines() const {
    STRING lines("");
    for (const HOTKEY_BINDING& binding : hotkeys)
        lines.Append("\n").Append(binding.name).Append(" ").Append(DescribeBinding(binding));
    return lines;
}

// ---------------------------------------------------------------- About and web site

void DIALOG::VisitWebSite() {
    OpenLink(hwnd, WSTRING(MAKER_WEB_SITE).c_str());
}

void DIALOG::OpenAbout() {
    ABOUT_REQUEST request;
    request.module = instance;
    request.owner = hwnd;
    request.icon = Icon();
    ShowAbout(request);
}
