// The help popups of the real Vaylo.exe, read from outside: the exact tips of
// the main window's and the viewer's controls, the settings that change or
// turn them off, and the picker icon's tip under a resting pointer.

#include "ViewerDesktop.h"
#include "VayloFixture.h"

namespace {

typedef std::vector<std::pair<int, std::wstring>> TIPS;

wchar_t const OPTIONS_TIP[] =
    L"Change the hotkeys used for controling documents or disable these help popups.";
wchar_t const PICKER_TIP[] =
    L"Click and drag the icon over a window or document to select it from the list below.";

TIPS MainTips(const std::wstring& optionsTip) {
    return {{IDC_WINDOW_LIST, L"List of visible top level documents. You can\n"
                              L"Double click an entry to hide and grab it to the menu or\n"
                              L"If you hold the shift key down it hides without getting a menu entry or\n"
                              L"If you hold the control key down it will also hide Vaylo."},
            {IDC_PICKER, PICKER_TIP},
            {IDC_OPTIONS, optionsTip},
            {IDC_ABOUT, L"About Vaylo and Morvane Utilities"},
            {IDC_HIDE_ME, L"Hide Vaylo :-)"},
            {IDC_EXIT, L"Exit Vaylo and release all hidden windows from the menu"},
            {IDC_VIEW_HIDDEN, L"View windows and documents that are hidden"}};
}

TIPS const VIEWER_TIPS = {{IDOK, L"Close this window"},
                          {IDC_HIDDEN_LIST,
                           L"The list of hidden top level windows and documents the are not "
                           L"managed by Vaylo in it's popup menu. To make a window or document "
                           L"visible double click it's entry."}};

// One tooltip, holding exactly these tips.
void ExpectTips(HWND dialog, TIPS expected) {
    std::vector<HWND> tooltips = TooltipsOf(dialog);
    ASSERT_EQ(tooltips.size(), 1u);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(ReadTips(tooltips.front()), expected);
}

void ExpectNoTips(HWND dialog) {
    for (HWND tooltip : TooltipsOf(dialog))
        EXPECT_EQ(ReadTips(tooltip).size(), 0u);
}

HWND HiddenTargetInTheViewer(TARGETS& targets, const std::wstring& title, const VAYLO& vaylo) {
    if (!targets.Start({L"titled:" + title}) || !HideFromOutside(targets.Window(title)))
        return nullptr;
    return OpenViewer(vaylo);
}

using TipsTest = VayloTest;

// With nothing stored the tips are on and Options lists the hotkeys; the
// viewer's tips are still one per control after a double click has filled
// its list again.
TEST_F(TipsTest, ByDefault_EveryControlHasItsTip) {
    ExpectTips(vaylo.main,
               MainTips(OPTIONS_TIP + std::wstring(L"\nCurrent hotkeys are\n"
                                                   L"Hide Active Ctrl+Shft+H\nPopup Menu Ctrl+Shft+M")));
    std::wstring title = Title(L"hidden");
    HWND viewer = HiddenTargetInTheViewer(targets, title, vaylo);
    ASSERT_NE(viewer, nullptr) << "the viewer did not open";
    ExpectTips(viewer, VIEWER_TIPS);
    ASSERT_TRUE(DoubleClickViewerEntry(viewer, targets.Window(title)));
    ASSERT_TRUE(WaitVisible(targets.Window(title), true));
    ExpectTips(viewer, VIEWER_TIPS);
    ASSERT_TRUE(CloseViewer(viewer));
    EXPECT_TRUE(TooltipsOf(viewer).empty());
}

// The setting is stored before Vaylo.exe starts.
class WithoutHotkeysTest : public VayloTest {
  protected:
    WithoutHotkeysTest() { settings.SetDword(nullptr, "UseHotkey", 0); }
};

TEST_F(WithoutHotkeysTest, OptionsTipListsNoHotkeys) {
    ExpectTips(vaylo.main, MainTips(OPTIONS_TIP));
}

class TipsOffTest : public VayloTest {
  protected:
    TipsOffTest() { settings.SetDword(nullptr, "UseHelpPopups", 0); }
};

TEST_F(TipsOffTest, NoControlOfTheMainWindowOrTheViewerHasATip) {
    ExpectNoTips(vaylo.main);
    HWND viewer = HiddenTargetInTheViewer(targets, Title(L"hidden"), vaylo);
    ASSERT_NE(viewer, nullptr) << "the viewer did not open";
    ExpectNoTips(viewer);
    EXPECT_TRUE(CloseViewer(viewer));
}

// The icon lets the mouse through to the main window, which hands the
// pointer's moves on: resting on the icon brings its tip, beside it none.
TEST_F(TipsTest, PickerIcon_TipShowsWhileThePointerRestsOnIt) {
    RECT icon = {};
    ASSERT_TRUE(GetWindowRect(GetDlgItem(vaylo.main, IDC_PICKER), &icon));
    POINT const beside = {icon.left - 8, (icon.top + icon.bottom) / 2};
    POINT const onIcon = {(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
    ASSERT_TRUE(MakeForeground(vaylo.main));
    ASSERT_EQ(WindowFromPoint(beside), vaylo.main);
    ASSERT_EQ(TooltipsOf(vaylo.main).size(), 1u);
    HWND tooltip = TooltipsOf(vaylo.main).front();

    ASSERT_TRUE(MovePointerWithXdotool(beside) && MovePointerWithXdotool(POINT{beside.x, beside.y + 1}));
    EXPECT_FALSE(PumpUntil([&] { return IsWindowVisible(tooltip); }, 1500)) << "a tip shows beside the icon";
    ASSERT_TRUE(MovePointerWithXdotool(onIcon) && MovePointerWithXdotool(POINT{onIcon.x + 1, onIcon.y}));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(tooltip); })) << "no tip on the icon";
    EXPECT_EQ(ShownTip(tooltip), PICKER_TIP);
}

} // namespace
