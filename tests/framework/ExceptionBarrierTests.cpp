// An exception thrown while a dialog handles a message, in the base's own
// handlers or in the derived class's, stops at the dialog procedure: the
// dialog runs on, the message answers 0, and a trace names it.

#include "ProbeIds.h"

#include "foundation/Diagnostics.h"
#include "framework/ModalDialog.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

UINT const WM_THROW_AND_END = WM_APP + 40;
int const kEnded = 7;

std::vector<std::string> traced;

void Record(const char* line) {
    traced.push_back(line);
}

class THROWING_DIALOG : public MV_MODALDIALOG {
  public:
    THROWING_DIALOG() : MV_MODALDIALOG(nullptr, IDD_PROBE, nullptr, GetModuleHandleA(nullptr)) {}

    // Called by the base's own WM_INITDIALOG handling, outside DialogProc.
    void OnInitDone() override {
        PostMessageA(hwnd, WM_THROW_AND_END, 0, 0);
        throw std::runtime_error("from the base's set-up");
    }

    INT_PTR DialogProc(UINT message, WPARAM, LPARAM) override {
        if (message != WM_THROW_AND_END)
            return 0;
        ++throwsSeen;
        EndDialog(hwnd, kEnded);
        throw 42; // not a std::exception
    }

    int throwsSeen = 0;
};

} // namespace

TEST(ExceptionBarrier, ThrowFromBaseHandlerAndFromDialogProc_DialogRunsOnAndEnds_BothTraced) {
    traced.clear();
    TRACE_LISTENER before = SetTraceListener(Record);
    THROWING_DIALOG dialog;
    int result = dialog.RunModal();
    SetTraceListener(before);

    EXPECT_EQ(kEnded, result);
    EXPECT_EQ(1, dialog.throwsSeen);
    ASSERT_EQ(2u, traced.size());
    EXPECT_NE(std::string::npos, traced[0].find("0x0110")) << traced[0]; // WM_INITDIALOG
    EXPECT_NE(std::string::npos, traced[0].find("from the base's set-up")) << traced[0];
    EXPECT_NE(std::string::npos, traced[1].find("exception at message")) << traced[1];
}
