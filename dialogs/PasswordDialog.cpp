#include "dialogs/PasswordDialog.h"

#include "foundation/SystemUtilities.h"
#include "framework/WindowUtilities.h"
#include "resources/resource.h"

#include <cstring>

namespace {

UINT_PTR const kForeignWindowTimer = 1;
UINT const kForeignWindowDelayMs = 1000;

// Posted to itself so the foreground is taken back after the activation
// change in progress has finished, not from inside it.
UINT const WM_RETAKE_FOREGROUND = WM_APP + 0x150;

// At most this many retakes within one burst period; after that the other
// window keeps the foreground until the next activation change.
int const kRetakesPerBurst = 5;
DWORD const kBurstPeriodMs = 2000;

bool SamePassword(const STRING& entered, const STRING& expected) {
    if (!entered.HasBuffer() && !expected.HasBuffer())
        return true;
    if (entered.Length() != expected.Length())
        return false;
    return std::memcmp(entered.c_str(), expected.c_str(), entered.Length()) == 0;
}

} // namespace

PASSWORD_DLG::PASSWORD_DLG(HWND owner, HINSTANCE moduleInstance)
    : MV_MODALDIALOG(nullptr, IDD_PASSWORD, owner, moduleInstance) {}

PASSWORD_DLG::~PASSWORD_DLG() = default;

INT_PTR PASSWORD_DLG::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG: return Open();
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP: return OnActivation();
    case WM_RETAKE_FOREGROUND: return RetakeForeground();
    case WM_TIMER: return MinimiseForeignWindow(wParam);
    case WM_COMMAND: return OnCommand(wParam);
    case WM_DESTROY: return Close();
    default: return 0;
    }
}

INT_PTR PASSWORD_DLG::Open() {
    if (promptIcon)
        SetIcon(promptIcon);
    BringToFront(parent);
    BringToFront(hwnd);
    SetTimer(hwnd, kForeignWindowTimer, kForeignWindowDelayMs, nullptr);
    FocusEntry();
    return 0;
}

// Activation and deactivation alike: the prompt wants to be in front.
INT_PTR PASSWORD_DLG::OnActivation() {
    if (forcing || retakeQueued)
        return 0;
    if (PostMessageA(hwnd, WM_RETAKE_FOREGROUND, 0, 0))
        retakeQueued = 1;
    return 0;
}

INT_PTR PASSWORD_DLG::RetakeForeground() {
    retakeQueued = 0;
    if (forcing)
        return 0;
    if (GetForegroundWindow() != hwnd) {
        DWORD now = GetTickCount();
        if (now - burstStart > kBurstPeriodMs) {
            burstStart = now;
            retakesInBurst = 0;
        }
        if (retakesInBurst >= kRetakesPerBurst)
            return 0;
        ++retakesInBurst;
        BringToFront(hwnd);
    }
    FocusEntry();
    return 0;
}

// One second after opening: a foreign window in front is minimised until the
// prompt closes. Asynchronous, so a hung window cannot stall the prompt.
INT_PTR PASSWORD_DLG::MinimiseForeignWindow(WPARAM timerId) {
    if (timerId != kForeignWindowTimer)
        return 0;
    KillTimer(hwnd, kForeignWindowTimer);
    HWND front = GetForegroundWindow();
    if (!front || front == parent || front == hwnd)
        return 0;
    minimisedWindow = front;
    ShowWindowAsync(front, SW_MINIMIZE);
    BringToFront(parent);
    BringToFront(hwnd);
    ShowWindow(hwnd, SW_SHOW);
    FocusEntry();
    return 0;
}

INT_PTR PASSWORD_DLG::OnCommand(WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED)
        return 0;
    switch (LOWORD(wParam)) {
    case IDOK: {
        STRING typed = EditText(GetItem(IDC_PASSWORD_EDIT));
        if (typed.Length() == 0) { // an empty entry is a Cancel
            EndDialog(hwnd, IDCANCEL);
            return 0;
        }
        enteredPassword = typed;
        EndDialog(hwnd, IDOK);
        return 0;
    }
    case IDCANCEL: EndDialog(hwnd, IDCANCEL); return 0;
    default: return 0;
    }
}

INT_PTR PASSWORD_DLG::Close() {
    KillTimer(hwnd, kForeignWindowTimer);
    if (minimisedWindow && IsWindow(minimisedWindow))
        ShowWindowAsync(minimisedWindow, SW_RESTORE);
    return 0;
}

void PASSWORD_DLG::BringToFront(HWND window) {
    if (!window)
        return;
    forcing = 1;
    ForceForeground(window);
    forcing = 0;
}

void PASSWORD_DLG::FocusEntry() {
    SetFocus(GetItem(IDC_PASSWORD_EDIT));
}

bool AskPassword(HWND owner, const STRING& expected, HICON icon) {
    PASSWORD_DLG prompt(owner, ModuleFromAddress());
    prompt.SetPromptIcon(icon);
    int result = prompt.RunModal();
    if (result == 0 || result == IDCANCEL)
        return false;
    return SamePassword(prompt.EnteredPassword(), expected);
}
