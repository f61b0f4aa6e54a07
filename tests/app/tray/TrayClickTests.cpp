// The tray icon's callback message as the shell sends it, real clicks on the
// icon the shell shows, the "Popup Menu" command, the taskbar coming back and
// a second start while the first instance sits in the tray.

#include "TrayDesktop.h"

#include <cstdlib>

namespace {

std::string MessageName(const ::testing::TestParamInfo<UINT>& tested) {
    switch (tested.param) {
    case WM_LBUTTONUP: return "LeftButtonUp";
    case WM_MBUTTONUP: return "MiddleButtonUp";
    case WM_LBUTTONDBLCLK: return "LeftDoubleClick";
    default: return "Message" + std::to_string(tested.param);
    }
}

// ---- callback messages ----

using TrayClickTest = TrayTest;

TEST_F(TrayClickTest, RightButtonUp_OpensTheMenuAtThePointer) {
    for (POINT pointer : {POINT{300, 200}, POINT{700, 520}}) {
        SCOPED_TRACE(pointer.x);
        SetCursorPos(pointer.x, pointer.y);
        Tray(WM_RBUTTONUP);
        HWND menu = WaitMenuWindow();
        ASSERT_NE(menu, nullptr) << "no menu opened";
        POINT corner = TopLeft(menu);
        EXPECT_TRUE(Near(corner, pointer)) << "menu at " << corner.x << "," << corner.y;
        EXPECT_TRUE(vaylo.CloseMenu(menu));
    }
    EXPECT_TRUE(IsWindowVisible(vaylo.main));
}

class RestoreMessageTest : public TrayTest, public ::testing::WithParamInterface<UINT> {};

TEST_P(RestoreMessageTest, RestoresTheHiddenMainWindowInFront) {
    ASSERT_TRUE(HideMain());
    Tray(GetParam());
    EXPECT_TRUE(WaitVisible(vaylo.main, true));
    EXPECT_TRUE(WaitForeground(vaylo.main));
    EXPECT_FALSE(IsIconic(vaylo.main));
    EXPECT_TRUE(NoMenuWindow());
}

INSTANTIATE_TEST_SUITE_P(Messages, RestoreMessageTest,
                         ::testing::Values(UINT(WM_LBUTTONUP), UINT(WM_MBUTTONUP), UINT(WM_LBUTTONDBLCLK)),
                         MessageName);

// With a password set, anything that tried to restore would show the prompt.
TEST_F(TrayClickTest, MovesAndButtonPresses_StartNothing) {
    ASSERT_TRUE(HideMain());
    UsePassword("Secret7");
    for (UINT message : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDBLCLK})
        Tray(message);
    ASSERT_TRUE(Settled());
    EXPECT_FALSE(IsWindowVisible(vaylo.main));
    EXPECT_TRUE(NoMenuWindow());
    EXPECT_TRUE(Dialogs(PASSWORD_TITLE).empty());

    // The same window does answer a release.
    Tray(WM_LBUTTONUP);
    EXPECT_NE(WaitDialog(PASSWORD_TITLE), nullptr);
}

TEST_F(TrayClickTest, LeftButtonUp_WhileVisible_OnlyBringsItToTheFrontWithoutAPrompt) {
    std::wstring front = Title(L"front");
    ASSERT_TRUE(targets.Start({Titled(front)}));
    UsePassword("Secret7");
    ASSERT_TRUE(MakeForeground(targets.Window(front)));
    // The target's focus events settle first where they can.
    PumpUntil([&] { return GetForegroundWindow() != targets.Window(front); }, 300);

    // Under Wine the target's own late focus events can take the foreground
    // back just after the main window got it; another click brings it in
    // front again, and never asks for the password either.
    bool inFront = false;
    for (int click = 0; click < 3 && !inFront; ++click) {
        Tray(WM_LBUTTONUP);
        inFront = WaitForeground(vaylo.main, 3000) &&
                  !PumpUntil([&] { return GetForegroundWindow() != vaylo.main; }, 500);
        EXPECT_TRUE(Dialogs(PASSWORD_TITLE).empty());
    }
    EXPECT_TRUE(inFront);
    ASSERT_TRUE(Settled());
    EXPECT_TRUE(Dialogs(PASSWORD_TITLE).empty());
    EXPECT_TRUE(IsWindowVisible(vaylo.main));
}

// ---- "Popup Menu" ----

// The hotkey and the command open the same menu at the pointer: hidden
// windows newest first above the fixed items; Escape gives the foreground
// back to the window that had it.
TEST_F(TrayClickTest, PopupMenuCommand_ListsHiddenWindowsAndChoosingOneRestoresIt) {
    std::wstring a = Title(L"A"), b = Title(L"B"), front = Title(L"front");
    ASSERT_TRUE(targets.Start({Titled(a), Titled(b), Titled(front)}));
    HWND windowA = targets.Window(a), windowB = targets.Window(b), frontWindow = targets.Window(front);
    ASSERT_TRUE(vaylo.WaitListed(a) && vaylo.WaitListed(b));
    POINT pointer = {640, 120};
    SetCursorPos(pointer.x, pointer.y);

    ASSERT_TRUE(MakeForeground(frontWindow));
    PostMessageW(vaylo.main, WM_COMMAND, IDC_HOTKEY_POPUP_MENU, 0);
    HWND menu = WaitMenuWindow();
    ASSERT_NE(menu, nullptr);
    int emptyHeight = Height(menu);
    EXPECT_TRUE(Near(TopLeft(menu), pointer));
    ASSERT_TRUE(vaylo.CloseMenu(menu));
    EXPECT_TRUE(WaitForeground(frontWindow)) << "the window in front did not get the foreground back";

    ASSERT_TRUE(vaylo.DoubleClickEntry(a));
    ASSERT_TRUE(vaylo.DoubleClickEntry(b));
    ASSERT_TRUE(WaitVisible(windowA, false) && WaitVisible(windowB, false));

    // The hotkey: B (newest), A, then the three fixed items. The second line is A.
    PostMessageW(vaylo.main, WM_HOTKEY, IDC_HOTKEY_POPUP_MENU, MAKELPARAM(MOD_CONTROL | MOD_SHIFT, 'M'));
    menu = WaitMenuWindow();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(Near(TopLeft(menu), pointer));
    EXPECT_EQ(VAYLO::HiddenItems(menu, emptyHeight), 2);
    ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 1));
    EXPECT_TRUE(WaitVisible(windowA, true));
    EXPECT_TRUE(WaitForeground(windowA));
    EXPECT_FALSE(IsWindowVisible(windowB));

    // The command while the main window is in the tray: it stays there.
    // Under Wine the activation leaves the hidden main window a moment later,
    // which may close a menu that opened meanwhile, sometimes before a poll
    // has seen it: nothing is chosen then, and the command opens the menu
    // again.
    ASSERT_TRUE(HideMain());
    bool chosen = false;
    for (int attempt = 0; attempt < 5 && !chosen; ++attempt) {
        PostMessageW(vaylo.main, WM_COMMAND, IDC_HOTKEY_POPUP_MENU, 0);
        menu = WaitMenuWindow();
        if (menu == nullptr) {
            ASSERT_TRUE(Settled() && !IsWindowVisible(windowB)) << "no menu, and the program did not settle";
            continue;
        }
        int items = VAYLO::HiddenItems(menu, emptyHeight);
        chosen = vaylo.ChooseMenuItem(menu, 0);
        if (chosen)
            EXPECT_EQ(items, 1);
        else
            ASSERT_TRUE(NoMenuWindow() && !IsWindowVisible(windowB)) << "the menu stayed open, or chose";
    }
    ASSERT_TRUE(chosen);
    EXPECT_TRUE(WaitVisible(windowB, true));
    ASSERT_TRUE(Settled());
    EXPECT_FALSE(IsWindowVisible(vaylo.main));
}

// ---- the shell's icon ----

// Explorer restarting loses every icon and broadcasts "TaskbarCreated": the
// icon comes back with its tip and real clicks on it work, even while the
// main window waits hidden in the tray.
TEST_F(TrayClickTest, TaskbarCreated_AddsTheIconAgainAndItAnswersRealClicks) {
    HWND icon = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (icon = TrayIconWithTip(L"Window Vaylo")) != nullptr; }, WAIT_MS))
        << "the shell shows no icon with the tip \"Window Vaylo\"";
    ASSERT_TRUE(HideMain());

    ASSERT_TRUE(ShellDeleteIcon(vaylo.main));
    ASSERT_FALSE(ShellHasIcon(vaylo.main));
    ASSERT_TRUE(PumpUntil([] { return TrayIconWithTip(L"Window Vaylo") == nullptr; }, WAIT_MS));

    UINT taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    BoundedSend(HWND_BROADCAST, taskbarCreated, 0, 0, nullptr, 5000);
    EXPECT_TRUE(PumpUntil([&] { return ShellHasIcon(vaylo.main); }, WAIT_MS));
    ASSERT_TRUE(PumpUntil([&] { return (icon = TrayIconWithTip(L"Window Vaylo")) != nullptr; }, WAIT_MS))
        << "the icon did not come back with its tip";

    ClickAt(Centre(icon));
    EXPECT_TRUE(WaitVisible(vaylo.main, true)) << "a left click on the icon did not restore the window";

    POINT at = Centre(icon);
    ClickAt(at, true);
    HWND menu = WaitMenuWindow();
    ASSERT_NE(menu, nullptr) << "a right click on the icon opened no menu";
    EXPECT_TRUE(Near(TopLeft(menu), at));
    EXPECT_TRUE(vaylo.CloseMenu(menu));
}

// ---- a second start ----

struct SECOND_START {
    const char* name;
    const char* password; // null: no password asked
    const wchar_t* typed;
    bool restored;
};

class SecondStartTest : public TrayTest, public ::testing::WithParamInterface<SECOND_START> {};

// The second process hands over to the first as a left click on its icon
// would, password included, and ends.
TEST_P(SecondStartTest, WhileHiddenInTheTray_RestoresThroughTheLeftClick) {
    ASSERT_TRUE(HideMain());
    if (GetParam().password != nullptr)
        UsePassword(GetParam().password);

    CHILD_PROCESS second;
    ASSERT_TRUE(StartVaylo(second, ""));
    if (GetParam().password != nullptr) {
        HWND prompt = WaitDialog(PASSWORD_TITLE);
        ASSERT_NE(prompt, nullptr) << "no password prompt";
        ASSERT_TRUE(WaitForeground(prompt));
        TypeText(GetParam().typed);
        PressKey(VK_RETURN);
        EXPECT_TRUE(WaitNoDialog(PASSWORD_TITLE));
    }
    EXPECT_TRUE(second.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_EQ(second.ExitCode(), 0u);
    if (GetParam().restored) {
        EXPECT_TRUE(WaitVisible(vaylo.main, true));
    } else {
        ASSERT_TRUE(Settled());
        EXPECT_FALSE(IsWindowVisible(vaylo.main));
    }
    EXPECT_EQ(MainWindowsOfAnyProcess().size(), 1u);
    EXPECT_TRUE(vaylo.process.IsRunning());
}

INSTANTIATE_TEST_SUITE_P(Passwords, SecondStartTest,
                         ::testing::Values(SECOND_START{"NoPassword", nullptr, L"", true},
                                           SECOND_START{"RightPassword", "Secret7", L"Secret7", true},
                                           SECOND_START{"WrongPassword", "Secret7", L"Secret8", false}),
                         [](const ::testing::TestParamInfo<SECOND_START>& tested) {
                             return tested.param.name;
                         });

} // namespace
