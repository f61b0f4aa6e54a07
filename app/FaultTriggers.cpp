// Faults on request, for the fault tests: compiled into test builds of the
// program only, never into the release.
//   "Vaylo.Fault.Crash": an access violation that nothing catches, on a
//   thread of its own (the window procedure's own barrier might catch it).
//   "Vaylo.Fault.RefuseMenuItems" (wParam 1 on, 0 off): no hidden-window
//   item can be made, as when the system refuses one. On from the start
//   when the environment has VAYLO_FAULT_REFUSE_MENU_ITEMS (the take-over).
//   "Vaylo.Fault.Terminate": an exception that escapes to std::terminate
//   (wParam 0), or a plain abort (wParam 1).
//   "Vaylo.Fault.RefuseShows" (wParam 1 on, 0 off, 2 access denied): no
//   show or hide can be queued, as when a hung program's posted-message
//   queue is full, or (2) the window's program runs as administrator.

#include "app/MainDialog.h"

#ifdef VAYLO_FAULT_TRIGGERS

#include <cstdlib>
#include <stdexcept>

namespace {

bool refuseMenuItems = GetEnvironmentVariableA("VAYLO_FAULT_REFUSE_MENU_ITEMS", nullptr, 0) > 0;
DWORD refusedShowError = ERROR_SUCCESS;

[[gnu::noinline]] void Throw() {
    throw std::runtime_error("escapes");
}

// Nothing may leave a noexcept function: the exception goes to std::terminate.
void ThrowThroughNoexcept() noexcept {
    Throw();
}

DWORD WINAPI Crash(void*) {
    RaiseException(EXCEPTION_ACCESS_VIOLATION, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    return 0;
}

} // namespace

INT_PTR DIALOG::OnFaultTrigger(UINT message, WPARAM wParam) {
    static UINT const crash = RegisterWindowMessageA("Vaylo.Fault.Crash");
    static UINT const refuse = RegisterWindowMessageA("Vaylo.Fault.RefuseMenuItems");
    static UINT const terminateMessage = RegisterWindowMessageA("Vaylo.Fault.Terminate");
    static UINT const refuseShowsMessage = RegisterWindowMessageA("Vaylo.Fault.RefuseShows");
    if (message == crash && crash != 0) {
        HANDLE thread = CreateThread(nullptr, 0, Crash, nullptr, 0, nullptr);
        if (thread != nullptr)
            CloseHandle(thread);
    }
    if (message == refuse && refuse != 0)
        refuseMenuItems = wParam != 0;
    if (message == terminateMessage && terminateMessage != 0) {
        if (wParam == 0)
            ThrowThroughNoexcept();
        else
            std::abort();
    }
    if (message == refuseShowsMessage && refuseShowsMessage != 0)
        refusedShowError = wParam == 0   ? ERROR_SUCCESS
                           : wParam == 2 ? ERROR_ACCESS_DENIED
                                         : ERROR_NOT_ENOUGH_QUOTA;
    return 0;
}

DWORD RefusedShowError() {
    return refusedShowError;
}

bool DIALOG::RefusingMenuItems() {
    return refuseMenuItems;
}

#endif
