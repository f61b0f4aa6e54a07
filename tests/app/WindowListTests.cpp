// The visible-window list of the running program, read from outside: which
// windows it shows, how its selection survives the refresh, and that neither
// a hidden main window nor a hung target stops it.

#include "VayloFixture.h"

#include <algorithm>

namespace {

using WindowListTest = VayloTest;

TEST_F(WindowListTest, ShowsExactlyTheWindowsTheFilterAllows) {
    std::wstring titled = Title(L"titled");
    std::wstring owned = Title(L"owned pop-up");
    std::wstring twin = Title(L"twin");
    std::wstring hung = Title(L"hung");
    ASSERT_TRUE(targets.Start({Titled(titled), L"owned:" + owned, L"untitled", Titled(twin), Titled(twin),
                               L"titled:Program Manager", L"titled:program manager", L"titled:Window Vaylo",
                               L"hung:" + hung}));
    NOTEPAD notepad;
    ASSERT_TRUE(notepad.Start());

    // Every window the filter allows, nothing else, as the list settles.
    std::vector<std::wstring> texts;
    bool same = PumpUntil(
        [&] {
            texts = vaylo.ListTexts();
            std::sort(texts.begin(), texts.end());
            return texts == ListableTitles(vaylo.main);
        },
        WAIT_MS);
    EXPECT_TRUE(same);

    EXPECT_EQ(vaylo.Occurrences(titled), 1);
    EXPECT_EQ(vaylo.Occurrences(owned), 0) << "an owned pop-up is not listed";
    EXPECT_EQ(vaylo.Occurrences(L""), 0) << "an untitled window is not listed";
    EXPECT_EQ(vaylo.Occurrences(twin), 2) << "both windows of the same title are listed";
    EXPECT_EQ(vaylo.Occurrences(L"Program Manager"), 0);
    EXPECT_EQ(vaylo.Occurrences(L"program manager"), 1) << "only the exact title is left out";
    EXPECT_EQ(vaylo.Occurrences(hung), 1) << "a hung window is listed under its title";
    EXPECT_EQ(vaylo.Occurrences(TitleOf(notepad.window)), 1);
    // The foreign "Window Vaylo" is listed, the main window itself is not.
    EXPECT_EQ(vaylo.Occurrences(L"Window Vaylo"), 1);
    EXPECT_TRUE(RoundTrip(vaylo.main));
}

TEST_F(WindowListTest, SelectionFollowsTheWindowNotTheIndex) {
    std::wstring beta = Title(L"beta");
    std::wstring gamma = Title(L"gamma");
    ASSERT_TRUE(StartListedTargets({beta, gamma}));
    ASSERT_TRUE(vaylo.SelectEntry(beta));
    int before = vaylo.Selection();

    // A new window that sorts before the selected one shifts it down.
    std::wstring alpha = Title(L"alpha");
    ASSERT_TRUE(more.Start({Titled(alpha)}));
    ASSERT_TRUE(vaylo.WaitListed(alpha));
    EXPECT_EQ(vaylo.SelectedText(), beta);
    EXPECT_EQ(vaylo.Selection(), vaylo.IndexOf(beta));
    EXPECT_EQ(vaylo.IndexOf(beta), before + 1);

    // Once the selected window has gone, nothing is selected.
    PostMessageW(targets.Window(beta), WM_CLOSE, 0, 0);
    ASSERT_TRUE(vaylo.WaitUnlisted(beta));
    EXPECT_TRUE(PumpUntil([&] { return vaylo.Selection() == LB_ERR; }, WAIT_MS));
    EXPECT_EQ(vaylo.Occurrences(gamma), 1);
}

TEST_F(WindowListTest, KeepsRefreshingWhileTheMainWindowIsInTheTray) {
    // "&Hide Me" closes the main window, which goes to the tray.
    ASSERT_TRUE(vaylo.Command(IDC_HIDE_ME));
    ASSERT_TRUE(WaitVisible(vaylo.main, false)) << "the main window did not go to the tray";
    ASSERT_TRUE(vaylo.process.IsRunning());

    std::wstring late = Title(L"late");
    ASSERT_TRUE(targets.Start({Titled(late)}));
    EXPECT_TRUE(vaylo.WaitListed(late));
    PostMessageW(targets.Window(late), WM_CLOSE, 0, 0);
    EXPECT_TRUE(vaylo.WaitUnlisted(late));
    EXPECT_FALSE(IsWindowVisible(vaylo.main));
}

// Hiding a window whose program does not answer must not take the main
// window down with it, nor the refresh, nor the way out.
TEST_F(WindowListTest, HungWindow_HidingItLeavesTheProgramAnswering) {
    std::wstring hung = Title(L"hung");
    ASSERT_TRUE(targets.Start({L"hung:" + hung}));
    ASSERT_TRUE(vaylo.WaitListed(hung));

    ASSERT_TRUE(vaylo.DoubleClickEntry(hung)) << "the double click on a hung window's entry got no answer";
    EXPECT_TRUE(RoundTrip(vaylo.main));

    std::wstring after = Title(L"after");
    ASSERT_TRUE(more.Start({Titled(after)}));
    EXPECT_TRUE(vaylo.WaitListed(after)) << "the list stopped refreshing";
    EXPECT_TRUE(vaylo.Command(IDC_HOTKEY_HIDE_ACTIVE)) << "Hide Active got no answer";

    PostMessageW(vaylo.main, WM_COMMAND, IDC_EXIT, 0);
    EXPECT_TRUE(vaylo.process.WaitForExit(EXIT_TIMEOUT_MS)) << "the way out waited on the hung window";
}

// A program busy for a moment: the hide is refused while it does not answer,
// and done as soon as it answers again, not some seconds later.
TEST_F(WindowListTest, BusyWindow_RefusedWhileBusy_HiddenOnceItAnswersAgain) {
    std::wstring busy = Title(L"busy");
    HWND window = StartListed(busy);
    ASSERT_NE(window, nullptr);

    PostMessageW(window, TARGET_BUSY, 4000, 0);
    ASSERT_TRUE(PumpUntil([&] { return !RoundTrip(window, 50); }));
    ASSERT_TRUE(vaylo.DoubleClickEntry(busy));
    EXPECT_TRUE(IsWindowVisible(window)) << "hidden while its program did not answer";
    EXPECT_TRUE(vaylo.WaitListed(busy));

    ASSERT_TRUE(PumpUntil([&] { return RoundTrip(window); }));
    ASSERT_TRUE(vaylo.DoubleClickEntry(busy));
    EXPECT_TRUE(WaitVisible(window, false)) << "still refused after its program answered again";
    EXPECT_TRUE(vaylo.WaitUnlisted(busy));
}

} // namespace
