// The "Hidden Windows" viewer of the real Vaylo.exe, driven from outside: what
// it lists, what a double click on an entry does, and that a program that
// does not answer costs it nothing.

#include "ViewerDesktop.h"
#include "VayloFixture.h"

#include <algorithm>

namespace {

using ViewerTest = VayloTest;

DWORD const BUSY_MS = 6000; // how long a busy target keeps its thread from answering

std::string EntriesDump(HWND viewer) {
    std::string dump = "viewer:";
    for (const auto& entry : ViewerEntries(viewer))
        dump += " [" + Narrow(entry.first) + "]";
    return dump;
}

// Hidden with Shift (no menu item), hidden by other means, owned: each listed
// under its title, whole in any script, with the window as the item data;
// untitled windows and the desktop's exact title are not.
TEST_F(ViewerTest, ListsEveryHiddenTitledWindowWhoeverHidIt) {
    std::wstring byShift = Title(L"by shift"), owned = Title(L"owned");
    std::wstring byOther = Title(L"by other means \u65e5\u672c\u8a9e \u0416 \U0001F600");
    ASSERT_TRUE(targets.Start({Titled(byShift), Titled(byOther), L"owned:" + owned, L"untitled",
                               Titled(L"Program Manager"), Titled(L"program manager")}));
    HWND shiftWindow = targets.Window(byShift), untitled = targets.Untitled();
    ASSERT_NE(untitled, nullptr);
    ASSERT_TRUE(vaylo.WaitListed(byShift));
    ASSERT_TRUE(MakeForeground(vaylo.main));
    {
        HELD_KEY shift(VK_SHIFT);
        ASSERT_TRUE(shift.Down());
        ASSERT_TRUE(vaylo.DoubleClickEntry(byShift));
        ASSERT_TRUE(WaitVisible(shiftWindow, false));
    }
    for (const wchar_t* title : {byOther.c_str(), owned.c_str(), L"Program Manager", L"program manager"})
        ASSERT_TRUE(HideFromOutside(targets.Window(title)));
    ASSERT_TRUE(HideFromOutside(untitled));

    HWND viewer = OpenViewer(vaylo);
    ASSERT_NE(viewer, nullptr) << "the viewer did not open";
    std::vector<std::pair<std::wstring, HWND>> entries = ViewerEntries(viewer);
    for (const wchar_t* title : {byShift.c_str(), byOther.c_str(), owned.c_str(), L"program manager"}) {
        std::pair<std::wstring, HWND> const entry(title, targets.Window(title));
        EXPECT_EQ(std::count(entries.begin(), entries.end(), entry), 1)
            << Narrow(title) << ", " << EntriesDump(viewer);
    }
    EXPECT_FALSE(ViewerLists(viewer, untitled));
    EXPECT_FALSE(ViewerLists(viewer, targets.Window(L"Program Manager")));
    EXPECT_TRUE(CloseViewer(viewer));
}

// The window comes back where it was, behind the viewer, and its entry goes;
// a double click with no entry selected shows nothing.
TEST_F(ViewerTest, DoubleClick_ShowsTheWindowBehindTheViewerAndFillsTheListAgain) {
    std::wstring shown = Title(L"shown"), kept = Title(L"kept");
    ASSERT_TRUE(targets.Start({Titled(shown), Titled(kept)}));
    HWND shownWindow = targets.Window(shown), keptWindow = targets.Window(kept);
    ASSERT_TRUE(HideFromOutside(shownWindow) && HideFromOutside(keptWindow));
    HWND viewer = OpenViewer(vaylo);
    ASSERT_NE(viewer, nullptr) << "the viewer did not open";
    ASSERT_TRUE(WaitForeground(viewer));

    ASSERT_TRUE(DoubleClickViewerEntry(viewer, nullptr));
    EXPECT_FALSE(IsWindowVisible(shownWindow) || IsWindowVisible(keptWindow));

    ASSERT_TRUE(DoubleClickViewerEntry(viewer, shownWindow));
    EXPECT_TRUE(WaitVisible(shownWindow, true));
    EXPECT_FALSE(ViewerLists(viewer, shownWindow)) << "the list was not filled again";
    EXPECT_TRUE(ViewerLists(viewer, keptWindow));
    EXPECT_FALSE(IsWindowVisible(keptWindow));
    EXPECT_EQ(GetForegroundWindow(), viewer) << "the shown window took the activation";
    EXPECT_TRUE(vaylo.WaitListed(shown));
    EXPECT_TRUE(CloseViewer(viewer));
}

// The viewer touches no menu item; the menu drops the item of a window that
// came back as it opens next.
TEST_F(ViewerTest, AWindowHeldByTheMenu_ShownHere_LeavesTheMenuAtItsNextOpening) {
    std::wstring held = Title(L"held");
    HWND heldWindow = StartListed(held);
    ASSERT_NE(heldWindow, nullptr);
    MeasureEmptyMenu();
    ASSERT_GT(emptyMenuHeight, 0) << "the tray menu did not open";
    ASSERT_TRUE(vaylo.DoubleClickEntry(held));
    ASSERT_TRUE(WaitVisible(heldWindow, false));
    ASSERT_EQ(HiddenItems(), 1);

    HWND viewer = OpenViewer(vaylo);
    ASSERT_NE(viewer, nullptr) << "the viewer did not open";
    ASSERT_TRUE(DoubleClickViewerEntry(viewer, heldWindow)) << EntriesDump(viewer);
    EXPECT_TRUE(WaitVisible(heldWindow, true));
    ASSERT_TRUE(CloseViewer(viewer));
    EXPECT_EQ(HiddenItems(), 0);
}

// A program busy for seconds: the double click answers at once, the window
// keeps its entry while it cannot come back, and it comes back as soon as its
// program answers again.
TEST_F(ViewerTest, ABusyHiddenWindow_NeitherHoldsUpTheViewerNorIsLost) {
    std::wstring busy = Title(L"busy");
    ASSERT_TRUE(targets.Start({Titled(busy)}));
    HWND busyWindow = targets.Window(busy);
    ASSERT_TRUE(HideFromOutside(busyWindow));
    HWND viewer = OpenViewer(vaylo);
    ASSERT_NE(viewer, nullptr) << "the viewer did not open";

    PostMessageW(busyWindow, TARGET_BUSY, BUSY_MS, 0);
    ASSERT_TRUE(PumpUntil([&] { return !RoundTrip(busyWindow, 100); })) << "the target never got busy";
    DWORD start = GetTickCount();
    ASSERT_TRUE(DoubleClickViewerEntry(viewer, busyWindow, 2000)) << "the viewer waited for the busy program";
    EXPECT_LT(GetTickCount() - start, 2000u);
    EXPECT_FALSE(IsWindowVisible(busyWindow));
    EXPECT_TRUE(ViewerLists(viewer, busyWindow)) << "the entry went before the window came back";
    EXPECT_TRUE(WaitVisible(busyWindow, true, BUSY_MS + WAIT_MS)) << "the window was lost";
    EXPECT_TRUE(CloseViewer(viewer));
}

} // namespace
