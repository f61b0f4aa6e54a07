#include "app/BoundedCalls.h"

namespace {

// A program that has not answered for this long is left alone until it is
// over; the system itself calls a window hung after five seconds of silence.
DWORD const REST_MS = 5000;

// Text reads serve the "Hide Active" hotkey: short enough not to be felt.
UINT const TEXT_TIMEOUT_MS = 200;
// The probe before a show request: any live thread answers WM_NULL at once.
UINT const PROBE_TIMEOUT_MS = 200;
// A live thread carries out a queued show or hide within a few milliseconds;
// a loaded machine gets some room before a hide counts as not done.
DWORD const SHOW_CHECK_MS = 500;

// Only "Program Manager" is ever compared: a longer text only needs to be
// told apart from it.
unsigned const TEXT_LIMIT = 255;

// SMTO_BLOCK: nothing else reaches this thread while it waits, so no handler
// of ours runs in the middle of a list rebuild. The timeout bounds the wait.
UINT const SEND_FLAGS = SMTO_ABORTIFHUNG | SMTO_BLOCK;

// ERROR_SUCCESS once the request is queued; otherwise why it was refused.
DWORD QueueShow(HWND window, int command) {
#ifdef VAYLO_FAULT_TRIGGERS
    if (DWORD refusal = RefusedShowError())
        return refusal;
#endif
    SetLastError(ERROR_SUCCESS);
    if (ShowWindowAsync(window, command))
        return ERROR_SUCCESS;
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_NOT_ENOUGH_QUOTA;
}

} // namespace

bool BOUNDED_CALLS::Resting(DWORD thread) {
    auto found = timedOutAt.find(thread);
    if (found == timedOutAt.end())
        return false;
    if (GetTickCount() - found->second < REST_MS)
        return true;
    timedOutAt.erase(found);
    return false;
}

bool BOUNDED_CALLS::Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs,
                         DWORD_PTR& answer) {
    answer = 0;
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == 0 || Resting(thread))
        return false;
    return SendNow(window, thread, message, wParam, lParam, timeoutMs, answer);
}

bool BOUNDED_CALLS::SendNow(HWND window, DWORD thread, UINT message, WPARAM wParam, LPARAM lParam,
                            UINT timeoutMs, DWORD_PTR& answer) {
    SetLastError(0);
    if (SendMessageTimeoutA(window, message, wParam, lParam, SEND_FLAGS, timeoutMs, &answer))
        return true;
    // Only a timeout says the thread is hung. Wine also fails some sends at
    // once without one (WM_GETICON answered 0 across processes), and a window
    // that died on the way is no sign of a hung thread either.
    if (GetLastError() == ERROR_TIMEOUT)
        timedOutAt[thread] = GetTickCount();
    answer = 0;
    return false;
}

// WM_GETTEXT alone, wide, into a fixed buffer. No WM_GETTEXTLENGTH: the
// buffer needs no sizing, and Wine's narrow WM_GETTEXTLENGTH to another
// process waits for a hung window without any bound.
WSTRING BOUNDED_CALLS::Text(HWND window) {
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == 0 || Resting(thread))
        return WSTRING();
    wchar_t wide[TEXT_LIMIT + 1] = {};
    DWORD_PTR copied = 0;
    SetLastError(0);
    if (!SendMessageTimeoutW(window, WM_GETTEXT, TEXT_LIMIT + 1, reinterpret_cast<LPARAM>(wide), SEND_FLAGS,
                             TEXT_TIMEOUT_MS, &copied)) {
        if (GetLastError() == ERROR_TIMEOUT)
            timedOutAt[thread] = GetTickCount();
        return WSTRING();
    }
    // Never trust the answer beyond the room given, nor past the first zero.
    wide[TEXT_LIMIT] = L'\0';
    return WSTRING(wide);
}

// A fresh probe even for a resting thread: this serves one window the user
// asked for, and a program that was only busy a moment ago can be hidden as
// soon as it answers again. A thread the system already calls hung costs
// nothing here: SMTO_ABORTIFHUNG gives up at once.
bool BOUNDED_CALLS::Answers(HWND window, bool* denied) {
    if (denied != nullptr)
        *denied = false;
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == GetCurrentThreadId())
        return true;
    if (thread == 0)
        return false;
    DWORD_PTR ignored = 0;
    if (!SendNow(window, thread, WM_NULL, 0, 0, PROBE_TIMEOUT_MS, ignored)) {
        if (denied != nullptr)
            *denied = GetLastError() == ERROR_ACCESS_DENIED;
        return false;
    }
    timedOutAt.erase(thread); // it recovered: the list may ask it again
    return true;
}

// A resting thread is not waited for at all: on the way out every held
// window of a hung program gets its request queued, and none holds up the
// next. ShowWindow itself is never called on another program's window: it
// would wait for that window's thread without a bound.
bool BOUNDED_CALLS::ShowEventually(HWND window, int command, bool* denied) {
    if (denied != nullptr)
        *denied = false;
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (thread == 0)
        return false;
    if (thread == GetCurrentThreadId()) {
        ShowWindow(window, command);
        return true;
    }
    DWORD refusal = QueueShow(window, command);
    if (refusal != ERROR_SUCCESS) {
        if (denied != nullptr)
            *denied = refusal == ERROR_ACCESS_DENIED;
        return false;
    }
    if (Resting(thread))
        return false;
    bool visible = command != SW_HIDE;
    DWORD start = GetTickCount();
    while ((IsWindowVisible(window) != FALSE) != visible) {
        if (!IsWindow(window))
            return false;
        if (GetTickCount() - start >= SHOW_CHECK_MS) {
            timedOutAt[thread] = GetTickCount();
            return false;
        }
        Sleep(1);
    }
    return true;
}

std::vector<HWND> BOUNDED_CALLS::QueueShows(const std::vector<HWND>& windows, int command,
                                            std::vector<HWND>* denied) {
    std::vector<HWND> refused;
    std::vector<HWND> pending;
    for (HWND window : windows) {
        DWORD thread = GetWindowThreadProcessId(window, nullptr);
        if (thread == 0)
            continue;
        if (thread == GetCurrentThreadId()) {
            ShowWindow(window, command);
            continue;
        }
        DWORD refusal = QueueShow(window, command);
        if (refusal != ERROR_SUCCESS) {
            refused.push_back(window);
            if (refusal == ERROR_ACCESS_DENIED && denied != nullptr)
                denied->push_back(window);
        } else if (!Resting(thread))
            pending.push_back(window);
    }
    DWORD start = GetTickCount();
    while (!pending.empty()) {
        bool late = GetTickCount() - start >= SHOW_CHECK_MS;
        for (size_t i = pending.size(); i-- > 0;) {
            HWND window = pending[i];
            if (IsWindow(window) && (IsWindowVisible(window) != FALSE) == (command == SW_HIDE)) {
                if (!late)
                    continue;
                DWORD thread = GetWindowThreadProcessId(window, nullptr);
                if (thread != 0)
                    timedOutAt[thread] = GetTickCount();
            }
            pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
        }
        if (!pending.empty())
            Sleep(1);
    }
    return refused;
}

WSTRING RunsAsAdministratorText(const WSTRING& title, bool show) {
    WSTRING text(L"\"");
    text.Append(title).Append(
        show ? L"\" stays hidden: its program runs as administrator, and only Window Vaylo "
               L"started as administrator can show it."
             : L"\" cannot be hidden: its program runs as administrator, and only Window "
               L"Vaylo started as administrator can hide it.");
    return text;
}
