// The visible-window list of the running program, read from outside: which
// windows it shows, how its selection survives the refresh, and that neither
// a hidden main window nor a hung target stops it.

#include "VayloFixture.h"

#include <algorithm>
#include <cwchar>

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

// ---------------------------------------------------------------- refresh by changes only

// Refreshes until the list shows what a rebuild from scratch shows; false
// when it never did.
bool ShowsARebuild(const VAYLO& vaylo) {
    return PumpUntil([&] { return vaylo.Refresh() && vaylo.ListTexts() == RebuiltListTexts(vaylo.main); });
}

// Enough windows that the list scrolls, and one of them selected in the
// middle, with the view scrolled away from it.
class ScrolledListTest : public VayloTest {
  protected:
    void SetUp() override {
        VayloTest::SetUp();
        prefix = Title(L"many");
        ASSERT_TRUE(targets.Start({L"many:40:" + prefix}));
        ASSERT_TRUE(vaylo.WaitListed(Numbered(39)));
        ASSERT_TRUE(vaylo.SelectEntry(Numbered(20)));
        ASSERT_TRUE(vaylo.SetTopIndex(vaylo.Selection() - 5));
        top = vaylo.TopIndex();
        ASSERT_GT(top, 0) << "the list does not scroll";
    }
    std::wstring Numbered(int n) const {
        wchar_t number[16];
        std::swprintf(number, 16, L" %04d", n);
        return prefix + number;
    }
    std::wstring prefix;
    int top = 0;
};

TEST_F(ScrolledListTest, UnchangedDesktop_EntriesOrderSelectionAndViewStay) {
    std::vector<std::wstring> texts = vaylo.ListTexts();
    std::vector<HICON> icons;
    for (int index = 0; index < static_cast<int>(texts.size()); ++index)
        icons.push_back(vaylo.EntryIcon(index));
    int selection = vaylo.Selection();

    for (int refresh = 0; refresh < 5; ++refresh)
        ASSERT_TRUE(vaylo.Refresh());
    EXPECT_EQ(vaylo.ListTexts(), texts);
    EXPECT_EQ(vaylo.ListTexts(), RebuiltListTexts(vaylo.main));
    EXPECT_EQ(vaylo.Selection(), selection);
    EXPECT_EQ(vaylo.SelectedText(), Numbered(20));
    EXPECT_EQ(vaylo.TopIndex(), top);
    for (int index = 0; index < static_cast<int>(icons.size()); ++index)
        EXPECT_EQ(vaylo.EntryIcon(index), icons[index]) << "entry " << index;
}

// Windows come, go, hide and change their titles between two refreshes:
// the list then shows what a rebuild shows, the selection stays with its
// window and the view where it was.
TEST_F(ScrolledListTest, WindowsComeGoAndRetitle_ListAsRebuilt_SelectionFollowsItsWindow) {
    // Sorts first: the selected entry moves down one.
    std::wstring first = prefix + L" 0000 arrived";
    ASSERT_TRUE(more.Start({Titled(first), Titled(prefix + L" 0030 arrived")}));
    ShowWindow(targets.Window(Numbered(3)), SW_HIDE);
    PostMessageW(targets.Window(Numbered(5)), WM_CLOSE, 0, 0);
    SetWindowTextW(targets.Window(Numbered(7)), (prefix + L" 0035 renamed").c_str());
    SetWindowTextW(targets.Window(Numbered(31)), (prefix + L" 0001 renamed").c_str());
    ASSERT_TRUE(PumpUntil([&] { return targets.Window(Numbered(5)) == nullptr; }));

    ASSERT_TRUE(ShowsARebuild(vaylo));
    EXPECT_EQ(vaylo.Occurrences(Numbered(3)), 0) << "a hidden window is listed";
    EXPECT_EQ(vaylo.Occurrences(Numbered(5)), 0) << "a closed window is listed";
    EXPECT_EQ(vaylo.Occurrences(Numbered(7)), 0) << "listed under its old title";
    EXPECT_EQ(vaylo.Occurrences(prefix + L" 0035 renamed"), 1);
    EXPECT_EQ(vaylo.Occurrences(first), 1);
    EXPECT_EQ(vaylo.SelectedText(), Numbered(20));
    EXPECT_EQ(vaylo.Selection(), vaylo.IndexOf(Numbered(20)));
    EXPECT_EQ(vaylo.TopIndex(), top);

    // Shown again: back in its place.
    ShowWindow(targets.Window(Numbered(3)), SW_SHOWNOACTIVATE);
    EXPECT_TRUE(ShowsARebuild(vaylo));
    EXPECT_EQ(vaylo.Occurrences(Numbered(3)), 1);
    EXPECT_EQ(vaylo.SelectedText(), Numbered(20));
}

// The selected window's new title sorts elsewhere: its entry moves there
// with the selection and keeps its icon.
TEST_F(WindowListTest, TitleChanges_EntryMovesToItsSortedPlaceStillSelected) {
    std::wstring alpha = Title(L"alpha"), beta = Title(L"beta"), gamma = Title(L"gamma");
    ASSERT_TRUE(StartListedTargets({alpha, beta, gamma}));
    ASSERT_TRUE(vaylo.SelectEntry(beta));
    HICON icon = vaylo.EntryIcon(vaylo.Selection());
    ASSERT_NE(icon, nullptr);

    std::wstring zeta = Title(L"zeta");
    ASSERT_TRUE(SetWindowTextW(targets.Window(beta), zeta.c_str()));
    ASSERT_TRUE(vaylo.WaitListed(zeta));
    EXPECT_EQ(vaylo.Occurrences(beta), 0);
    EXPECT_EQ(vaylo.SelectedText(), zeta);
    EXPECT_EQ(vaylo.IndexOf(zeta), vaylo.IndexOf(gamma) + 1);
    EXPECT_EQ(vaylo.EntryIcon(vaylo.IndexOf(zeta)), icon);
    EXPECT_TRUE(ShowsARebuild(vaylo));
}

// The icon a window shows to other programs: its own small or big icon if it
// answers for them, else its class's small or big icon.
HICON CurrentIcon(HWND window) {
    for (WPARAM kind : {ICON_SMALL, ICON_BIG}) {
        LRESULT answer = 0;
        if (BoundedSend(window, WM_GETICON, kind, 0, &answer) && answer != 0)
            return reinterpret_cast<HICON>(answer);
    }
    if (ULONG_PTR small = GetClassLongPtrW(window, GCLP_HICONSM))
        return reinterpret_cast<HICON>(small);
    return reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICON));
}

// A window that takes another icon shows it within a few refreshes, though
// nothing else about it changed; the other entries keep theirs. Wine shows
// no program another's window icons (WM_GETICON gets no answer across
// processes, class icons read as null): there every entry shows the system's
// stand-in, and nothing can change.
TEST_F(WindowListTest, IconChanges_EntryShowsTheNewIconWithinSeconds) {
    std::wstring changing = Title(L"changing"), steady = Title(L"steady");
    HWND window = StartListed(changing);
    ASSERT_NE(window, nullptr);
    if (CurrentIcon(window) == nullptr)
        GTEST_SKIP() << "this system shows no program the icon of another's window";
    ASSERT_TRUE(more.Start({Titled(steady)})); // another process: its own class
    ASSERT_TRUE(vaylo.WaitListed(steady));
    HICON before = vaylo.EntryIcon(vaylo.IndexOf(changing));
    HICON steadyIcon = vaylo.EntryIcon(vaylo.IndexOf(steady));
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(before, CurrentIcon(window));

    // Posted: it takes the icon after the messages sent to it meanwhile.
    PostMessageW(window, TARGET_ICON, 0, 0);
    HICON now = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (now = CurrentIcon(window)) != before; }))
        << "the window did not take its new icon";

    EXPECT_TRUE(PumpUntil([&] { return vaylo.EntryIcon(vaylo.IndexOf(changing)) == now; }));
    EXPECT_EQ(vaylo.EntryIcon(vaylo.IndexOf(steady)), steadyIcon);
    EXPECT_EQ(vaylo.Occurrences(changing), 1);
}

// Whether this system itself reports a window's new title to other programs
// (Windows does; Wine 8 does not): heard by a hook of this thread.
HWND renameHeardFor = nullptr;
bool renameHeard = false;
void CALLBACK HearRename(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (window == renameHeardFor && object == OBJID_WINDOW && child == CHILDID_SELF)
        renameHeard = true;
}

bool RetitleAndHear(HWND window, const std::wstring& title) {
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                         HearRename, 0, 0, WINEVENT_OUTOFCONTEXT);
    renameHeardFor = window;
    renameHeard = false;
    SetWindowTextW(window, title.c_str());
    PumpFor(300);
    if (hook != nullptr)
        UnhookWinEvent(hook);
    return renameHeard;
}

// Once other programs' shows, hides and renames are seen to arrive as events,
// a quiet desktop is not enumerated each second: a change shows on its event,
// and one that raised none still shows within ten seconds. Wine raises none
// of these events by itself; here another program raises them by hand, as
// Windows would.
TEST_F(WindowListTest, WindowEventsArrive_ChangesShowOnTheirEvent_SilentOnesWithinTenSeconds) {
    std::wstring alpha = Title(L"alpha"), beta = Title(L"beta");
    ASSERT_TRUE(StartListedTargets({alpha, beta}));
    HWND window = targets.Window(beta);
    for (DWORD event : {EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE, EVENT_OBJECT_NAMECHANGE})
        NotifyWinEvent(event, targets.Window(alpha), OBJID_WINDOW, CHILDID_SELF);
    PumpFor(1500); // the look those events made due is over

    std::wstring silent = Title(L"beta silent");
    DWORD start = GetTickCount();
    bool heard = RetitleAndHear(window, silent);
    if (!heard) { // every look skipped until the tenth: nine seconds at least
        EXPECT_FALSE(vaylo.WaitListed(silent, 1, 3000)) << "a quiet desktop was enumerated";
    }
    EXPECT_TRUE(vaylo.WaitListed(silent, 1, 15000));
    if (!heard) {
        EXPECT_GE(GetTickCount() - start, 5000u);
    }

    std::wstring told = Title(L"beta told");
    SetWindowTextW(window, told.c_str());
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_WINDOW, CHILDID_SELF);
    EXPECT_TRUE(vaylo.WaitListed(told, 1, 3000)) << "the rename's event did not bring a look";
    EXPECT_EQ(vaylo.Occurrences(silent), 0);
    EXPECT_TRUE(ShowsARebuild(vaylo));
}

} // namespace
