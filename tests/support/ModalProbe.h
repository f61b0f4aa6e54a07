#pragma once
// A modal dialog of the program that runs a test body inside its own modal
// loop, once it has opened. DIALOG is the program's dialog class (RunModal,
// Handle and a virtual DialogProc); SELF is the probe that derives from this
// and that the body is handed. The derived DialogProc first passes every
// message to ProbeMessage.

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <utility>

UINT const WM_PROBE_RUN = WM_APP + 10; // runs the body, then ends the dialog

template <class SELF, class DIALOG> class MODAL_PROBE : public DIALOG {
  public:
    typedef std::function<void(SELF&)> BODY;

    template <class... ARGS>
    explicit MODAL_PROBE(BODY testBody, ARGS&&... dialogArguments)
        : DIALOG(std::forward<ARGS>(dialogArguments)...), body(std::move(testBody)) {}

    // RunModal's result. A body that never ran, because the dialog did not
    // open, is a test failure: no test passes without its checks.
    int Run(HWND owner = nullptr) {
        int answer = this->RunModal(owner);
        if (body && !ran)
            ADD_FAILURE() << "the probe dialog did not open: its test body never ran";
        return answer;
    }

    // Called for every WM_TIMER the dialog receives.
    std::function<void(WPARAM)> onTimer;

  protected:
    // The probe's own messages (the body's start and the timers); false for
    // any other.
    bool ProbeMessage(UINT message, WPARAM wParam) {
        switch (message) {
        case WM_INITDIALOG: PostMessageA(this->Handle(), WM_PROBE_RUN, 0, 0); return true;
        case WM_PROBE_RUN:
            ran = true;
            if (body)
                body(static_cast<SELF&>(*this));
            if (IsWindow(this->Handle()))
                EndDialog(this->Handle(), 1);
            return true;
        case WM_TIMER:
            if (onTimer)
                onTimer(wParam);
            return true;
        default: return false;
        }
    }

  private:
    BODY body;
    bool ran = false;
};
