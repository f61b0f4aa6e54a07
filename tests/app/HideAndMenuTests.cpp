// Hiding windows into the tray menu and getting them back: double-click with
// and without modifiers, the menu's order and item texts, choosing items,
// pruning, the command id cycle, "Hide Active", and every way out.
//
// The menu's items are owner-drawn in the other process, so they are read
// through what the system shows: the menu window's size (each hidden-window
// item is 18 pixels high at 96 DPI and as wide as its text) and the window that comes
// back when an item is chosen with real keys.

#include "VayloFixture.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

using HideTest = VayloTest;

WPARAM const LIST_DOUBLE_CLICK = MAKEWPARAM(IDC_WINDOW_LIST, LBN_DBLCLK);
WPARAM const SELECTION_CHANGE = MAKEWPARAM(IDC_WINDOW_LIST, LBN_SELCHANGE);
WPARAM const HIDE_ACTIVE = IDC_HOTKEY_HIDE_ACTIVE;
int const FIXED_ITEMS = 3; // "&Show Window Vaylo", "&Visit Morvane Utilities", "E&xit"

std::string ListDump(const VAYLO& vaylo) {
    std::string dump = "list:";
    for (const std::wstring& text : vaylo.ListTexts())
        dump += " [" + Narrow(text) + "]";
    return dump + ", selected [" + Narrow(vaylo.SelectedText()) + "]";
}

// ---- double-click ----

// The tray menu opens and reads back only while the main window is shown:
// under Wine without a window manager a menu whose owner is hidden loses
// the foreground to the desktop and closes at once.
bool ShowMainFromTray(const VAYLO& vaylo) {
    PostMessageW(vaylo.main, WM_TRAYNOTIFY, 0, WM_LBUTTONUP);
    return WaitVisible(vaylo.main, true);
}

TEST_F(HideTest, RealDoubleClick_HidesTheWindowIntoTheMenu) {
    std::wstring target = Title(L"target");
    HWND window = StartListed(target);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(MeasureEmptyMenu()) << "the tray menu did not open";

    ASSERT_TRUE(vaylo.RealDoubleClickEntry(target));
    EXPECT_TRUE(WaitVisible(window, false)) << "the double click did not hide the window";
    EXPECT_TRUE(vaylo.WaitUnlisted(target));
    EXPECT_TRUE(IsWindowVisible(vaylo.main));
    EXPECT_EQ(HiddenItems(), 1);
}

struct MODIFIERS {
    bool shift;
    bool ctrl;
    const char* name;
};

class DoubleClickTest : public VayloTest, public ::testing::WithParamInterface<MODIFIERS> {};

// Shift: no menu item. Ctrl: the main window goes to the tray after the hide.
// The keys are real input; the double click is the list's notification, as a
// real click would make Wine take the key state back from the X server, which
// knows nothing of keys pressed with SendInput.
TEST_P(DoubleClickTest, HeldKeysDecideItemAndTray) {
    std::wstring target = Title(L"target");
    HWND window = StartListed(target);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(MeasureEmptyMenu()) << "the tray menu did not open";
    ASSERT_TRUE(MakeForeground(vaylo.main));
    {
        std::unique_ptr<HELD_KEY> shift, ctrl;
        if (GetParam().shift)
            shift = std::make_unique<HELD_KEY>(VK_SHIFT);
        if (GetParam().ctrl)
            ctrl = std::make_unique<HELD_KEY>(VK_CONTROL);
        ASSERT_TRUE(!shift || shift->Down());
        ASSERT_TRUE(!ctrl || ctrl->Down());
        ASSERT_TRUE(vaylo.DoubleClickEntry(target));
        ASSERT_TRUE(WaitVisible(window, false)) << "the double click did not hide the window";
        ASSERT_TRUE(!shift || shift->Down()) << "Shift was released on the way";
        ASSERT_TRUE(!ctrl || ctrl->Down()) << "Ctrl was released on the way";
    }
    // The close that goes to the tray is posted after the hide.
    if (GetParam().ctrl) {
        EXPECT_TRUE(WaitVisible(vaylo.main, false)) << "the main window did not go to the tray";
        EXPECT_TRUE(vaylo.process.IsRunning());
        ASSERT_TRUE(ShowMainFromTray(vaylo));
    } else {
        ASSERT_TRUE(vaylo.Send(WM_TIMER, 1, 0));
        EXPECT_TRUE(IsWindowVisible(vaylo.main));
    }
    EXPECT_TRUE(vaylo.WaitUnlisted(target));
    EXPECT_EQ(HiddenItems(), GetParam().shift ? 0 : 1);
    EXPECT_FALSE(IsWindowVisible(window));
}

INSTANTIATE_TEST_SUITE_P(Modifiers, DoubleClickTest,
                         ::testing::Values(MODIFIERS{false, false, "Plain"}, MODIFIERS{true, false, "Shift"},
                                           MODIFIERS{false, true, "Ctrl"},
                                           MODIFIERS{true, true, "ShiftCtrl"}),
                         [](const ::testing::TestParamInfo<MODIFIERS>& tested) { return tested.param.name; });

TEST_F(HideTest, ListNotifications_OnlyTheListsOwnDoubleClickHides) {
    std::wstring target = Title(L"target");
    HWND window = StartListed(target);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(vaylo.SelectEntry(target));
    LPARAM list = reinterpret_cast<LPARAM>(vaylo.list);

    // A selection change (its whole wParam is above 4000) and a double click
    // that names no list or another control do nothing.
    ASSERT_TRUE(vaylo.Command(SELECTION_CHANGE, list));
    ASSERT_TRUE(vaylo.Command(LIST_DOUBLE_CLICK, 0));
    ASSERT_TRUE(vaylo.Command(LIST_DOUBLE_CLICK, reinterpret_cast<LPARAM>(GetDlgItem(vaylo.main, IDC_EXIT))));
    ASSERT_TRUE(vaylo.Send(WM_TIMER, 1, 0));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(vaylo.SelectedText(), target);

    ASSERT_TRUE(vaylo.Command(LIST_DOUBLE_CLICK, list));
    EXPECT_TRUE(WaitVisible(window, false));
}

// ---- the menu ----

// A, B and C hidden in that order: the menu shows C, B, A above the three
// fixed items, of which the third is "E&xit". Each choice brings its window
// back in front and into the list.
TEST_F(HideTest, HiddenWindowsStackNewestFirstAboveTheFixedItems) {
    std::wstring a = Title(L"A"), b = Title(L"B"), c = Title(L"C");
    ASSERT_TRUE(StartListedTargets({a, b, c}));
    HWND windows[3] = {targets.Window(a), targets.Window(b), targets.Window(c)};
    ASSERT_TRUE(MeasureEmptyMenu()) << "the tray menu did not open";

    for (const std::wstring& title : {a, b, c})
        ASSERT_TRUE(vaylo.DoubleClickEntry(title));
    for (HWND window : windows)
        ASSERT_TRUE(WaitVisible(window, false));

    // The first line is always the newest hidden window.
    for (int restored = 2; restored >= 0; --restored) {
        SCOPED_TRACE(restored);
        HWND menu = vaylo.OpenMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(VAYLO::HiddenItems(menu, emptyMenuHeight), restored + 1)
            << "menu height " << Height(menu) << ", without items " << emptyMenuHeight;
        ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 0));
        HWND back = windows[restored];
        EXPECT_TRUE(WaitVisible(back, true));
        EXPECT_TRUE(WaitForeground(back)) << "the restored window is not in front";
        EXPECT_TRUE(vaylo.WaitListed(TitleOf(back)));
        for (int other = 0; other < restored; ++other)
            EXPECT_FALSE(IsWindowVisible(windows[other]));
    }

    HWND menu = vaylo.OpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(VAYLO::HiddenItems(menu, emptyMenuHeight), 0)
        << "menu height " << Height(menu) << ", without items " << emptyMenuHeight;
    ASSERT_TRUE(vaylo.ChooseMenuItem(menu, FIXED_ITEMS - 1));
    EXPECT_TRUE(vaylo.process.WaitForExit(EXIT_TIMEOUT_MS)) << "the third fixed line is not \"E&xit\"";
}

// A title padded with 'W' (wide in any font) to exactly the length.
std::wstring PaddedTitle(const std::wstring& start, size_t length) {
    std::wstring title = start;
    title.resize(length, L'W');
    return title;
}

// The program measures an item's title in the menu font it is drawn in.
int TextWidth(const std::wstring& text) {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    HFONT menuFont = CreateFontIndirectW(&metrics.lfMenuFont);
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, menuFont);
    SIZE size = {};
    GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(menuFont);
    return size.cx;
}

// A title of 25 characters is shown whole, longer ones as their first 26
// characters and "...": read through the width the menu gives the item.
TEST_F(HideTest, MenuItemText_ShortensTitlesLongerThan25Characters) {
    std::wstring title25 = PaddedTitle(Title(L"x"), 25);
    std::wstring title26 = title25 + L"W";
    std::wstring title40 = PaddedTitle(title26, 40);
    ASSERT_TRUE(StartListedTargets({title25, title26, title40}));

    int widths[3] = {};
    const std::wstring* titles[3] = {&title25, &title26, &title40};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(vaylo.DoubleClickEntry(*titles[i]));
        HWND window = targets.Window(*titles[i]);
        ASSERT_TRUE(WaitVisible(window, false)) << ListDump(vaylo);
        HWND menu = vaylo.OpenMenu();
        ASSERT_NE(menu, nullptr);
        widths[i] = Width(menu);
        ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 0));
        ASSERT_TRUE(WaitVisible(window, true));
        ASSERT_TRUE(vaylo.WaitListed(*titles[i]));
    }
    // The item must be the widest line for its width to show.
    ASSERT_GT(TextWidth(title25), TextWidth(L"&Visit Morvane Utilities") + 20);

    // 26 and 40 characters: the same 26 characters and "...".
    EXPECT_EQ(widths[2], widths[1]);
    // 25 characters whole against 26 and "...".
    EXPECT_EQ(widths[1] - widths[0], TextWidth(title26 + L"...") - TextWidth(title25));
}

// ---- titles outside the ANSI code page ----

// A title after the run's prefix: letters, 'W' up to paddedTo units, then the
// tail. The list keeps listKept units of it, the menu menuKept and "..."
// (0: the whole title); neither cuts a surrogate pair in two.
struct WIDE_TITLE {
    const char* name;
    const wchar_t* letters;
    size_t paddedTo;
    const wchar_t* tail;
    size_t listKept;
    size_t menuKept;
};

class WideTitleTest : public VayloTest, public ::testing::WithParamInterface<WIDE_TITLE> {};

// The title and its "?" version (what the ANSI code page makes of it) are
// listed as they are, kept so in the entry, hidden into the menu, measured
// there (the program's item width against the same text measured here), shown
// again by the menu, and given back by Exit.
TEST_P(WideTitleTest, ListedHeldDrawnRestoredAndGivenBackWhole) {
    const WIDE_TITLE& row = GetParam();
    std::wstring title = PaddedTitle(Title(row.letters), row.paddedTo) + row.tail;
    std::string question = Narrow(title);
    std::wstring titles[2] = {std::wstring(question.begin(), question.end()), title};
    std::wstring listed[2] = {titles[0].substr(0, 254), title.substr(0, row.listKept)};
    std::wstring shown[2] = {titles[0].size() > 25 ? titles[0].substr(0, 26) + L"..." : titles[0],
                             row.menuKept ? title.substr(0, row.menuKept) + L"..." : title};
    ASSERT_GT(TextWidth(shown[0]), TextWidth(L"&Visit Morvane Utilities") + 20) << "not the widest line";
    ASSERT_TRUE(targets.Start({Titled(titles[0]), Titled(title)}));
    HWND window = targets.Window(title);
    int widths[2] = {};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(vaylo.WaitListed(listed[i])) << ListDump(vaylo);
        EXPECT_EQ(vaylo.EntryTitle(vaylo.IndexOf(listed[i])), listed[i]);
        ASSERT_TRUE(vaylo.DoubleClickEntry(listed[i]));
        ASSERT_TRUE(WaitVisible(targets.Window(titles[i]), false));
        HWND menu = vaylo.OpenMenu();
        ASSERT_NE(menu, nullptr);
        widths[i] = Width(menu);
        ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 0));
        ASSERT_TRUE(WaitVisible(targets.Window(titles[i]), true));
    }
    EXPECT_GT(widths[1], widths[0]);
    EXPECT_EQ(widths[1] - widths[0], TextWidth(shown[1]) - TextWidth(shown[0]));

    ASSERT_TRUE(vaylo.WaitListed(listed[1]));
    ASSERT_TRUE(vaylo.DoubleClickEntry(listed[1]));
    ASSERT_TRUE(WaitVisible(window, false));
    EXPECT_TRUE(vaylo.Exit());
    EXPECT_TRUE(IsWindowVisible(window));
}

INSTANTIATE_TEST_SUITE_P(
    Titles, WideTitleTest,
    ::testing::Values(
        WIDE_TITLE{"Whole", L"\u65e5\u672c\u8a9e\u0416\u0436\u03a9\u03c9\U0001F600", 25, L"", 25, 0},
        WIDE_TITLE{"PairAtTheMenuCut", L"\u65e5\u672c\u8a9e", 25, L"\U0001F600 tail", 254, 25},
        WIDE_TITLE{"PairAtTheTitleLimit", L"\u65e5\u672c\u8a9e", 253, L"\U0001F600 tail", 253, 26}),
    [](const ::testing::TestParamInfo<WIDE_TITLE>& tested) { return std::string(tested.param.name); });

// Items of windows that came back by other means or closed are dropped when
// the menu opens; the list shows the returned window again.
TEST_F(HideTest, OpeningTheMenu_DropsItemsOfShownAndClosedWindows) {
    std::wstring a = Title(L"A"), b = Title(L"B"), c = Title(L"C");
    ASSERT_TRUE(StartListedTargets({a, b, c}));
    ASSERT_TRUE(MeasureEmptyMenu()) << "the tray menu did not open";
    HideThreeThenExpectOnlyTheThirdInTheMenu(a, b, c);
    EXPECT_TRUE(vaylo.WaitListed(a));
}

// A real program: Wine's notepad goes into the menu and comes back in front.
TEST_F(HideTest, RealProgram_HiddenIntoTheMenuAndChosenBack) {
    NOTEPAD notepad;
    ASSERT_TRUE(notepad.Start());
    std::wstring title = TitleOf(notepad.window);
    ASSERT_TRUE(vaylo.WaitListed(title));
    ASSERT_TRUE(MeasureEmptyMenu()) << "the tray menu did not open";

    ASSERT_TRUE(vaylo.DoubleClickEntry(title));
    EXPECT_TRUE(WaitVisible(notepad.window, false));
    EXPECT_TRUE(vaylo.WaitUnlisted(title));
    HWND menu = vaylo.OpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(VAYLO::HiddenItems(menu, emptyMenuHeight), 1);
    ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 0));
    EXPECT_TRUE(WaitVisible(notepad.window, true));
    EXPECT_TRUE(WaitForeground(notepad.window));
    EXPECT_TRUE(vaylo.WaitListed(title));
}

// ---- "Hide Active" ----

TEST_F(HideTest, HideActive_OnAListedWindow_HidesItAndActivatesTheNextOne) {
    std::wstring front = Title(L"front"), next = Title(L"next");
    ASSERT_TRUE(targets.Start({Titled(next), Titled(front)}));
    HWND frontWindow = targets.Window(front), nextWindow = targets.Window(next);
    ASSERT_TRUE(vaylo.WaitListed(front));
    ASSERT_TRUE(MeasureEmptyMenu()) << "the tray menu did not open";
    ASSERT_TRUE(MakeForeground(nextWindow));
    ASSERT_TRUE(MakeForeground(frontWindow));

    ASSERT_TRUE(vaylo.Command(HIDE_ACTIVE));
    EXPECT_TRUE(WaitVisible(frontWindow, false));
    EXPECT_TRUE(WaitForeground(nextWindow)) << "the next window below did not become active";
    EXPECT_TRUE(vaylo.WaitUnlisted(front));
    EXPECT_EQ(HiddenItems(), 1);
}

TEST_F(HideTest, HideActive_OnTheMainWindow_SendsItToTheTray) {
    std::wstring next = Title(L"next");
    ASSERT_TRUE(targets.Start({Titled(next)}));
    HWND nextWindow = targets.Window(next);
    ASSERT_TRUE(MakeForeground(nextWindow));
    ASSERT_TRUE(MakeForeground(vaylo.main));

    ASSERT_TRUE(vaylo.Command(HIDE_ACTIVE));
    EXPECT_TRUE(WaitVisible(vaylo.main, false));
    EXPECT_TRUE(vaylo.process.IsRunning());
    EXPECT_TRUE(WaitForeground(nextWindow));
    EXPECT_TRUE(IsWindowVisible(nextWindow));
}

class ProgramManagerTest : public VayloTest, public ::testing::WithParamInterface<const wchar_t*> {};

// The desktop's title in any letter case: nothing at all happens. (The tray
// menu is not read here: under Wine a top-level window titled "Program
// Manager" often keeps the menu from taking the foreground.)
TEST_P(ProgramManagerTest, HideActive_DoesNothing) {
    std::wstring other = Title(L"other");
    ASSERT_TRUE(targets.Start({Titled(other), Titled(GetParam())}));
    HWND desktop = targets.Window(GetParam()), otherWindow = targets.Window(other);
    ASSERT_TRUE(vaylo.WaitListed(other));
    ASSERT_TRUE(MakeForeground(desktop));

    ASSERT_TRUE(vaylo.Command(HIDE_ACTIVE));
    ASSERT_TRUE(vaylo.Send(WM_TIMER, 1, 0));
    EXPECT_TRUE(IsWindowVisible(desktop));
    EXPECT_TRUE(IsWindowVisible(otherWindow));
    EXPECT_EQ(GetForegroundWindow(), desktop) << "the activation moved";
    EXPECT_EQ(vaylo.Occurrences(GetParam()), std::wstring(GetParam()) == L"Program Manager" ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Titles, ProgramManagerTest,
                         ::testing::Values(L"Program Manager", L"program manager"),
                         [](const ::testing::TestParamInfo<const wchar_t*>& tested) {
                             return std::string(tested.param[0] == L'P' ? "Exact" : "LowerCase");
                         });

TEST_F(HideTest, HideActive_OnAnOwnedDialog_HidesNothingButMovesTheActivation) {
    std::wstring owner = Title(L"owner"), dialog = Title(L"dialog");
    ASSERT_TRUE(targets.Start({Titled(owner), L"owned:" + dialog}));
    HWND ownerWindow = targets.Window(owner), dialogWindow = targets.Window(dialog);
    ASSERT_TRUE(vaylo.WaitListed(owner));
    ASSERT_TRUE(MeasureEmptyMenu()) << "the tray menu did not open";
    ASSERT_TRUE(MakeForeground(dialogWindow));

    ASSERT_TRUE(vaylo.Command(HIDE_ACTIVE));
    EXPECT_TRUE(WaitForeground(ownerWindow));
    EXPECT_TRUE(IsWindowVisible(dialogWindow));
    EXPECT_TRUE(IsWindowVisible(ownerWindow));
    EXPECT_EQ(HiddenItems(), 0);
}

// ---- every way out ----

enum class WAY_OUT { EXIT_BUTTON, MENU_EXIT_COMMAND, MENU_EXIT_CHOSEN, FORWARDED_COMMAND_LINE };

class WayOutTest : public VayloTest, public ::testing::WithParamInterface<WAY_OUT> {};

// Windows hidden by double-click and by "Hide Active" are all shown again.
TEST_P(WayOutTest, ShowsEveryHeldWindowAgain) {
    std::wstring a = Title(L"A"), b = Title(L"B"), c = Title(L"C");
    ASSERT_TRUE(StartListedTargets({a, b, c}));
    HWND held[3] = {targets.Window(a), targets.Window(b), targets.Window(c)};
    ASSERT_TRUE(vaylo.DoubleClickEntry(a));
    ASSERT_TRUE(vaylo.DoubleClickEntry(b));
    ASSERT_TRUE(MakeForeground(held[2]));
    ASSERT_TRUE(vaylo.Command(HIDE_ACTIVE));
    for (HWND window : held)
        ASSERT_TRUE(WaitVisible(window, false));

    switch (GetParam()) {
    case WAY_OUT::EXIT_BUTTON: PostMessageW(vaylo.main, WM_COMMAND, IDC_EXIT, 0); break;
    case WAY_OUT::MENU_EXIT_COMMAND: PostMessageW(vaylo.main, WM_COMMAND, IDM_EXIT, 0); break;
    case WAY_OUT::MENU_EXIT_CHOSEN: {
        HWND menu = vaylo.OpenMenu();
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 3 + FIXED_ITEMS - 1));
        break;
    }
    case WAY_OUT::FORWARDED_COMMAND_LINE: {
        char text[] = "update";
        COPYDATASTRUCT data = {1, sizeof text, text};
        vaylo.Send(WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
        break;
    }
    }
    ASSERT_TRUE(vaylo.process.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_EQ(vaylo.process.ExitCode(), 0u);
    for (HWND window : held)
        EXPECT_TRUE(IsWindowVisible(window));
}

std::string WayName(const ::testing::TestParamInfo<WAY_OUT>& tested) {
    static const char* const names[] = {"ExitButton", "MenuExitCommand", "MenuExitChosen",
                                        "ForwardedCommandLine"};
    return names[static_cast<int>(tested.param)];
}

INSTANTIATE_TEST_SUITE_P(Ways, WayOutTest,
                         ::testing::Values(WAY_OUT::EXIT_BUTTON, WAY_OUT::MENU_EXIT_COMMAND,
                                           WAY_OUT::MENU_EXIT_CHOSEN, WAY_OUT::FORWARDED_COMMAND_LINE),
                         WayName);

} // namespace
