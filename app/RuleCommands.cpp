// The rules applied by the main window, the context menu of its list's
// entries, and the Rules dialog.

#include "app/MainDialog.h"
#include "app/RulesDialog.h"
#include "framework/ListBox.h"
#include "framework/WindowUtilities.h"
#include "resources/resource.h"

#include <windowsx.h>

namespace {

// The probe before a rule's hide. A program that does not answer is asked
// again at a later look; a resting one costs nothing until its rest is over.
UINT const RULE_PROBE_MS = 200;

// A menu's text shows "&" only doubled.
WSTRING MenuText(const wchar_t* before, const WSTRING& name, const wchar_t* after) {
    WSTRING text(before);
    for (const wchar_t* at = name.c_str(); *at != L'\0'; ++at) {
        if (*at == L'&')
            text.Append(L'&');
        text.Append(*at);
    }
    return text.Append(after);
}

} // namespace

// ---------------------------------------------------------------- the rules applied

// The windows of the last enumeration, which passed the list's filter.
void DIALOG::ApplyRulesToListed() {
    std::vector<HWND> windows;
    windows.reserve(enumerated.size());
    for (const LISTABLE_WINDOW& found : enumerated)
        windows.push_back(found.window);
    ApplyRules(windows, true);
}

void DIALOG::ApplyRules(const std::vector<HWND>& windows, bool listable) {
    if (applyingRules)
        return;
    SCOPED_FLAG<bool> running(applyingRules);
    bool hidden = false;
    for (const RULED_WINDOW& due : rules.Due(windows, listable, hwnd))
        hidden = HideByRule(due) || hidden;
    if (hidden)
        RefreshWindowList();
}

// As a double click on its entry hides it, never without the tray icon (the
// window would have no way back). A hide that did not happen while the
// program answers was refused (an elevated program's window): the window is
// left alone, and its program told of once.
bool DIALOG::HideByRule(const RULED_WINDOW& due) {
    if (trayFailed || !RuleMayTouch(due.window, hwnd))
        return false;
    DWORD_PTR answer = 0;
    if (!foreign.Send(due.window, WM_NULL, 0, 0, RULE_PROBE_MS, answer))
        return false;
    WINDOW_ENTRY entry;
    entry.window = due.window;
    entry.title = ReadWindowTitleW(due.window);
    entry.icon = WindowIcon(due.window);
    if (HideEntryWindow(entry, true, due.minimised, false))
        return true;
    bool denied = false;
    bool answers = foreign.Answers(due.window, &denied);
    if (IsWindow(due.window) && IsWindowVisible(due.window) && (answers || denied) &&
        rules.Refused(due.window))
        TellUnhideable(due.window);
    return false;
}

void DIALOG::TellUnhideable(HWND window) {
    WSTRING text = L"Window Vaylo cannot hide the windows of " +
                   FileNameOf(RULE_ENGINE::ProgramOf(window).c_str()) +
                   L": the program may be running as administrator. Its windows stay as they are.";
    ShowMessage(text, "Window Vaylo", MB_OK | MB_ICONWARNING);
}

// ---------------------------------------------------------------- the context menu

// A right click on an entry selects it first; the keyboard (the menu key,
// Shift+F10) opens the menu beneath the selected entry.
bool DIALOG::ContextMenuPoint(HWND list, LPARAM point, POINT& at) {
    MV_LISTBOX box(list);
    if (point == static_cast<LPARAM>(-1)) {
        RECT item = {};
        int index = box.GetCurSel();
        if (index == LB_ERR || SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(index),
                                            reinterpret_cast<LPARAM>(&item)) == LB_ERR)
            return false;
        at = POINT{item.left, item.bottom};
        ClientToScreen(list, &at);
        return true;
    }
    at = POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    POINT client = at;
    ScreenToClient(list, &client);
    LRESULT hit = SendMessageW(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(client.x, client.y));
    if (HIWORD(hit) != 0)
        return false; // below the last entry
    box.SetCurSel(LOWORD(hit));
    return true;
}

// The menu is answered here (TPM_RETURNCMD); the list may change while it is
// open, so its choice acts on the window it was opened for.
void DIALOG::OnContextMenu(HWND control, LPARAM point) {
    HWND list = GetItem(IDC_WINDOW_LIST);
    POINT at = {};
    if (control != list || list == nullptr || !ContextMenuPoint(list, point, at))
        return;
    HWND window = SelectedWindow();
    if (window == nullptr)
        return;
    rules.Store().Load(); // as stored now
    WSTRING path = RULE_ENGINE::ProgramOf(window);
    bool known = path.Length() != 0;
    DWORD when = known ? rules.Store().When(path.c_str()) : 0;
    WSTRING name = known ? FileNameOf(path.c_str()) : WSTRING(L"this program");
    UINT grey = known ? 0 : MF_GRAYED;

    MENU_HANDLE menu(CreatePopupMenu());
    if (!menu.IsValid())
        return;
    AppendMenuW(menu.Get(), MF_STRING, IDM_RULE_HIDE, L"&Hide");
    SetMenuDefaultItem(menu.Get(), IDM_RULE_HIDE, FALSE);
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.Get(), MF_STRING | grey | ((when & RULE_WHEN_MINIMISED) ? MF_CHECKED : 0),
                IDM_RULE_WHEN_MINIMISED, MenuText(L"Hide ", name, L" When &Minimised").c_str());
    AppendMenuW(menu.Get(), MF_STRING | grey | ((when & RULE_WHEN_OPENED) ? MF_CHECKED : 0),
                IDM_RULE_WHEN_OPENED, MenuText(L"Hide ", name, L" When &Opened").c_str());
    AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.Get(), MF_STRING, IDM_RULES, L"&Rules...");
    SetForegroundWindow(hwnd); // or the menu would not close when clicked elsewhere
    UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd, nullptr));
    PostMessageW(hwnd, WM_NULL, 0, 0); // the menu closes cleanly however it ended
    switch (chosen) {
    case IDM_RULE_HIDE:
        if (SelectedWindow() == window)
            HideSelectedWindow();
        break;
    case IDM_RULE_WHEN_MINIMISED: ToggleRule(path, RULE_WHEN_MINIMISED); break;
    case IDM_RULE_WHEN_OPENED: ToggleRule(path, RULE_WHEN_OPENED); break;
    case IDM_RULES: OpenRules(); break;
    default: break;
    }
}

// Switches one rule of the program; a refused write is told.
void DIALOG::ToggleRule(const WSTRING& path, DWORD when) {
    DWORD error = 0;
    if (!rules.Store().Set(path.c_str(), rules.Store().When(path.c_str()) ^ when, error))
        TellRuleNotSaved(hwnd, path.c_str(), error);
}

void DIALOG::OpenRules() {
    rules.Store().Load();
    RULES dialog(hwnd, instance, rules.Store());
    dialog.RunModal();
}
