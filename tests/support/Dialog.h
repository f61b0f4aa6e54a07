#pragma once
// Answering dialogs as the user would, from outside their thread (a second
// thread of the test, or another process): every call is bounded, so a hung
// dialog costs a wait, never the run.

#include "support/Window.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

// A click on the button as the mouse gives it (BM_CLICK: a check box
// toggles), posted: nothing waits for its handler.
void ClickButton(HWND dialog, int id);
// Only the button's notification, as its click sends it (WM_COMMAND,
// BN_CLICKED), posted to the dialog: needs neither focus nor activation.
void PressButton(HWND dialog, int id);
bool SetControlText(HWND dialog, int id, const char* text); // WM_SETTEXT
std::wstring ControlText(HWND dialog, int id);              // through the wide call; "" without it
bool IsChecked(HWND dialog, int id);
// The texts of the window's children, each ended by a line break (a message
// box's own text is one of them); through the wide call.
std::wstring ChildTexts(HWND window);
// The system's text for an error, without its full stop and line break.
std::wstring SystemReason(DWORD error);
// Presses Cancel; the ordinal is there for ANSWERER.
void Cancel(HWND dialog, int ordinal = 0);

// Answers, on a second thread, each window the query finds as it opens; the
// script gets the window and its ordinal (1 for the first) and the next is
// looked for once that one has gone or hidden.
class ANSWERER {
  public:
    ANSWERER(const WINDOW_QUERY& query, std::function<void(HWND, int)> script);
    ANSWERER(const ANSWERER&) = delete;
    ANSWERER& operator=(const ANSWERER&) = delete;
    ~ANSWERER() { Stop(); }
    int Stop(); // joins; how many were answered
    int Seen() const { return seen; }

  private:
    const WINDOW_QUERY query;
    const std::function<void(HWND, int)> script;
    std::atomic<bool> stop{false};
    std::atomic<int> seen{0};
    std::thread thread;
};

// Drives one dialog from a second thread while this thread runs it modally:
// waits until the dialog the query finds is shown and hands it to the
// script, then waits until no dialog of the query's owner or process is
// left, closing a stray one with Cancel. A dialog that never opened or was
// left open is a test failure.
class DRIVER {
  public:
    DRIVER(const WINDOW_QUERY& dialog, std::function<void(HWND)> script);
    DRIVER(const DRIVER&) = delete;
    DRIVER& operator=(const DRIVER&) = delete;
    ~DRIVER() { Finish(); }
    bool Finish(); // joins; whether the dialog opened

  private:
    std::atomic<bool> opened{false};
    std::thread thread;
};
