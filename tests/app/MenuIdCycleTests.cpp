// The hidden-window menu's command ids after they have wrapped. A test of
// its own: thousands of hide and restore cycles take minutes.

#include "VayloFixture.h"

#include <cstdio>

namespace {

using MenuIdCycleTest = VayloTest;

WPARAM const LIST_DOUBLE_CLICK = MAKEWPARAM(IDC_WINDOW_LIST, LBN_DBLCLK);
int const FIRST_MENU_ID = IDM_FIRST_HIDDEN;
int const LAST_MENU_ID = IDM_LAST_HIDDEN;

// Ids run from 4000 to 8000 and start again. Hides and restores through the
// commands themselves (a menu choice is the same command) until the ids have
// wrapped; each restore by its predicted id proves the count. Then the menu
// still drops the items of windows shown elsewhere or closed.
TEST_F(MenuIdCycleTest, AfterTheIdsWrap_PruningAndChoosingStillWork) {
    std::wstring cycled = Title(L"cycled"), a = Title(L"shown"), b = Title(L"closed"), c = Title(L"kept");
    ASSERT_TRUE(StartListedTargets({cycled, a, b, c}));
    HWND window = targets.Window(cycled);
    ASSERT_TRUE(MeasureEmptyMenu()) << "the tray menu did not open";

    int const cycles = LAST_MENU_ID - FIRST_MENU_ID + 1 + 2; // ids 4000..8000, then 4000 and 4001
    int index = vaylo.IndexOf(cycled);
    ASSERT_GE(index, 0);
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    for (int k = 0; k < cycles; ++k) {
        int id = FIRST_MENU_ID + k % (LAST_MENU_ID - FIRST_MENU_ID + 1);
        // The entry keeps its place: the same windows are listed each time.
        ASSERT_TRUE(vaylo.Select(index)) << "cycle " << k;
        ASSERT_TRUE(vaylo.Command(LIST_DOUBLE_CLICK, reinterpret_cast<LPARAM>(vaylo.list))) << "cycle " << k;
        ASSERT_FALSE(IsWindowVisible(window)) << "cycle " << k << ": not hidden";
        ASSERT_TRUE(vaylo.Command(static_cast<WPARAM>(id))) << "cycle " << k;
        ASSERT_TRUE(IsWindowVisible(window)) << "cycle " << k << ": id " << id << " did not restore it";
    }
    QueryPerformanceCounter(&after);
    double seconds =
        static_cast<double>(after.QuadPart - before.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf("[ id cycle ] %d hide and restore cycles in %.1f s (%.2f ms each)\n", cycles, seconds,
                1000.0 * seconds / cycles);

    HideThreeThenExpectOnlyTheThirdInTheMenu(a, b, c);
}

} // namespace
