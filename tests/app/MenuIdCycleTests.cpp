// The hidden-window menu's command ids after they have wrapped. A test of
// its own: ten thousand hide and restore cycles take minutes.

#include "VayloFixture.h"

#include <cstdio>

namespace {

using MenuIdCycleTest = VayloTest;

WPARAM const LIST_DOUBLE_CLICK = MAKEWPARAM(IDC_WINDOW_LIST, LBN_DBLCLK);
int const FIRST_MENU_ID = IDM_FIRST_HIDDEN;
int const LAST_MENU_ID = IDM_LAST_HIDDEN;

// How much of a resource may be left over after the cycles: a fixed slack
// for whatever the system grows once, far less than one leak per cycle.
DWORD const HANDLE_SLACK = 16;
SIZE_T const MEMORY_SLACK = 512 * 1024;

void PrintFigures(const char* when, const PROCESS_FIGURES& figures) {
    std::printf("[ figures ] %s: GDI objects %lu, USER objects %lu, kernel handles %lu, private bytes %lu\n", when,
                static_cast<unsigned long>(figures.gdiObjects), static_cast<unsigned long>(figures.userObjects),
                static_cast<unsigned long>(figures.kernelHandles),
                static_cast<unsigned long>(figures.privateBytes));
}

// Ids run from 4000 to 8000 and start again. Hides and restores through the
// commands themselves (a menu choice is the same command) until the ids have
// wrapped twice; each restore by its predicted id proves the count. What the
// process holds stays as it was after the first cycles (Wine counts no GDI
// or USER objects per process and answers 0: its kernel handles and private
// memory are measured all the same). Then the menu still drops the items of
// windows shown elsewhere or closed.
TEST_F(MenuIdCycleTest, AfterTheIdsWrapTwice_NothingHeldGrowsAndPruningAndChoosingStillWork) {
    std::wstring cycled = Title(L"cycled"), a = Title(L"shown"), b = Title(L"closed"), c = Title(L"kept");
    ASSERT_TRUE(StartListedTargets({cycled, a, b, c}));
    HWND window = targets.Window(cycled);
    ASSERT_TRUE(MeasureEmptyMenu()) << "the tray menu did not open";

    int const cycles = 10000; // ids 4000..8000 twice, then 4000..5997
    int const warmUp = 100;   // the first cycles grow the heap and the caches once
    int index = vaylo.IndexOf(cycled);
    ASSERT_GE(index, 0);
    PROCESS_FIGURES held;
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    for (int k = 0; k < cycles; ++k) {
        if (k == warmUp)
            held = ProcessFigures(vaylo.process.Handle());
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
    PROCESS_FIGURES now = ProcessFigures(vaylo.process.Handle());
    PrintFigures("after the first 100 cycles", held);
    PrintFigures("after 10000 cycles", now);
    ASSERT_TRUE(held.read && now.read);
    EXPECT_LE(now.gdiObjects, held.gdiObjects + HANDLE_SLACK);
    EXPECT_LE(now.userObjects, held.userObjects + HANDLE_SLACK);
    EXPECT_LE(now.kernelHandles, held.kernelHandles + HANDLE_SLACK);
    EXPECT_LE(now.privateBytes, held.privateBytes + MEMORY_SLACK);
    EXPECT_TRUE(IsWindowVisible(window));

    HideThreeThenExpectOnlyTheThirdInTheMenu(a, b, c);
}

} // namespace
