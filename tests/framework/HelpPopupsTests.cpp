#include "framework/HelpPopups.h"
#include "support/Poll.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

int const TOOL_ID = 100;
UINT_PTR const STAND_IN_TIMER = 77; // in place of the tooltip's own pointer watch

class HelpPopupsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
        InitCommonControlsEx(&controls);
        owner = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "Vaylo tip owner", WS_POPUP | WS_VISIBLE | SS_NOTIFY,
                                100, 100, 200, 120, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
        HWND tool = CreateWindowExA(0, "BUTTON", "tool", WS_CHILD | WS_VISIBLE, 10, 10, 80, 30, owner,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(TOOL_ID)), nullptr, nullptr);
        ASSERT_NE(tool, nullptr);
        popups.reset(new HELP_POPUPS(GetModuleHandleA(nullptr), owner, 300));
        ASSERT_NE(popups->Tooltip(), nullptr);
        ASSERT_TRUE(popups->AddTip(TOOL_ID, "A tip"));
    }
    void TearDown() override {
        popups.reset();
        DestroyWindow(owner);
    }

    // Whether a timer of the hidden tooltip outlives a moment with the pointer
    // at point.
    bool TimerSurvives(POINT point) {
        SetCursorPos(point.x, point.y);
        PumpFor(100);
        SetTimer(popups->Tooltip(), STAND_IN_TIMER, 20, nullptr);
        PumpFor(300);
        return KillTimer(popups->Tooltip(), STAND_IN_TIMER) != FALSE;
    }

    HWND owner = nullptr;
    std::unique_ptr<HELP_POPUPS> popups;
};

// Wine's tooltip can go on watching the pointer after it left; with no tip
// showing and the pointer elsewhere its timers are stopped, over the owner
// they run on (the tip's delay before it shows is one).
TEST_F(HelpPopupsTest, HiddenTip_TimersStopOnlyWhileThePointerIsOffTheOwner) {
    ASSERT_FALSE(IsWindowVisible(popups->Tooltip()));
    RECT area = {};
    GetWindowRect(owner, &area);
    POINT const over = {area.left + 150, area.top + 80}; // the owner, not the tool
    ASSERT_EQ(WindowFromPoint(over), owner);
    EXPECT_TRUE(TimerSurvives(over));
    POINT const away = {area.right + 200, area.bottom + 200};
    ASSERT_NE(WindowFromPoint(away), owner);
    EXPECT_FALSE(TimerSurvives(away));
}

} // namespace
