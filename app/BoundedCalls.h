#pragma once
// Calls into other programs' windows that cannot hold up the main window.
// Every message is sent with a short timeout; a thread that lets one run out
// is left alone for a few seconds, so a hung program costs one wait, not one
// per window and per query.

#include "foundation/WideString.h"

#include <windows.h>

#include <map>
#include <vector>

class BOUNDED_CALLS {
  public:
    // The answer in answer; false when the window did not answer in time,
    // its thread is resting after an earlier timeout, or the window is gone.
    bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs, DWORD_PTR& answer);

    // The text the window itself answers to WM_GETTEXT (at most 255 UTF-16
    // units); empty when it does not answer.
    WSTRING Text(HWND window);

    // Whether the window's thread answers now (a window of this thread always
    // does), asked even when it is resting. denied, when given, says whether
    // the system refused the question (ERROR_ACCESS_DENIED: the window's
    // program runs with higher rights).
    bool Answers(HWND window, bool* denied = nullptr);

    // Queues the show or hide to the window's thread, which never waits on
    // it, then gives a live thread a moment to carry it out. true once the
    // window is visible (or hidden, for SW_HIDE); false when it is gone or its
    // thread did not get to it in time: the request then waits in the
    // thread's queue for when it recovers, and the thread rests. false at
    // once when the request could not be queued; denied, when given, says
    // whether that was ERROR_ACCESS_DENIED.
    bool ShowEventually(HWND window, int command, bool* denied = nullptr);

    // Queues every window's show first, then gives the live threads one
    // shared moment to carry them out: ten hung programs cost one wait, not
    // ten. Answers the windows whose request could not even be queued (their
    // thread's posted-message queue is full): they stay as they were. A
    // window that is gone, or whose thread does not get to it in time,
    // counts as done; that thread rests. denied, when given, gets those of
    // the refused whose request met ERROR_ACCESS_DENIED: a program running
    // with higher rights (UIPI), which no retry will get through to.
    std::vector<HWND> QueueShows(const std::vector<HWND>& windows, int command,
                                 std::vector<HWND>* denied = nullptr);

  private:
    bool Resting(DWORD thread);
    // The send itself, resting or not; a timeout starts the thread's rest.
    bool SendNow(HWND window, DWORD thread, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs,
                 DWORD_PTR& answer);

    std::map<DWORD, DWORD> timedOutAt; // thread id -> tick count of its last timeout
};

// What the user is told of a window whose show (show) or hide was refused
// as to a program running as administrator: the title, and what would help.
WSTRING RunsAsAdministratorText(const WSTRING& title, bool show);

#ifdef VAYLO_FAULT_TRIGGERS
// Test builds only: the error every queued show or hide is refused with, as
// by a full queue or by a program running with higher rights; ERROR_SUCCESS
// while none is (FaultTriggers.cpp).
DWORD RefusedShowError();
#endif
