// Closing and minimising the main window: the remembered query the first
// times, the notice while going to the tray is stored, the stored "no", and
// every held window shown again when a close ends the program.

#include "TrayDesktop.h"

namespace {

struct MODE {
    const char* setting; // also its subkey
    bool close;          // WM_CLOSE, else SC_MINIMIZE
};

MODE const CLOSE = {"CloseToTray", true};
MODE const MINIMIZE = {"MinimizeToTray", false};

class CloseToTrayTest : public TrayTest, public ::testing::WithParamInterface<MODE> {
  protected:
    const char* Setting() const { return GetParam().setting; }
    std::string Value(const char* suffix) const { return std::string(Setting()) + suffix; }

    // Brings the main window to the front, then closes or minimises it.
    void Trigger(const VAYLO& which) const {
        SetForegroundWindow(which.main);
        WaitForeground(which.main);
        if (GetParam().close)
            PostMessageW(which.main, WM_CLOSE, 0, 0);
        else
            PostMessageW(which.main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    }
    void Trigger() const { Trigger(vaylo); }

    // What happens without the tray: the program ends, or the window is
    // minimised in place.
    bool EndsOrMinimises(VAYLO& which) const {
        if (GetParam().close)
            return which.process.WaitForExit(EXIT_TIMEOUT_MS) && which.process.ExitCode() == 0;
        return PumpUntil([&] { return IsIconic(which.main) && IsWindowVisible(which.main); }, WAIT_MS) &&
               which.process.IsRunning();
    }
    bool InTheTray() const { return WaitVisible(vaylo.main, false) && vaylo.process.IsRunning(); }

    // Back from the tray with a left click on the icon.
    bool Restore() const {
        Tray(WM_LBUTTONUP);
        return WaitVisible(vaylo.main, true) && !IsIconic(vaylo.main);
    }

    // Nothing asked: the first of "dialog shown" and "done" decides.
    bool DoneWithoutDialog(const wchar_t* title, VAYLO& which) const {
        bool done = false;
        PumpUntil(
            [&] {
                if (!FindWindows(ProcessDialog(which.process.Id(), title)).empty())
                    return true;
                done = !which.process.IsRunning() || !IsWindowVisible(which.main) || IsIconic(which.main);
                return done;
            },
            WAIT_MS);
        return done && FindWindows(ProcessDialog(which.process.Id(), title)).empty();
    }

    // A window held in the tray menu while the program ends by a close.
    HWND HoldAWindow() {
        std::wstring held = Title(L"held");
        if (!targets.Start({Titled(held)}) || !vaylo.WaitListed(held) || !vaylo.DoubleClickEntry(held))
            return nullptr;
        HWND window = targets.Window(held);
        return WaitVisible(window, false) ? window : nullptr;
    }

    HWND Query() const { return WaitDialog(QUERY_TITLE); }
    HWND Notice() const { return WaitDialog(NOTICE_TITLE); }
    static bool Tick(HWND dialog) {
        ClickButton(dialog, IDC_DONT_REMIND);
        return PumpUntil([&] { return IsChecked(dialog, IDC_DONT_REMIND); }, WAIT_MS);
    }
};

std::string ModeName(const ::testing::TestParamInfo<MODE>& tested) {
    return tested.param.close ? "Close" : "Minimize";
}

// Yes without the box: to the tray this time, and the question comes again.
// Then No without the box: no tray, still nothing stored but "ask again".
TEST_P(CloseToTrayTest, Query_YesGoesToTheTrayAndAsksAgain_NoDoesNot) {
    HWND held = GetParam().close ? HoldAWindow() : nullptr;
    if (GetParam().close) {
        ASSERT_NE(held, nullptr);
    }

    Trigger();
    HWND query = Query();
    ASSERT_NE(query, nullptr) << "no question";
    EXPECT_EQ(ControlText(query, IDC_REMINDER_TEXT), QUESTION);
    EXPECT_FALSE(IsChecked(query, IDC_DONT_REMIND));
    ClickButton(query, IDYES);
    EXPECT_TRUE(InTheTray());
    EXPECT_EQ(settings.Dword(Setting(), Value("Reminder").c_str()), 1);
    EXPECT_FALSE(settings.Exists(Setting(), Setting()));

    ASSERT_TRUE(Restore());
    Trigger();
    query = Query();
    ASSERT_NE(query, nullptr) << "not asked again";
    ClickButton(query, IDNO);
    EXPECT_TRUE(EndsOrMinimises(vaylo));
    EXPECT_FALSE(settings.Exists(Setting(), Setting()));
    EXPECT_EQ(settings.Dword(Setting(), Value("Reminder").c_str()), 1);
    if (held != nullptr) {
        EXPECT_TRUE(IsWindowVisible(held)) << "a close that ended the program left a window hidden";
    }
}

// No with "Don't remind me again": 0 is stored, and from then on the window
// closes or minimises at once; a held window comes back as the program ends.
TEST_P(CloseToTrayTest, Query_NoWithTheBox_StoresNoAndStopsAsking) {
    Trigger();
    HWND query = Query();
    ASSERT_NE(query, nullptr);
    ASSERT_TRUE(Tick(query));
    ClickButton(query, IDNO);
    ASSERT_TRUE(EndsOrMinimises(vaylo));
    EXPECT_EQ(settings.Dword(Setting(), Setting()), 0);
    EXPECT_EQ(settings.Dword(Setting(), Value("Reminder").c_str()), 0);

    VAYLO again;
    VAYLO& next = GetParam().close ? again : vaylo;
    if (GetParam().close) {
        ASSERT_TRUE(again.Start());
    } else {
        PostMessageW(vaylo.main, WM_SYSCOMMAND, SC_RESTORE, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsIconic(vaylo.main); }, WAIT_MS));
    }
    HWND held = nullptr;
    if (GetParam().close) {
        std::wstring title = Title(L"held");
        ASSERT_TRUE(targets.Start({Titled(title)}));
        ASSERT_TRUE(again.WaitListed(title) && again.DoubleClickEntry(title));
        held = targets.Window(title);
        ASSERT_TRUE(WaitVisible(held, false));
    }
    Trigger(next);
    EXPECT_TRUE(DoneWithoutDialog(QUERY_TITLE, next));
    EXPECT_TRUE(EndsOrMinimises(next));
    if (held != nullptr) {
        EXPECT_TRUE(IsWindowVisible(held));
    }
    again.Exit();
}

// Escape is a No, and the ticked box is still honoured.
TEST_P(CloseToTrayTest, Query_EscapeWithTheBox_CountsAsNoAndIsStored) {
    Trigger();
    HWND query = Query();
    ASSERT_NE(query, nullptr);
    ASSERT_TRUE(Tick(query));
    ASSERT_TRUE(WaitForeground(query));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(EndsOrMinimises(vaylo));
    EXPECT_EQ(settings.Dword(Setting(), Setting()), 0);
    EXPECT_EQ(settings.Dword(Setting(), Value("Reminder").c_str()), 0);
}

// Yes with the box stores 1; from then on the notice comes each time until
// its own box is ticked and OK pressed, and then the window goes quietly.
TEST_P(CloseToTrayTest, StoredYes_ShowsTheNoticeUntilItsBoxIsTickedWithOK) {
    Trigger();
    HWND query = Query();
    ASSERT_NE(query, nullptr);
    ASSERT_TRUE(Tick(query));
    ClickButton(query, IDYES);
    ASSERT_TRUE(InTheTray());
    EXPECT_EQ(settings.Dword(Setting(), Setting()), 1);

    // The notice promises a tray icon: it is there again (the shell lost it
    // meanwhile) before the notice shows.
    ASSERT_TRUE(Restore());
    ASSERT_TRUE(ShellDeleteIcon(vaylo.main));
    Trigger();
    HWND notice = Notice();
    ASSERT_NE(notice, nullptr) << "no notice";
    EXPECT_TRUE(ShellHasIcon(vaylo.main)) << "the notice came before the icon";
    EXPECT_TRUE(Dialogs(QUERY_TITLE).empty());
    EXPECT_FALSE(IsChecked(notice, IDC_DONT_REMIND));
    ClickButton(notice, IDOK);
    EXPECT_TRUE(InTheTray());
    EXPECT_EQ(settings.Dword(Setting(), Value("RunReminder").c_str()), 1);

    ASSERT_TRUE(Restore());
    Trigger();
    notice = Notice();
    ASSERT_NE(notice, nullptr) << "the notice did not come again";
    ASSERT_TRUE(Tick(notice));
    ClickButton(notice, IDOK);
    EXPECT_TRUE(InTheTray());
    EXPECT_EQ(settings.Dword(Setting(), Value("RunReminder").c_str()), 0);

    ASSERT_TRUE(Restore());
    Trigger();
    EXPECT_TRUE(DoneWithoutDialog(NOTICE_TITLE, vaylo));
    EXPECT_TRUE(InTheTray());
}

// Escape closes the notice without storing anything, ticked box or not; the
// window still goes to the tray, and the notice comes again next time.
TEST_P(CloseToTrayTest, Notice_EscapeStoresNothing) {
    settings.SetDword(Setting(), Setting(), 1);
    Trigger();
    HWND notice = Notice();
    ASSERT_NE(notice, nullptr);
    ASSERT_TRUE(Tick(notice));
    ASSERT_TRUE(WaitForeground(notice));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(InTheTray());
    EXPECT_FALSE(settings.Exists(Setting(), Value("RunReminder").c_str()));

    ASSERT_TRUE(Restore());
    Trigger();
    EXPECT_NE(Notice(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Modes, CloseToTrayTest, ::testing::Values(CLOSE, MINIMIZE), ModeName);

// ---- where the window was ----

struct CLOSING {
    const char* name;
    bool toTray; // closed into the tray, then Exit from the tray menu; else a stored No
};

class ClosePlacementTest : public TrayTest, public ::testing::WithParamInterface<CLOSING> {};

// Moved, then closed: the next start opens where the window was, whether the
// close ended the program or the program ended from the tray later.
TEST_P(ClosePlacementTest, MovedThenClosed_TheNextStartOpensThere) {
    POINT was = TopLeft(vaylo.main);
    POINT moved = {was.x == 61 ? 83 : 61, was.y == 47 ? 69 : 47};
    SetWindowPos(vaylo.main, nullptr, moved.x, moved.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(
        PumpUntil([&] { return TopLeft(vaylo.main).x == moved.x && TopLeft(vaylo.main).y == moved.y; }));

    if (GetParam().toTray) {
        HideToTrayQuietly();
        PostMessageW(vaylo.main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitVisible(vaylo.main, false));
        PostMessageW(vaylo.main, WM_COMMAND, IDM_EXIT, 0);
    } else {
        settings.SetDword("CloseToTray", "CloseToTray", 0);
        PostMessageW(vaylo.main, WM_CLOSE, 0, 0);
    }
    ASSERT_TRUE(vaylo.process.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_EQ(moved.x, static_cast<LONG>(settings.Dword("MainWindow", "WPLeft")));
    EXPECT_EQ(moved.y, static_cast<LONG>(settings.Dword("MainWindow", "WPTop")));

    VAYLO again;
    ASSERT_TRUE(again.Start());
    POINT opened = TopLeft(again.main);
    EXPECT_EQ(moved.x, opened.x);
    EXPECT_EQ(moved.y, opened.y);
    again.Exit();
}

INSTANTIATE_TEST_SUITE_P(Closings, ClosePlacementTest,
                         ::testing::Values(CLOSING{"IntoTheTrayThenExit", true}, CLOSING{"StoredNo", false}),
                         [](const ::testing::TestParamInfo<CLOSING>& tested) { return tested.param.name; });

// ---- Ctrl+double-click ----

using CtrlDoubleClickTest = TrayTest;

// The window is hidden first; then the close goes through the question like
// any other close, and Yes sends the program to the tray.
// Ctrl is real input held around the list's double-click notification: a
// real click would make Wine take the key state back from the X server,
// which knows nothing of keys pressed with SendInput.
TEST_F(CtrlDoubleClickTest, HidesTheWindowThenTheProgramGoesToTheTray) {
    std::wstring target = Title(L"target");
    ASSERT_TRUE(targets.Start({Titled(target)}));
    HWND window = targets.Window(target);
    ASSERT_TRUE(vaylo.WaitListed(target));
    HWND query = nullptr;
    ASSERT_TRUE(MakeForeground(vaylo.main));
    {
        // Held until the question shows: the program looks at Ctrl after the hide.
        HELD_KEY ctrl(VK_CONTROL);
        ASSERT_TRUE(ctrl.Down());
        ASSERT_TRUE(vaylo.DoubleClickEntry(target));
        ASSERT_TRUE(WaitVisible(window, false));
        query = WaitDialog(QUERY_TITLE);
    }
    ASSERT_NE(query, nullptr) << "the close after the hide did not ask";
    EXPECT_FALSE(IsWindowVisible(window)) << "the window came back before the program went";
    ClickButton(query, IDYES);
    EXPECT_TRUE(WaitVisible(vaylo.main, false));
    EXPECT_TRUE(vaylo.process.IsRunning());

    // The window is held in the menu, first line.
    HWND menu = vaylo.OpenMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 0));
    EXPECT_TRUE(WaitVisible(window, true));
    EXPECT_FALSE(IsWindowVisible(vaylo.main));
}

} // namespace
