#include "app/BoundedCalls.h"

namespace {

// A program that has not answered for this long is left alone until it is
// over; the system itself calls a window hung after five seconds of silence.
DWORD const REST_MS = 5000;

// Text reads serve the "Hide Active" hotkey: short enough not to be felt.
UINT const TEXT_TIMEOUT_MS = 200;
// The probe before a show request: any live thread answers WM_NULL at once.
UINT const PROBE_TIMEOUT_MS = 200;

// Only "Program Manager" is ever compared; a window claiming a huge length
// must not make us allocate it.
unsigned const TEXT_LIMIT = 255;

// SMTO_BLOCK: nothing else reaches this thread while it waits, so no handler
// of ours runs in the middle of a list rebuild. The timeout bounds the wait.
UINT const SEND_FLAGS = SMTO_ABORTIFHUNG | SMTO_BLOCK;

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
    SetLastError(ERROR_SUCCESS);
    if (SendMessageTimeoutA(window, message, wParam, lParam, SEND_FLAGS, timeoutMs, &answer))
        return true;
    answer = 0;
    // Wine also returns 0, with no error, when the other window answered 0:
    // that window is alive. One that died on the way is no sign either.
    if (GetLastError() != ERROR_SUCCESS && IsWindow(window))
        timedOutAt[thread] = GetTickCount();
    return false;
}

STRING BOUNDED_CALLS::Text(HWND window) {
    STRING text;
    DWORD_PTR length = 0;
    if (!Send(window, WM_GETTEXTLENGTH, 0, 0, TEXT_TIMEOUT_MS, length))
        return text;
    unsigned room = length < TEXT_LIMIT ? static_cast<unsigned>(length) : TEXT_LIMIT;
    text.SetLength(room);
    DWORD_PTR copied = 0;
    if (!Send(window, WM_GETTEXT, room + 1, reinterpret_cast<LPARAM>(text.Buffer()), TEXT_TIMEOUT_MS, copied))
        copied = 0;
    // Never trust the answer beyond the room given, nor past the first zero.
    unsigned count = copied < room ? static_cast<unsigned>(copied) : room;
    text.SetLength(BoundedLength(text.Text(), count));
    return text;
}

bool BOUNDED_CALLS::Answers(HWND window) {
    if (GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId())
        return true;
    DWORD_PTR ignored = 0;
    return Send(window, WM_NULL, 0, 0, PROBE_TIMEOUT_MS, ignored);
}

void BOUNDED_CALLS::ShowEventually(HWND window, int command) {
    if (Answers(window))
        ShowWindow(window, command);
    else
        ShowWindowAsync(window, command);
}
