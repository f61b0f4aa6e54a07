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

// The top-level windows of the process, shown or not: the one USER object
// count Wine lets another process see.
int WindowsOf(const CHILD_PROCESS& process) {
    WINDOW_QUERY query;
    query.processId = process.Id();
    query.visibleOnly = false;
    return static_cast<int>(FindWindows(query).size());
}

void PrintFigures(const char* when, const PROCESS_FIGURES& figures, int windows) {
    std::printf(
        "[ figures ] %s: GDI objects %lu, USER objects %lu, kernel handles %lu, top-level windows %d, "
        "private bytes %lu, working set %lu\n",
        when, static_cast<unsigned long>(figures.gdiObjects), static_cast<unsigned long>(figures.userObjects),
        static_cast<unsigned long>(figures.kernelHandles), windows,
        static_cast<unsigned long>(figures.privateBytes), static_cast<unsigned long>(figures.workingSet));
}

// Ids run from 4000 to 8000 and start again. Hides and restores through the
// commands themselves (a menu choice is the same command) until the ids have
// wrapped twice; each restore by its predicted id proves the count. What the
// process holds stays as it was after the first cycles (where Wine answers 0
// for a count, that count is 0 before and after; its top-level windows and
// its private memory are measured all the same). Then the menu still drops
// the items of windows shown elsewhere or closed.
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
    int heldWindows = 0;
    int nextId = FIRST_MENU_ID;
    int notInTime = 0;
    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&before);
    for (int k = 0; k < cycles; ++k) {
        if (k == warmUp) {
            held = ProcessFigures(vaylo.process.Handle());
            heldWindows = WindowsOf(vaylo.process);
        }
        int id = 0;
        for (int attempt = 0; id == 0; ++attempt) {
            ASSERT_LT(attempt, 10) << "cycle " << k << ": never hidden";
            // The entry keeps its place: the same windows are listed each time.
            ASSERT_TRUE(vaylo.Select(index)) << "cycle " << k;
            ASSERT_TRUE(vaylo.Command(LIST_DOUBLE_CLICK, reinterpret_cast<LPARAM>(vaylo.list)))
                << "cycle " << k;
            // Taken also by a hide that does not happen in time (a loaded
            // machine): the window is shown again and its item given back.
            int tried = nextId;
            nextId = nextId == LAST_MENU_ID ? FIRST_MENU_ID : nextId + 1;
            ASSERT_TRUE(RoundTrip(window)) << "cycle " << k; // what was queued for it has run
            if (!IsWindowVisible(window))
                id = tried;
            else
                ++notInTime;
        }
        ASSERT_TRUE(vaylo.Command(static_cast<WPARAM>(id))) << "cycle " << k;
        ASSERT_TRUE(WaitVisible(window, true)) << "cycle " << k << ": id " << id << " did not restore it";
    }
    QueryPerformanceCounter(&after);
    double seconds =
        static_cast<double>(after.QuadPart - before.QuadPart) / static_cast<double>(frequency.QuadPart);
    std::printf(
        "[ id cycle ] %d hide and restore cycles in %.1f s (%.2f ms each), %d hides not done in time\n",
        cycles, seconds, 1000.0 * seconds / cycles, notInTime);
    PROCESS_FIGURES now = ProcessFigures(vaylo.process.Handle());
    int nowWindows = WindowsOf(vaylo.process);
    PrintFigures("after the first 100 cycles", held, heldWindows);
    PrintFigures("after 10000 cycles", now, nowWindows);
    ASSERT_TRUE(held.read && now.read);
    EXPECT_GT(now.privateBytes, 0u);
    EXPECT_EQ(nowWindows, heldWindows);
    EXPECT_LE(now.gdiObjects, held.gdiObjects + HANDLE_SLACK);
    EXPECT_LE(now.userObjects, held.userObjects + HANDLE_SLACK);
    EXPECT_LE(now.kernelHandles, held.kernelHandles + HANDLE_SLACK);
    EXPECT_LE(now.privateBytes, held.privateBytes + MEMORY_SLACK);
    EXPECT_TRUE(IsWindowVisible(window));

    HideThreeThenExpectOnlyTheThirdInTheMenu(a, b, c);
}

} // namespace
