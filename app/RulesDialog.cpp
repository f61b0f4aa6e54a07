#include "app/RulesDialog.h"

#include "framework/UnsavedSettings.h"
#include "resources/resource.h"

RULES::RULES(HWND owner, HINSTANCE moduleInstance, RULE_STORE& rules)
    : MV_MODALDIALOG(nullptr, IDD_RULES, owner, moduleInstance), store(rules) {}

RULES::~RULES() = default;

// WM_VKEYTOITEM is answered as it is: -1 lets the list handle the key, -2
// says it was handled here.
INT_PTR RULES::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: Fill(0); return 0;
    case WM_COMMAND: OnCommand(wParam, lParam); return 0;
    case WM_VKEYTOITEM: return OnListKey(wParam);
    default: return 0;
    }
}

void RULES::OnCommand(WPARAM wParam, LPARAM lParam) {
    WORD command = LOWORD(wParam);
    WORD code = HIWORD(wParam);
    if (command == IDC_RULE_LIST) {
        if (code == LBN_SELCHANGE && reinterpret_cast<HWND>(lParam) == GetItem(IDC_RULE_LIST))
            ShowSelectedPath();
        return;
    }
    switch (command) {
    case IDC_RULE_REMOVE: RemoveSelected(); break;
    case IDCANCEL: EndDialog(hwnd, IDCANCEL); break;
    default: break;
    }
}

INT_PTR RULES::OnListKey(WPARAM wParam) {
    if (LOWORD(wParam) != VK_DELETE)
        return -1;
    RemoveSelected();
    return -2;
}

// The list is filled in the store's order (by file name) and keeps no sort
// of its own, so a line's index is its rule's.
void RULES::Fill(int selection) {
    HWND list = GetItem(IDC_RULE_LIST);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    shown = store.Rules();
    for (const PROGRAM_RULE& rule : shown)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(RuleLine(rule).c_str()));
    int count = static_cast<int>(shown.size());
    if (count > 0)
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selection < count ? selection : count - 1), 0);
    EnableWindow(GetItem(IDC_RULE_REMOVE), count > 0);
    // The focus must not stay on a button that has just been disabled.
    if (count == 0 && GetFocus() == GetItem(IDC_RULE_REMOVE))
        SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetItem(IDCANCEL)), TRUE);
    ShowSelectedPath();
}

void RULES::ShowSelectedPath() {
    LRESULT index = SendMessageW(GetItem(IDC_RULE_LIST), LB_GETCURSEL, 0, 0);
    bool valid = index != LB_ERR && static_cast<size_t>(index) < shown.size();
    SetWindowTextW(GetItem(IDC_RULE_PATH), valid ? shown[static_cast<size_t>(index)].path.c_str() : L"");
}

void RULES::RemoveSelected() {
    LRESULT index = SendMessageW(GetItem(IDC_RULE_LIST), LB_GETCURSEL, 0, 0);
    if (index == LB_ERR || static_cast<size_t>(index) >= shown.size())
        return;
    DWORD error = 0;
    const WSTRING path = shown[static_cast<size_t>(index)].path;
    if (!store.Set(path.c_str(), 0, error))
        TellRuleNotSaved(hwnd, path.c_str(), error);
    Fill(static_cast<int>(index));
}

WSTRING RuleLine(const PROGRAM_RULE& rule) {
    WSTRING line = FileNameOf(rule.path.c_str());
    line.Append(L":");
    if (rule.when & RULE_WHEN_MINIMISED)
        line.Append(L" when minimised");
    if ((rule.when & RULE_KNOWN) == RULE_KNOWN)
        line.Append(L",");
    if (rule.when & RULE_WHEN_OPENED)
        line.Append(L" when opened");
    return line;
}

void TellRuleNotSaved(HWND owner, const wchar_t* path, DWORD error) {
    UNSAVED_SETTINGS unsaved;
    STRING what("Rule for ");
    what.Append(FromWide(FileNameOf(path).c_str()).c_str());
    unsaved.Note(false, what.c_str(), error);
    unsaved.Tell(owner);
}
