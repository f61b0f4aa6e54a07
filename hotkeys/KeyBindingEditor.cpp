#include "hotkeys/KeyBindingEditor.h"

#include "foundation/SystemUtilities.h"
#include "framework/ListBox.h"
#include "resources/resource.h"

#include <new>
#include <utility>

HOTKEY_BINDING PendingBinding;

namespace {

int const TIP_WIDTH = 350;

char const TYPING_KEY_REASON[] = "Needs Ctrl or Alt";

// The capture field's own procedure, for every message it does not take.
WNDPROC previousCaptureProc = nullptr;

bool IsHeld(int key) {
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

} // namespace

LRESULT CALLBACK KeyCaptureProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    // A key pressed while Alt is held without Ctrl, and F10, arrive as system
    // keys: Alt combinations could not be entered otherwise.
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (wParam == VK_SHIFT || wParam == VK_CONTROL || wParam == VK_MENU)
            return 0;
        PendingBinding = HOTKEY_BINDING();
        PendingBinding.name = "?";
        PendingBinding.ctrl = IsHeld(VK_CONTROL) ? 1 : 0;
        PendingBinding.shift = IsHeld(VK_SHIFT) ? 1 : 0;
        PendingBinding.alt = IsHeld(VK_MENU) ? 1 : 0;
        PendingBinding.key = static_cast<WORD>(wParam & 0xFF);
        SendMessageA(GetParent(field), WM_COMMAND, IDC_KEY_CAPTURE, 0);
        return 0;
    case WM_LBUTTONUP: SetFocus(field); return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_DEADCHAR:
    case WM_SYSDEADCHAR:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP: return 0;
    default: return CallWindowProcA(previousCaptureProc, field, message, wParam, lParam);
    }
}

MODAL::MODAL(HWND owner, HOTKEY_TABLE& bindings)
    : MV_MODALDIALOG(nullptr, IDD_KEY_BINDINGS, owner, ModuleFromAddress()), table(bindings) {}

MODAL::~MODAL() = default;

INT_PTR MODAL::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return Open();
    case WM_COMMAND: return OnCommand(wParam, lParam);
    case WM_DESTROY: helpPopups.reset(); return 0;
    default: return 0;
    }
}

INT_PTR MODAL::Open() {
    if (table.empty()) {
        ShowMessage("No keys to edit", nullptr, MB_OK);
        EndDialog(hwnd, IDCANCEL);
        return 0;
    }
    HWND field = GetItem(IDC_KEY_CAPTURE);
    previousCaptureProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(KeyCaptureProc)));
    MV_LISTBOX list(GetItem(IDC_BINDING_LIST));
    for (const HOTKEY_BINDING& binding : table)
        list.AddString(binding.name.c_str());
    selected = table.front();
    list.SetCurSel(0);
    OnBindingSelected();
    if (showHelp)
        AddHelpPopups();
    return 0;
}

void MODAL::AddHelpPopups() {
    helpPopups.reset(new (std::nothrow) HELP_POPUPS(instance, hwnd, TIP_WIDTH));
    if (!helpPopups)
        return;
    helpPopups->AddTip(IDC_BINDING_LIST, "List of key assignments");
    helpPopups->AddTip(IDC_CURRENT_BINDING, "The current key assignment of the selected key");
    helpPopups->AddTip(IDC_ASSIGN, "Press this to commit the new key assignment");
    helpPopups->AddTip(IDC_KEY_CAPTURE, "Enter the hot key combinations here");
    helpPopups->AddTip(IDC_COLLISION,
                       "If one key combination is the same as another you will be warned here.");
}

// Compared on the whole wParam, except for the list's selection change: the
// edit control's own notifications carry a code and are not key presses.
INT_PTR MODAL::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == IDC_BINDING_LIST) {
        if (HIWORD(wParam) == LBN_SELCHANGE && reinterpret_cast<HWND>(lParam) == GetItem(IDC_BINDING_LIST))
            OnBindingSelected();
        return 0;
    }
    switch (wParam) {
    case IDOK: OnOk(); return 0;
    case IDCANCEL: EndDialog(hwnd, 0); return 0;
    case IDC_KEY_CAPTURE: OnKeyCaptured(); return 0;
    case IDC_ASSIGN: OnAssign(); return 0;
    default: return 0;
    }
}

// Enter in the capture field is a key to capture, not the end of the dialog.
void MODAL::OnOk() {
    HWND field = GetItem(IDC_KEY_CAPTURE);
    if (GetFocus() == field)
        SendMessageA(field, WM_KEYDOWN, VK_RETURN, 0);
    else
        EndDialog(hwnd, IDOK);
}

void MODAL::OnKeyCaptured() {
    ShowSelectedBinding();
    ShowPendingBinding();
    collisionName = "";
    ShowCollision();
    if (FindCollision())
        ShowCollision();
}

// A combination that would swallow ordinary typing is refused: a beep, the
// reason where a collision shows, and the table as it was.
void MODAL::OnAssign() {
    collisionName = "";
    ShowCollision();
    if (!LeavesTypingAlone(PendingBinding)) {
        MessageBeep(MB_ICONEXCLAMATION);
        SetDlgItemTextA(hwnd, IDC_COLLISION, TYPING_KEY_REASON);
        return;
    }
    if (FindCollision()) {
        SwapBindings();
        ShowCollision(); // emptied by the refresh inside the swap: nothing collides now
    } else {
        AssignBinding();
    }
}

void MODAL::ShowCollision() {
    SetDlgItemTextA(hwnd, IDC_COLLISION, collisionName.c_str());
}

void MODAL::OnBindingSelected() {
    MV_LISTBOX list(GetItem(IDC_BINDING_LIST));
    STRING name = list.GetText(list.GetCurSel());
    for (const HOTKEY_BINDING& binding : table) {
        if (binding.name.Equals(name.c_str())) {
            selected = binding;
            break;
        }
    }
    collisionName = "";
    PendingBinding = selected;
    ShowSelectedBinding();
    ShowPendingBinding();
}

void MODAL::ShowSelectedBinding() {
    SetDlgItemTextA(hwnd, IDC_CURRENT_BINDING, CombinationText(selected).c_str());
}

void MODAL::ShowPendingBinding() {
    SetDlgItemTextA(hwnd, IDC_KEY_CAPTURE, CombinationText(PendingBinding).c_str());
}

bool MODAL::FindCollision() {
    if (SameCombination(PendingBinding, selected))
        return false;
    for (const HOTKEY_BINDING& binding : table) {
        if (SameCombination(binding, PendingBinding) && !SameBinding(binding, selected)) {
            PendingBinding = binding;
            collisionName = binding.name;
            return true;
        }
    }
    return false;
}

void MODAL::RemoveFirst(const HOTKEY_BINDING& binding) {
    for (auto it = table.begin(); it != table.end(); ++it) {
        if (SameBinding(*it, binding)) {
            table.erase(it);
            return;
        }
    }
}

void MODAL::AssignBinding() {
    RemoveFirst(selected);
    PendingBinding.name = selected.name;
    PendingBinding.id = selected.id;
    table.push_back(PendingBinding);
    OnBindingSelected();
}

// PendingBinding holds a copy of the colliding action's binding.
void MODAL::SwapBindings() {
    RemoveFirst(PendingBinding);
    RemoveFirst(selected);
    std::swap(PendingBinding.ctrl, selected.ctrl);
    std::swap(PendingBinding.shift, selected.shift);
    std::swap(PendingBinding.alt, selected.alt);
    std::swap(PendingBinding.key, selected.key);
    table.push_back(PendingBinding);
    table.push_back(selected);
    OnBindingSelected();
}

bool EditKeyBindings(HWND parent, HOTKEY_TABLE& table, bool showHelp) {
    MODAL editor(parent, table);
    editor.showHelp = showHelp ? 1 : 0;
    return editor.RunModal() == IDOK;
}
