// Faults on request, for the fault tests: compiled into test builds of the
// program only, never into the release.
//   "Vaylo.Fault.Crash": an access violation that nothing catches, on a
//   thread of its own (the window procedure's own barrier might catch it).
//   "Vaylo.Fault.RefuseMenuItems" (wParam 1 on, 0 off): no hidden-window
//   item can be made, as when the system refuses one.

#include "app/MainDialog.h"

#ifdef VAYLO_FAULT_TRIGGERS

namespace {

bool refuseMenuItems = false;

DWORD WINAPI Crash(void*) {
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    return 0;
}

} // namespace

INT_PTR DIALOG::OnFaultTrigger(UINT message, WPARAM wParam) {
    static UINT const crash = RegisterWindowMessageA("Vaylo.Fault.Crash");
    static UINT const refuse = RegisterWindowMessageA("Vaylo.Fault.RefuseMenuItems");
    if (message == crash && crash != 0) {
        HANDLE thread = CreateThread(nullptr, 0, Crash, nullptr, 0, nullptr);
        if (thread != nullptr)
            CloseHandle(thread);
    }
    if (message == refuse && refuse != 0)
        refuseMenuItems = wParam != 0;
    return 0;
}

bool DIALOG::RefusingMenuItems() {
    return refuseMenuItems;
}

#endif
