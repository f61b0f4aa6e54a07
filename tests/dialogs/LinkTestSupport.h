#pragma once
// Shared by the tests of link opening, the hyperlink control and the About
// box: the hyperlink class registered and COM set up as the program does at
// start-up, and witnesses of what cannot be asked afterwards (the Shift key's
// events, the beeps' trace lines).

#include "support/LinkRecorder.h"
#include "support/Poll.h"
#include "support/Window.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The Shift key's events as the system delivers them to a low-level keyboard
// hook on a thread of its own: true for a press, false for a release.
class KEY_SPY {
  public:
    KEY_SPY();
    KEY_SPY(const KEY_SPY&) = delete;
    KEY_SPY& operator=(const KEY_SPY&) = delete;
    ~KEY_SPY();
    // Waits (bounded) until at least `expected` events have arrived.
    std::vector<bool> ShiftEvents(size_t expected = 0) const;

  private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    std::thread thread;
    std::atomic<DWORD> threadId{0};
    std::atomic<bool> hooked{false};
    mutable std::mutex lock;
    std::vector<bool> events;
};

// Looks at the Shift key's state from a second thread until stopped.
class SHIFT_WATCH {
  public:
    SHIFT_WATCH();
    SHIFT_WATCH(const SHIFT_WATCH&) = delete;
    SHIFT_WATCH& operator=(const SHIFT_WATCH&) = delete;
    ~SHIFT_WATCH() { Stop(); }
    bool Stop(); // whether Shift was ever seen down

  private:
    std::atomic<bool> stop{false};
    std::atomic<bool> seenDown{false};
    std::thread thread;
};

// The program's trace lines (foundation/Diagnostics.h) while the object lives.
class TRACE_LINES {
  public:
    TRACE_LINES();
    TRACE_LINES(const TRACE_LINES&) = delete;
    TRACE_LINES& operator=(const TRACE_LINES&) = delete;
    ~TRACE_LINES();
    int Count(const char* part) const;
};

// A hyperlink control's target, asked with HLM_GETTARGET in the control's
// own thread (called from another, that thread must be taking messages).
std::wstring LinkTarget(HWND link);
// A screen point on the caption's first letters, halfway down the control.
POINT CaptionPoint(HWND link);
