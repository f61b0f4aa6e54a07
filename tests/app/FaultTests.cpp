// The promise that no window is ever lost and the program never hangs, tried
// against the real Vaylo.exe: hung and closing windows, floods of second
// starts and "TaskbarCreated", settings no writer of ours would store, the
// end of the session and a crash. Figures go to the output as "[ figures ]"
// lines.

#include "ViewerDesktop.h"
#include "VayloFixture.h"
#include "tray/TrayDesktop.h"

#include "support/StoredValues.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <thread>

namespace {

WPARAM const LIST_DOUBLE_CLICK = MAKEWPARAM(IDC_WINDOW_LIST, LBN_DBLCLK);
DWORD const ANSWER_BOUND_MS = 3000; // the longest the main window may keep a caller waiting
DWORD const RECOVERY_MS = 30000;    // a busy target answers again well within this

// Calls `sample` on a thread of its own, `pauseMs` apart, until stopped or
// until it answers false. Declared last in its owner: it starts at once.
class SAMPLER {
  public:
    SAMPLER(std::function<bool()> sample, DWORD pauseMs)
        : thread([this, sample, pauseMs] {
              while (!stop && sample())
                  Sleep(pauseMs); // the sampling rate, not a wait for anything
          }) {}
    ~SAMPLER() { Stop(); }
    SAMPLER(const SAMPLER&) = delete;
    SAMPLER& operator=(const SAMPLER&) = delete;
    void Stop() {
        stop = true;
        if (thread.joinable())
            thread.join();
    }

  private:
    std::atomic<bool> stop{false};
    std::thread thread;
};

// Asks the window for an answer (WM_NULL) from a thread of its own, again and
// again until stopped or the window has gone, and keeps the longest wait.
// Those answers come even while the window's thread itself waits inside a
// send of its own (a thread waiting so still handles messages sent to it),
// so the messages the test sends are timed as well (Timed): a command that
// waits for another program is answered late.
class ANSWER_WATCH {
  public:
    explicit ANSWER_WATCH(HWND watched) : window(watched) {}

    void Stop() { sampler.Stop(); }
    // The call's time counts as one answer.
    template <class CALL> bool Timed(CALL call) {
        DWORD began = GetTickCount();
        bool done = call();
        Note(GetTickCount() - began, done);
        return done;
    }
    DWORD Worst() const { return worst; }
    int Answers() const { return answers; }
    int Late() const { return late; } // no answer within ANSWER_BOUND_MS

  private:
    bool Ask() {
        LARGE_INTEGER frequency, before, after;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&before);
        DWORD_PTR ignored = 0;
        // Far longer than the bound: the figure says how long it really took.
        BOOL answered =
            SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 4 * ANSWER_BOUND_MS, &ignored);
        QueryPerformanceCounter(&after);
        if (!answered && !IsWindow(window))
            return false; // it ended on the way out
        Note(static_cast<DWORD>((after.QuadPart - before.QuadPart) * 1000 / frequency.QuadPart), answered);
        return true;
    }
    void Note(DWORD ms, bool answered) {
        DWORD seen = worst;
        while (ms > seen && !worst.compare_exchange_weak(seen, ms)) {
        }
        if (answered && ms <= ANSWER_BOUND_MS)
            ++answers;
        else
            ++late;
    }

    const HWND window;
    std::atomic<DWORD> worst{0};
    std::atomic<int> answers{0};
    std::atomic<int> late{0};
    SAMPLER sampler{[this] { return Ask(); }, 20};
};

void ExpectAnswered(const ANSWER_WATCH& watch, const char* run) {
    std::printf("[ figures ] %s: the main window answered %d times, worst %lu ms, late %d\n", run,
                watch.Answers(), static_cast<unsigned long>(watch.Worst()), watch.Late());
    EXPECT_EQ(watch.Late(), 0) << "worst answer " << watch.Worst() << " ms";
    EXPECT_GT(watch.Answers(), 0);
}

// The windows that are not visible again within the bound.
int Lost(const std::vector<HWND>& windows, DWORD timeoutMs = RECOVERY_MS) {
    int lost = 0;
    for (HWND window : windows)
        if (IsWindow(window) && !WaitVisible(window, true, timeoutMs))
            ++lost;
    return lost;
}

class FaultTest : public VayloTest {
  protected:
    // Hides the window through the list once it is listed (a window that has
    // just come back is listed at the next refresh) and answers whether it
    // is held. A hide is checked for a moment only: on a loaded machine the
    // target may not hide in time, and is then shown again without an item.
    bool HideOnce(const std::wstring& title, DWORD timeoutMs = WAIT_MS) {
        HWND window = targets.Window(title);
        auto hide = [&] { return vaylo.DoubleClickEntry(title); };
        return window != nullptr && vaylo.WaitListed(title, 1, timeoutMs) &&
               (timing ? timing->Timed(hide) : hide()) && RoundTrip(window, timeoutMs) &&
               !IsWindowVisible(window);
    }
    // Tries again until it is held; false when it never was.
    bool Hide(const std::wstring& title, DWORD timeoutMs = WAIT_MS) {
        for (int attempt = 0; attempt < 10; ++attempt)
            if (HideOnce(title, timeoutMs))
                return true;
        return false;
    }
    ANSWER_WATCH* timing = nullptr; // times the hide commands when set

    // Vaylo has ended (through Exit) with exit code 0.
    void ExpectCleanExit() {
        EXPECT_TRUE(vaylo.Exit());
        EXPECT_EQ(vaylo.process.ExitCode(), 0u);
    }
};

// ---- hung windows ----

// Five windows, each on a thread of its own that stops answering at times,
// as busy programs do, beside two calm ones and one that never answers. For
// half a minute they are hidden (one each round hangs just after it answered
// the hide's probe), held while they hang, shown in the menu and the viewer,
// restored while they hang, then Vaylo exits holding three: two hung, one
// that hangs as soon as it is probed. Meanwhile the main window keeps
// answering within the bound, and afterwards every window is visible again.
TEST_F(FaultTest, FiveHungWindows_TheMainWindowKeepsAnsweringAndEveryWindowComesBack) {
    std::vector<std::wstring> hung, calm = {Title(L"calm 1"), Title(L"calm 2")};
    std::vector<std::wstring> specs = {Titled(calm[0]), Titled(calm[1]), L"hung:" + Title(L"never answers")};
    for (const wchar_t* name : {L"hangs 1", L"hangs 2", L"hangs 3", L"hangs 4", L"hangs 5"}) {
        hung.push_back(Title(name));
        specs.push_back(L"thread:" + hung.back());
    }
    ASSERT_TRUE(targets.Start(specs));
    std::vector<std::wstring> hideable = hung;
    hideable.insert(hideable.end(), calm.begin(), calm.end());
    std::vector<HWND> all;
    for (const std::wstring& title : hideable) {
        ASSERT_TRUE(vaylo.WaitListed(title)) << Narrow(title);
        all.push_back(targets.Window(title));
    }
    all.push_back(targets.Window(Title(L"never answers")));
    ASSERT_TRUE(MeasureEmptyMenu());

    ANSWER_WATCH watch(vaylo.main);
    timing = &watch;
    // A hide that is not done in time takes an id too, so the ids are not
    // counted: each round sends every id the run can have reached.
    int const lastIdUsed = IDM_FIRST_HIDDEN + 400;
    DWORD const started = GetTickCount();
    int rounds = 0;
    while (GetTickCount() - started < 30000) {
        ++rounds;
        std::vector<HWND> held;
        for (size_t i = 0; i < hideable.size(); ++i) {
            HWND window = targets.Window(hideable[i]);
            // A window busy since the last round is hidden once it answers again.
            ASSERT_TRUE(RoundTrip(window, RECOVERY_MS)) << Narrow(hideable[i]);
            bool trapped = i == static_cast<size_t>(rounds) % hung.size();
            if (trapped) {
                // It hangs just after it answered the hide's probe: the hide
                // is not done in time, no item holds it, and it is shown
                // again as soon as it answers.
                ASSERT_TRUE(BoundedSend(window, TARGET_TRAP, 4000));
                ASSERT_TRUE(vaylo.WaitListed(hideable[i], 1, RECOVERY_MS)) << Narrow(hideable[i]);
                ASSERT_TRUE(watch.Timed([&] { return vaylo.DoubleClickEntry(hideable[i]); }))
                    << "round " << rounds;
                ASSERT_TRUE(RoundTrip(window, RECOVERY_MS));
                ASSERT_TRUE(WaitVisible(window, true)) << "round " << rounds << ": " << Narrow(hideable[i]);
                continue;
            }
            ASSERT_TRUE(Hide(hideable[i], RECOVERY_MS)) << "round " << rounds << ": " << Narrow(hideable[i]);
            held.push_back(window);
        }
        // Two held windows hang while the menu and the viewer show.
        PostMessageW(targets.Window(hung[(rounds + 1) % hung.size()]), TARGET_BUSY, 3000, 0);
        PostMessageW(targets.Window(hung[(rounds + 2) % hung.size()]), TARGET_BUSY, 3000, 0);
        HWND menu = vaylo.OpenMenu();
        ASSERT_NE(menu, nullptr) << "round " << rounds;
        EXPECT_EQ(VAYLO::HiddenItems(menu, emptyMenuHeight), static_cast<int>(held.size()));
        ASSERT_TRUE(vaylo.CloseMenu(menu));
        HWND viewer = OpenViewer(vaylo);
        ASSERT_NE(viewer, nullptr) << "round " << rounds;
        ASSERT_TRUE(CloseViewer(viewer));

        // Restored by their commands, the hung ones as soon as they answer;
        // an id without an item is no command at all.
        for (int id = IDM_FIRST_HIDDEN; id <= lastIdUsed; ++id)
            ASSERT_TRUE(watch.Timed([&] { return vaylo.Command(static_cast<WPARAM>(id)); }))
                << "round " << rounds;
        for (HWND window : held)
            ASSERT_TRUE(WaitVisible(window, true, RECOVERY_MS)) << "round " << rounds;
        // A shown window hangs while the list is refreshed.
        PostMessageW(targets.Window(hung[(rounds + 3) % hung.size()]), TARGET_BUSY, 3000, 0);
        ASSERT_TRUE(vaylo.process.IsRunning());
    }

    // The way out, holding three windows: two hang already, one would hang
    // just after answering a probe. Exit waits for none of them: it ends
    // long before they answer again (12 s).
    for (size_t i = 0; i < 3; ++i) {
        ASSERT_TRUE(RoundTrip(targets.Window(hung[i]), RECOVERY_MS));
        ASSERT_TRUE(Hide(hung[i], RECOVERY_MS));
    }
    PostMessageW(targets.Window(hung[0]), TARGET_BUSY, 12000, 0);
    PostMessageW(targets.Window(hung[1]), TARGET_BUSY, 12000, 0);
    ASSERT_TRUE(BoundedSend(targets.Window(hung[2]), TARGET_TRAP, 12000));
    DWORD exitStarted = GetTickCount();
    PostMessageW(vaylo.main, WM_COMMAND, IDC_EXIT, 0);
    EXPECT_TRUE(vaylo.process.WaitForExit(WAIT_MS)) << "Exit waits for the hung programs";
    DWORD exitMs = GetTickCount() - exitStarted;
    ExpectCleanExit();
    watch.Stop();
    timing = nullptr;
    std::printf("[ figures ] hung windows: Exit holding three hung windows ended the process in %lu ms\n",
                static_cast<unsigned long>(exitMs));
    int lost = Lost(all);
    std::printf("[ figures ] hung windows: %d rounds in %.1f s, windows lost %d\n", rounds,
                (GetTickCount() - started) / 1000.0, lost);
    ExpectAnswered(watch, "hung windows");
    EXPECT_EQ(lost, 0);
}

// ---- a kill, and hung programs on the way out ----

// Killed while holding three windows, and the next start killed too as soon
// as its (still hidden) main window exists, while it takes the record over:
// the record still names every window, the start after holds them again, and
// the record names what this start holds; a second start that hands over
// leaves it as it is.
TEST_F(FaultTest, KilledWhileHoldingThreeWindows_TheNextStartHoldsThemAndChoosingOneShowsIt) {
    std::vector<std::wstring> titles = {Title(L"one"), Title(L"two"), Title(L"three")};
    ASSERT_TRUE(StartListedTargets(titles));
    ASSERT_TRUE(MeasureEmptyMenu());
    std::vector<HWND> windows;
    for (const std::wstring& title : titles) {
        windows.push_back(targets.Window(title));
        ASSERT_TRUE(Hide(title));
    }
    std::map<std::string, std::string> record = HeldRecord();
    EXPECT_EQ(record.size(), 3u);
    vaylo.process.Terminate();
    CHILD_PROCESS takingOver;
    ASSERT_TRUE(StartVaylo(takingOver, "", program));
    WINDOW_QUERY takingOverMain = ProcessDialog(takingOver.Id());
    takingOverMain.visibleOnly = false;
    EXPECT_TRUE(PumpUntil([&] { return !FindWindows(takingOverMain).empty(); }));
    takingOver.Terminate();
    EXPECT_EQ(HeldRecord(), record);

    VAYLO again;
    ASSERT_TRUE(again.Start(program));
    EXPECT_EQ(again.CountHiddenItems(emptyMenuHeight), 3);
    CHILD_PROCESS second; // hands over to the running one and touches nothing
    ASSERT_TRUE(StartVaylo(second, "", program));
    EXPECT_TRUE(second.WaitForExit());
    EXPECT_EQ(HeldRecord().size(), 3u);
    HWND menu = again.OpenMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(again.ChooseMenuItem(menu, 0));
    EXPECT_TRUE(
        PumpUntil([&] { return std::count_if(windows.begin(), windows.end(), IsWindowVisible) == 1; }));
    EXPECT_EQ(again.CountHiddenItems(emptyMenuHeight), 2);
    EXPECT_EQ(HeldRecord().size(), 2u);
    EXPECT_TRUE(again.Exit());
    EXPECT_EQ(Lost(windows, WAIT_MS), 0);
    EXPECT_TRUE(HeldRecord().empty());
}

// Forged values: a window that closed, one shown again, one now named with
// another process's id, one whose process has another creation time (a
// reused id), and values no writer of ours makes are dropped; the one still
// hidden in its own process is held, with its restore flag, and so is one the
// previous version recorded (narrow, outside the session's subkey, without a
// time); both come back at the exit.
TEST_F(FaultTest, RecordedWindowsClosedShownOrOfAnotherProcess_AreNotHeldAtTheNextStart) {
    std::wstring held = Title(L"held"), closed = Title(L"closed"), shown = Title(L"shown"),
                 moved = Title(L"other process"), reused = Title(L"reused id"), older = Title(L"older");
    ASSERT_TRUE(StartListedTargets({held, closed, shown, moved, reused, older}));
    ASSERT_TRUE(MeasureEmptyMenu());
    ASSERT_TRUE(vaylo.Exit());
    std::string id = std::to_string(targets.Id()) + " ";
    HWND gone = targets.Window(closed);
    PostMessageW(gone, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(gone); }));
    for (const std::wstring& title : {held, moved, reused, older})
        ASSERT_TRUE(HideFromOutside(targets.Window(title)));
    std::string pid = std::to_string(targets.Id());
    ASSERT_TRUE(WriteHeldRecord(RecordName(targets.Window(older)), id + "older", true));
    std::vector<std::pair<std::string, std::string>> forged = {
        {RecordName(targets.Window(held)), pid + ",0,1 held"},
        {RecordName(targets.Window(reused)), pid + ",1,0 reused id"},
        {RecordName(gone), id + "closed"},
        {RecordName(targets.Window(shown)), id + "shown"},
        {RecordName(targets.Window(moved)), std::to_string(GetCurrentProcessId()) + " other process"},
        {"not a handle", id + "bad name"},
        {RecordName(targets.Window(moved)) + "0", "no process id"},
    };
    for (const auto& value : forged)
        ASSERT_TRUE(WriteHeldRecord(value.first, value.second)) << value.first;

    VAYLO again;
    ASSERT_TRUE(again.Start(program));
    EXPECT_EQ(again.CountHiddenItems(emptyMenuHeight), 2);
    std::map<std::string, std::string> record = HeldRecord();
    ASSERT_EQ(record.size(), 2u);
    EXPECT_EQ(record[RecordName(targets.Window(held))].find(",1 "), 17 + pid.size()) << "not as it was";
    EXPECT_EQ(record.count(RecordName(targets.Window(older))), 1u) << "the older value was not moved";
    EXPECT_TRUE(HeldRecord(true).empty());
    EXPECT_TRUE(again.Exit());
    EXPECT_EQ(Lost({targets.Window(held), targets.Window(older)}, WAIT_MS), 0);
    for (const std::wstring& title : {moved, reused}) {
        EXPECT_FALSE(IsWindowVisible(targets.Window(title))) << "a window of another process was shown";
        ShowWindow(targets.Window(title), SW_SHOWNA);
    }
}

// Ten held windows of ten hung programs cost one bounded wait on the way
// out, not one each; every one comes back once its program answers again.
TEST_F(FaultTest, ExitHoldingTenWindowsOfHungPrograms_EndsWithinAFewSeconds) {
    std::vector<std::wstring> specs;
    for (int i = 0; i < 10; ++i)
        specs.push_back(L"thread:" + Title((L"hangs " + std::to_wstring(10 + i)).c_str()));
    ASSERT_TRUE(targets.Start(specs));
    std::vector<HWND> windows;
    for (const std::wstring& spec : specs) {
        std::wstring title = spec.substr(7);
        ASSERT_TRUE(Hide(title)) << Narrow(title);
        windows.push_back(targets.Window(title));
    }
    for (HWND window : windows)
        PostMessageW(window, TARGET_BUSY, 15000, 0);
    DWORD started = GetTickCount();
    PostMessageW(vaylo.main, WM_COMMAND, IDC_EXIT, 0);
    EXPECT_TRUE(vaylo.process.WaitForExit(4000)) << "Exit waits for each hung program in turn";
    std::printf("[ figures ] ten hung programs: Exit ended the process in %lu ms\n",
                static_cast<unsigned long>(GetTickCount() - started));
    ExpectCleanExit();
    EXPECT_EQ(Lost(windows), 0);
}

// ---- windows that close ----

// Hidden windows close, one of them while the menu is open and is then
// chosen: the menu drops them, the others are still held and come back.
TEST_F(FaultTest, WindowsClosingWhileHiddenOrWhileTheMenuIsOpen_ArePrunedAndNothingElseIsLost) {
    std::wstring a = Title(L"a"), b = Title(L"b closes hidden"), c = Title(L"c closes in the menu"),
                 d = Title(L"d");
    ASSERT_TRUE(StartListedTargets({a, b, c, d}));
    ASSERT_TRUE(MeasureEmptyMenu());
    HWND kept[2] = {targets.Window(a), targets.Window(d)};
    for (const std::wstring& title : {a, b, c, d})
        ASSERT_TRUE(Hide(title));

    HWND closing = targets.Window(b);
    PostMessageW(closing, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(closing); }));
    EXPECT_EQ(HiddenItems(), 3);

    // Newest first: d, c, a.
    HWND menu = vaylo.OpenMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(VAYLO::HiddenItems(menu, emptyMenuHeight), 3);
    closing = targets.Window(c);
    PostMessageW(closing, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(closing); }));
    ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 1));
    EXPECT_TRUE(RoundTrip(vaylo.main));
    EXPECT_EQ(HiddenItems(), 2);
    for (HWND window : kept)
        EXPECT_FALSE(IsWindowVisible(window));

    ExpectCleanExit();
    EXPECT_EQ(Lost({kept[0], kept[1]}, WAIT_MS), 0);
}

// A listed window closes after the list was last refreshed and before its
// hide arrives, twenty times over: no item stands for a closed window, and
// every item the menu holds is a window that is hidden, so three windows held
// from before and every other one come back.
TEST_F(FaultTest, WindowsClosingBetweenARefreshAndTheirHide_LeaveNoItemAndLoseNothing) {
    std::vector<std::wstring> closing, held = {Title(L"held 1"), Title(L"held 2"), Title(L"held 3")};
    for (int i = 0; i < 20; ++i)
        closing.push_back(Title((L"closes " + std::to_wstring(100 + i)).c_str()));
    std::vector<std::wstring> titles = held;
    titles.insert(titles.end(), closing.begin(), closing.end());
    ASSERT_TRUE(StartListedTargets(titles));
    ASSERT_TRUE(MeasureEmptyMenu());
    std::vector<HWND> survivors;
    for (const std::wstring& title : held) {
        survivors.push_back(targets.Window(title));
        ASSERT_TRUE(Hide(title));
    }

    for (const std::wstring& title : closing) {
        HWND window = targets.Window(title);
        ASSERT_TRUE(vaylo.SelectEntry(title));
        PostMessageW(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(window); }));
        ASSERT_TRUE(vaylo.Command(LIST_DOUBLE_CLICK, reinterpret_cast<LPARAM>(vaylo.list))) << Narrow(title);
    }
    // Had a refresh come first, the selection may have moved to another
    // window and hidden it: then it is held too.
    int hidden = 0;
    for (const std::wstring& title : titles) {
        HWND window = targets.Window(title);
        hidden += window != nullptr && !IsWindowVisible(window);
    }
    EXPECT_EQ(HiddenItems(), hidden);
    EXPECT_GE(hidden, 3);

    ExpectCleanExit();
    EXPECT_EQ(Lost(survivors, WAIT_MS), 0);
}

// ---- second starts ----

// Counts the main windows of every process, visible or not, from a thread of
// its own, and keeps the most seen at once.
class MAIN_WINDOW_WATCH {
  public:
    void Stop() { sampler.Stop(); }
    size_t Most() const { return most; }

  private:
    bool Count() {
        most = std::max(most.load(), MainWindowsOfAnyProcess().size());
        return true;
    }
    std::atomic<size_t> most{0};
    SAMPLER sampler{[this] { return Count(); }, 5};
};

// A start that ended within the bound (true), or that became the running
// instance because the one before it had ended (instance set).
bool EndsOrRuns(CHILD_PROCESS& start, DWORD& slowest, bool& runs) {
    DWORD began = GetTickCount();
    runs = false;
    bool settled = PumpUntil(
        [&] {
            runs = start.IsRunning() && WaitForMainWindow(start, 0) != nullptr;
            return !start.IsRunning() || runs;
        },
        EXIT_TIMEOUT_MS);
    slowest = std::max(slowest, GetTickCount() - began);
    return settled;
}

// Eighty starts without an argument, ten at a time, against the running
// instance; then twenty rounds of "update" against a fresh instance, each
// with a start without argument right behind it, which either meets the
// ending instance or becomes the next. Never two main windows; every start
// ends or runs as the one instance within the bound.
TEST_F(FaultTest, HundredRapidSecondStarts_NeverTwoMainWindowsAndNoneHangs) {
    MAIN_WINDOW_WATCH watch;
    DWORD slowest = 0;
    for (int batch = 0; batch < 8; ++batch) {
        CHILD_PROCESS starts[10];
        for (CHILD_PROCESS& start : starts)
            ASSERT_TRUE(StartVaylo(start, ""));
        for (CHILD_PROCESS& start : starts) {
            bool runs = false;
            ASSERT_TRUE(EndsOrRuns(start, slowest, runs)) << "batch " << batch << ": a start hangs";
            EXPECT_FALSE(runs) << "batch " << batch;
            EXPECT_EQ(start.ExitCode(), 0u);
        }
        ASSERT_TRUE(RoundTrip(vaylo.main)) << "batch " << batch;
    }
    EXPECT_TRUE(vaylo.process.IsRunning());
    ASSERT_TRUE(vaylo.Exit());

    int becameInstance = 0;
    std::unique_ptr<VAYLO> running;
    for (int round = 0; round < 20; ++round) {
        if (!running) {
            running.reset(new VAYLO);
            ASSERT_TRUE(running->Start()) << "round " << round;
        }
        CHILD_PROCESS update, plain;
        ASSERT_TRUE(StartVaylo(update, " update"));
        ASSERT_TRUE(StartVaylo(plain, ""));
        bool runs = false;
        ASSERT_TRUE(EndsOrRuns(update, slowest, runs)) << "round " << round << ": \"update\" hangs";
        EXPECT_FALSE(runs);
        ASSERT_TRUE(running->process.WaitForExit()) << "round " << round << ": the instance did not end";
        EXPECT_EQ(running->process.ExitCode(), 0u);
        running.reset();
        ASSERT_TRUE(EndsOrRuns(plain, slowest, runs)) << "round " << round << ": a start hangs";
        if (runs) { // the instance from now on
            ++becameInstance;
            PostMessageW(WaitForMainWindow(plain), WM_COMMAND, IDC_EXIT, 0);
            ASSERT_TRUE(plain.WaitForExit());
        }
    }
    watch.Stop();
    std::printf("[ figures ] second starts: 100, slowest to end or run %lu ms, %d became the instance, most "
                "main windows at once %u\n",
                static_cast<unsigned long>(slowest), becameInstance, static_cast<unsigned>(watch.Most()));
    EXPECT_EQ(watch.Most(), 1u);
}

// ---- the taskbar coming back ----

int IconsOfVaylo() {
    int icons = 0;
    for (const TRAY_ICON& icon : TrayIcons())
        icons += icon.tip == L"Window Vaylo";
    return icons;
}

// "TaskbarCreated" a hundred times, sent to the main window and broadcast,
// now and then after the shell lost the icon, with the main window shown
// and in the tray: one icon, and the main window answers throughout.
TEST_F(FaultTest, TaskbarCreatedHundredTimes_OneIconAndTheMainWindowAnswers) {
    UINT const taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    ASSERT_NE(taskbarCreated, 0u);
    ASSERT_TRUE(PumpUntil([] { return IconsOfVaylo() == 1; }));
    ANSWER_WATCH watch(vaylo.main);
    for (int k = 0; k < 100; ++k) {
        if (k == 50) {
            PostMessageW(vaylo.main, WM_CLOSE, 0, 0); // into the tray, quietly
            ASSERT_TRUE(WaitVisible(vaylo.main, false));
        }
        if (k % 10 == 3)
            ShellDeleteIcon(vaylo.main); // as when the shell restarts
        if (k % 2 == 0)
            EXPECT_TRUE(vaylo.Send(taskbarCreated, 0, 0)) << k;
        else
            BoundedSend(HWND_BROADCAST, taskbarCreated, 0, 0, nullptr, 5000);
    }
    EXPECT_TRUE(RoundTrip(vaylo.main));
    EXPECT_TRUE(PumpUntil([&] { return ShellHasIcon(vaylo.main); }));
    EXPECT_TRUE(PumpUntil([] { return IconsOfVaylo() == 1; })) << IconsOfVaylo() << " icons";
    watch.Stop();
    ExpectAnswered(watch, "TaskbarCreated");

    // The one icon still restores the window.
    PostMessageW(vaylo.main, WM_TRAYNOTIFY, 0, WM_LBUTTONUP);
    EXPECT_TRUE(WaitVisible(vaylo.main, true));
}

// ---- settings no writer of ours stores ----

// The whole settings key filled with one kind of bad value, or with values
// drawn at random: Vaylo.exe shows its main window on the desktop, answers
// and exits with code 0. The defaults are in use wherever a value is not
// what its reader wants, among them the two default hotkeys (unless
// "UseHotkey" reads 0). Only two random hotkey texts may name the same
// combination: then the start asks whether to stop registering hotkeys, and
// the question is answered "Yes" and counted.
class StoredSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(MainWindowsOfAnyProcess().empty()) << "an instance is already running";
    }

    void Store(const STORED_SETTING& setting, const STORED_VALUE& value) const {
        ASSERT_TRUE(settings.Set(setting.subkey, setting.name, value.type, value.bytes.data(),
                                 static_cast<DWORD>(value.bytes.size())))
            << setting.name << " = " << value.label;
    }
    void TearDown() override { ClearRules(); }
    // The settings, and a rule for a program: nothing malformed is deleted or changed.
    void StoreEverywhere(const STORED_VALUE& value) const {
        for (const STORED_SETTING& setting : EVERY_SETTING)
            Store(setting, value);
        ASSERT_TRUE(WriteRule(NASTY_PROGRAM, value.type, value.bytes)) << value.label;
    }
    static bool RuleKept(const STORED_VALUE& value) {
        DWORD type = REG_NONE;
        std::string bytes;
        // Text types read back with the system's own terminator: only kind and presence count.
        return ReadRule(NASTY_PROGRAM, type, bytes) && type == value.type &&
               (bytes == value.bytes || type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ);
    }
    static constexpr const wchar_t* NASTY_PROGRAM = L"C:\\Programs\\nasty.exe";
    // One start: shown, on the desktop, answering, ended cleanly.
    void StartAndExit(const std::string& what, bool defaultsExpected, bool questionAllowed) {
        SCOPED_TRACE(what);
        WINDOW_QUERY question;
        question.title = L"Error";
        question.className = "#32770";
        ANSWERER answerer(question, [](HWND dialog, int) { PressButton(dialog, IDYES); });
        VAYLO vaylo;
        ++starts;
        bool shown = vaylo.Start();
        int asked = answerer.Stop();
        questions += asked;
        EXPECT_TRUE(questionAllowed || asked == 0) << "a hotkey question at the start";
        ASSERT_TRUE(shown) << "no main window";
        // A maximized window's frame lies just outside the screen, as it should.
        RECT placed = {}, desktop = {};
        GetWindowRect(vaylo.main, &placed);
        GetWindowRect(GetDesktopWindow(), &desktop);
        EXPECT_TRUE(IsZoomed(vaylo.main) ||
                    (placed.left >= desktop.left && placed.top >= desktop.top &&
                     placed.right <= desktop.right && placed.bottom <= desktop.bottom))
            << placed.left << "," << placed.top << "," << placed.right << "," << placed.bottom;
        EXPECT_TRUE(RoundTrip(vaylo.main));
        if (defaultsExpected)
            for (UINT key : {'H', 'M'}) // Ctrl+Shift+H and Ctrl+Shift+M are Vaylo's now
                if (RegisterHotKey(nullptr, 0xB100, MOD_CONTROL | MOD_SHIFT, key)) {
                    UnregisterHotKey(nullptr, 0xB100);
                    ADD_FAILURE() << "Ctrl+Shift+" << static_cast<char>(key) << " is not held";
                }
        EXPECT_TRUE(vaylo.Exit()) << "it did not end through Exit";
        EXPECT_EQ(vaylo.process.ExitCode(), 0u);
    }

    SCRATCH_KEY settings{VAYLO_KEY};
    int starts = 0;
    int questions = 0;
};

TEST_F(StoredSettingsTest, EveryValueOfOneBadKindOrDrawnAtRandom_StartsShowsAndExitsCleanly) {
    for (const STORED_VALUE& value : NastiestStoredValues(256 * 1024)) {
        StoreEverywhere(value);
        StartAndExit("every value " + value.label, !(value.IsDword() && value.Dword() == 0), false);
        EXPECT_TRUE(RuleKept(value)) << "the rule " << value.label << " was changed";
    }
    std::mt19937 random(13u);
    for (int run = 0; run < 20; ++run) {
        for (const STORED_SETTING& setting : EVERY_SETTING)
            Store(setting, RandomStoredValue(random));
        StartAndExit("drawn at random, run " + std::to_string(run), false, true);
    }
    std::printf("[ figures ] stored settings: %d real starts with bad values, %d hotkey questions answered\n",
                starts, questions);
}

// Hotkey texts that are no binding (nothing, "abc", zeros inside, a huge
// string) leave the default bindings in place, without a question.
TEST_F(StoredSettingsTest, HotkeyTextsThatAreNoBinding_StartWithTheDefaultsWithoutAQuestion) {
    for (const STORED_VALUE& value : NastiestStoredValues(256 * 1024)) {
        if (value.type != REG_SZ)
            continue;
        for (const char* name : {"Hide Active", "Popup Menu"})
            Store(STORED_SETTING{nullptr, name}, value);
        StartAndExit("hotkey texts " + value.label, true, false);
    }
}

// ---- the end of the session ----

// The session ends while three windows are held: they are shown at the
// question already, so that their programs can ask to save, and at the end.
class SessionEndTest : public FaultTest, public ::testing::WithParamInterface<int> {};

TEST_P(SessionEndTest, WhileHoldingThreeWindows_AllAreVisibleAgain) {
    std::wstring titles[3] = {Title(L"one"), Title(L"two"), Title(L"three")};
    ASSERT_TRUE(StartListedTargets({titles[0], titles[1], titles[2]}));
    std::vector<HWND> windows;
    for (const std::wstring& title : titles) {
        windows.push_back(targets.Window(title));
        ASSERT_TRUE(Hide(title));
    }
    int const steps = GetParam(); // 1: the question, 2: the end, 3: both
    if (steps & 1)
        vaylo.Send(WM_QUERYENDSESSION, 0, 0);
    if (steps & 2)
        vaylo.Send(WM_ENDSESSION, TRUE, 0); // the program may end on it
    EXPECT_EQ(Lost(windows, WAIT_MS), 0);
}

INSTANTIATE_TEST_SUITE_P(Messages, SessionEndTest, ::testing::Values(1, 2, 3));

// ---- a crash ----

// Wine's debugger would show its crash dialog and hold the dying process.
class NO_CRASH_DIALOG {
  public:
    NO_CRASH_DIALOG() {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\WineDbg", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            key = nullptr;
        DWORD size = sizeof previous;
        had = key && RegQueryValueExA(key, "ShowCrashDialog", nullptr, nullptr,
                                      reinterpret_cast<BYTE*>(&previous), &size) == ERROR_SUCCESS;
        DWORD off = 0;
        set = key && RegSetValueExA(key, "ShowCrashDialog", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&off),
                                    sizeof off) == ERROR_SUCCESS;
    }
    ~NO_CRASH_DIALOG() {
        if (key == nullptr)
            return;
        if (had)
            RegSetValueExA(key, "ShowCrashDialog", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous),
                           sizeof previous);
        else
            RegDeleteValueA(key, "ShowCrashDialog");
        RegCloseKey(key);
    }
    NO_CRASH_DIALOG(const NO_CRASH_DIALOG&) = delete;
    NO_CRASH_DIALOG& operator=(const NO_CRASH_DIALOG&) = delete;
    bool set = false;

  private:
    HKEY key = nullptr;
    DWORD previous = 0;
    bool had = false;
};

// ---- messages naming the program's memory ----

// Sent from this process, the owner-draw structures arrive as copies, but
// the item data in them and the tooltip's pointers still name memory of the
// program: its list's real entry, a point placed there, or an address where
// nothing lies. The program follows none of them: the entry stays (freed, it
// would be freed once more as the list lets it go), no menu item of nothing
// is measured, the tooltip reads no point and fills in no tool record, and
// the program ends cleanly.
// Then the list's item data is forged: an item names a copy of another
// window's entry written into the program, then that other real entry too. The double click hides nothing,
// and the entries are freed once each (a second free, or one of the copy, would crash the exit). Under Wine
// an exception in a message sent from another process is caught before the program sees it, so that a bad
// address alone would not show.
TEST_F(FaultTest, MessagesOfAnotherProcessNamingItsMemory_AreNotFollowed) {
    NO_CRASH_DIALOG noDialog;
    std::wstring title = Title(L"named"), forged = Title(L"forged"), copied = Title(L"copied");
    ASSERT_TRUE(StartListedTargets({title, forged, copied}));
    HWND list = GetDlgItem(vaylo.main, IDC_WINDOW_LIST);
    UINT index = static_cast<UINT>(vaylo.IndexOf(title));
    LRESULT entry = 0;
    ASSERT_TRUE(BoundedSend(list, LB_GETITEMDATA, index, 0, &entry));
    ASSERT_NE(entry, 0);
    ASSERT_EQ(vaylo.EntryTitle(static_cast<int>(index)), title);
    std::vector<HWND> tooltips = TooltipsOf(vaylo.main);
    ASSERT_EQ(tooltips.size(), 1u);
    RECT icon = {};
    ASSERT_TRUE(GetWindowRect(GetDlgItem(vaylo.main, IDC_PICKER), &icon));
    // A point in the program's own memory, which goes with the process.
    POINT centre = {(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2};
    void* onIcon = VirtualAllocEx(vaylo.process.Handle(), nullptr, sizeof centre, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(onIcon &&
                WriteProcessMemory(vaylo.process.Handle(), onIcon, &centre, sizeof centre, nullptr));

    DELETEITEMSTRUCT deleted = {ODT_LISTBOX, IDC_WINDOW_LIST, index, list, static_cast<ULONG_PTR>(entry)};
    EXPECT_TRUE(vaylo.Send(WM_DELETEITEM, IDC_WINDOW_LIST, reinterpret_cast<LPARAM>(&deleted)));
    DRAWITEMSTRUCT drawn = {ODT_LISTBOX,
                            IDC_WINDOW_LIST,
                            index,
                            ODA_DRAWENTIRE,
                            0,
                            list,
                            nullptr,
                            {0, 0, 8, 8},
                            static_cast<ULONG_PTR>(entry)};
    EXPECT_TRUE(vaylo.Send(WM_DRAWITEM, IDC_WINDOW_LIST, reinterpret_cast<LPARAM>(&drawn)));
    MEASUREITEMSTRUCT measured = {ODT_MENU, 0, IDM_FIRST_HIDDEN, 0, 0, 0};
    EXPECT_TRUE(vaylo.Send(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measured)));
    EXPECT_EQ(measured.itemHeight, 0u) << "a menu item of nothing was measured";
    LRESULT found = 0;
    EXPECT_TRUE(BoundedSend(tooltips[0], TTM_WINDOWFROMPOINT, 0, reinterpret_cast<LPARAM>(onIcon), &found));
    EXPECT_EQ(found, 0) << "the tooltip read a point";
    EXPECT_TRUE(BoundedSend(tooltips[0], TTM_RELAYEVENT, 0, 0x10)); // the first page is never mapped
    // A tool record in the program's memory, for the tooltip to fill in.
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    void* record = VirtualAllocEx(vaylo.process.Handle(), nullptr, sizeof tool, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(record && WriteProcessMemory(vaylo.process.Handle(), record, &tool, sizeof tool, nullptr));
    EXPECT_TRUE(BoundedSend(tooltips[0], TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(record)));
    ASSERT_TRUE(ReadProcessMemory(vaylo.process.Handle(), record, &tool, sizeof tool, nullptr));
    EXPECT_EQ(tool.hwnd, nullptr) << "the tooltip wrote a tool";

    ASSERT_TRUE(RoundTrip(vaylo.main)) << "the program no longer answers";
    EXPECT_EQ(vaylo.EntryTitle(static_cast<int>(index)), title) << "the entry was freed";
    EXPECT_TRUE(Hide(title));

    ASSERT_TRUE(vaylo.Refresh());
    LRESULT copiedEntry = 0, forgedEntry = 0;
    WPARAM copiedAt = static_cast<WPARAM>(vaylo.IndexOf(copied)),
           forgedAt = static_cast<WPARAM>(vaylo.IndexOf(forged));
    ASSERT_TRUE(BoundedSend(list, LB_GETITEMDATA, copiedAt, 0, &copiedEntry) &&
                BoundedSend(list, LB_GETITEMDATA, forgedAt, 0, &forgedEntry));
    char bytes[64] = {};
    void* copy = VirtualAllocEx(vaylo.process.Handle(), nullptr, sizeof bytes, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(copy &&
                ReadProcessMemory(vaylo.process.Handle(), reinterpret_cast<void*>(copiedEntry), bytes,
                                  sizeof bytes, nullptr) &&
                WriteProcessMemory(vaylo.process.Handle(), copy, bytes, sizeof bytes, nullptr));
    ASSERT_TRUE(BoundedSend(list, LB_SETITEMDATA, forgedAt, reinterpret_cast<LPARAM>(copy)));
    EXPECT_TRUE(vaylo.DoubleClickEntry(forged));
    ASSERT_TRUE(RoundTrip(targets.Window(copied)));
    EXPECT_TRUE(IsWindowVisible(targets.Window(copied))) << "the copy was followed";
    EXPECT_TRUE(IsWindowVisible(targets.Window(forged)));
    ASSERT_TRUE(BoundedSend(list, LB_SETITEMDATA, forgedAt, copiedEntry));
    ASSERT_TRUE(vaylo.Refresh());
    ExpectCleanExit();
}

#ifdef VAYLO_FAULTS_EXE

// The test build, with faults to order: a crash ("Vaylo.Fault.Crash") and
// menu items that cannot be made ("Vaylo.Fault.RefuseMenuItems", wParam 1).
class FaultBuildTest : public FaultTest {
  protected:
    FaultBuildTest() { program = WindowsPath(VAYLO_FAULTS_EXE); }
};

// A window is hidden only when its item exists: without one it could never
// come back.
TEST_F(FaultBuildTest, MenuItemRefused_TheWindowStaysVisibleAndLaterHidesComeBack) {
    std::wstring refused = Title(L"refused"), held = Title(L"held");
    ASSERT_TRUE(StartListedTargets({refused, held}));
    ASSERT_TRUE(MeasureEmptyMenu());
    UINT const refuse = RegisterWindowMessageW(L"Vaylo.Fault.RefuseMenuItems");
    ASSERT_NE(refuse, 0u);
    ASSERT_TRUE(vaylo.Send(refuse, 1, 0));
    ASSERT_TRUE(vaylo.DoubleClickEntry(refused));
    EXPECT_TRUE(RoundTrip(vaylo.main));
    EXPECT_TRUE(IsWindowVisible(targets.Window(refused)));
    EXPECT_EQ(HiddenItems(), 0);

    ASSERT_TRUE(vaylo.Send(refuse, 0, 0));
    ASSERT_TRUE(Hide(held));
    EXPECT_EQ(HiddenItems(), 1);
    ExpectCleanExit();
    EXPECT_EQ(Lost({targets.Window(refused), targets.Window(held)}, WAIT_MS), 0);
}

// A show that cannot be queued (a full message queue) keeps the item, with a
// beep: choosing it, the viewer, Exit, a forwarded "uninstall" and the close
// box (not to the tray) leave the window held and the program running; once
// shows go through, Exit gives it back.
TEST_F(FaultBuildTest, ShowRefused_TheItemStaysThroughRestoreViewerAndExit) {
    std::wstring title = Title(L"held");
    ASSERT_TRUE(StartListedTargets({title}));
    ASSERT_TRUE(MeasureEmptyMenu());
    ASSERT_TRUE(Hide(title));
    HWND window = targets.Window(title);
    UINT const refuse = RegisterWindowMessageW(L"Vaylo.Fault.RefuseShows");
    ASSERT_NE(refuse, 0u);
    ASSERT_TRUE(vaylo.Send(refuse, 1, 0));
    HWND menu = vaylo.OpenMenu();
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 0));
    HWND viewer = OpenViewer(vaylo);
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(DoubleClickViewerEntry(viewer, window));
    EXPECT_TRUE(ViewerLists(viewer, window));
    ASSERT_TRUE(CloseViewer(viewer));
    ASSERT_TRUE(vaylo.Command(IDC_EXIT));
    CHILD_PROCESS uninstall;
    ASSERT_TRUE(StartVaylo(uninstall, " uninstall", program));
    EXPECT_TRUE(uninstall.WaitForExit());
    settings.SetDword("CloseToTray", "CloseToTray", 0);
    EXPECT_TRUE(vaylo.Send(WM_CLOSE, 0, 0));
    EXPECT_TRUE(vaylo.process.IsRunning());
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(HiddenItems(), 1);
    EXPECT_EQ(HeldRecord().size(), 1u);

    ASSERT_TRUE(vaylo.Send(refuse, 0, 0));
    ExpectCleanExit();
    EXPECT_TRUE(WaitVisible(window, true));
}

// A program running as administrator refuses every show and hide (UIPI; here
// the refuse trigger's access-denied code): each window is told of once,
// naming it, the hidden one stays held, the one to hide stays visible, and
// Exit ends, leaving the held window in the record for a start as
// administrator.
TEST_F(FaultBuildTest, ShowsAndHidesDeniedAsToAnAdministratorsProgram_AreToldOnceAndExitEnds) {
    std::wstring held = Title(L"held"), shown = Title(L"shown");
    ASSERT_TRUE(StartListedTargets({held, shown}));
    ASSERT_TRUE(MeasureEmptyMenu());
    ASSERT_TRUE(Hide(held));
    ASSERT_TRUE(vaylo.Send(RegisterWindowMessageW(L"Vaylo.Fault.RefuseShows"), 2, 0));
    std::vector<std::wstring> told;
    HWND main = vaylo.main;
    ANSWERER answerer(OwnedDialog(main), [&](HWND box, int) {
        told.push_back(TitleOf(GetDlgItem(box, 0xFFFF)));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    for (int attempt = 0; attempt < 2; ++attempt) {
        HWND menu = vaylo.OpenMenu();
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 0));
        ASSERT_TRUE(PumpUntil([&] { return answerer.Seen() == 1 && RoundTrip(main); }));
    }
    ASSERT_TRUE(vaylo.DoubleClickEntry(shown));
    ASSERT_TRUE(PumpUntil([&] { return answerer.Seen() == 2 && RoundTrip(main); }));
    EXPECT_TRUE(IsWindowVisible(targets.Window(shown)));
    EXPECT_EQ(HiddenItems(), 1);
    PostMessageW(main, WM_COMMAND, IDC_EXIT, 0);
    EXPECT_TRUE(vaylo.process.WaitForExit(WAIT_MS)) << "Exit waits on the administrator's window";
    answerer.Stop();
    ASSERT_EQ(told.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
        EXPECT_NE(told[i].find(L"\"" + (i == 0 ? held : shown) + L"\""), std::wstring::npos)
            << Narrow(told[i]);
    EXPECT_FALSE(IsWindowVisible(targets.Window(held)));
    EXPECT_EQ(HeldRecord().count(RecordName(targets.Window(held))), 1u);
    ShowWindow(targets.Window(held), SW_SHOWNA);
}

// A rule's hides refused as to a program running as administrator: its
// program is told of once, not once per window, and both windows stay.
class RuleFaultTest : public FaultBuildTest {
  protected:
    RuleFaultTest() {
        DWORD whenMinimised = 1;
        ClearRules();
        WriteRule(TargetsProgram(), REG_DWORD,
                  std::string(reinterpret_cast<const char*>(&whenMinimised), sizeof whenMinimised));
    }
    ~RuleFaultTest() override { ClearRules(); }
};

TEST_F(RuleFaultTest, HidesDeniedAsToAnAdministratorsProgram_AreToldOncePerProgram) {
    std::wstring titles[2] = {Title(L"first"), Title(L"second")};
    ASSERT_TRUE(StartListedTargets({titles[0], titles[1]}));
    ASSERT_TRUE(vaylo.Send(RegisterWindowMessageW(L"Vaylo.Fault.RefuseShows"), 2, 0));
    std::vector<std::wstring> told;
    ANSWERER answerer(OwnedDialog(vaylo.main), [&](HWND box, int) {
        told.push_back(TitleOf(GetDlgItem(box, 0xFFFF)));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    });
    for (const std::wstring& title : titles) {
        ShowWindow(targets.Window(title), SW_MINIMIZE);
        EXPECT_TRUE(PumpUntil([&] { return told.size() == 1; }, 3000)) << "not told";
    }
    PumpFor(2000); // several looks: a second message would have come by now
    answerer.Stop();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find(L"targets.exe"), std::wstring::npos) << Narrow(told[0]);
    for (const std::wstring& title : titles)
        EXPECT_TRUE(IsWindowVisible(targets.Window(title)));
    EXPECT_TRUE(HeldRecord().empty());
}

// A recorded window whose item cannot be made at the next start is shown
// there and then, and leaves the record.
TEST_F(FaultBuildTest, MenuItemRefusedAtTheTakeOver_TheWindowIsShown) {
    std::wstring title = Title(L"no item");
    ASSERT_TRUE(StartListedTargets({title}));
    ASSERT_TRUE(Hide(title));
    vaylo.process.Terminate();
    SetEnvironmentVariableA("VAYLO_FAULT_REFUSE_MENU_ITEMS", "1");
    VAYLO again;
    bool started = again.Start(program);
    SetEnvironmentVariableA("VAYLO_FAULT_REFUSE_MENU_ITEMS", nullptr);
    ASSERT_TRUE(started);
    EXPECT_TRUE(WaitVisible(targets.Window(title), true));
    EXPECT_TRUE(HeldRecord().empty());
    EXPECT_TRUE(again.Exit());
}

// An exception that escapes to std::terminate (0), or an abort (1), while
// three windows are held: all three come back, and the process ends with the
// abort's code. A notice the runtime shows of the abort is answered.
class TerminateTest : public FaultBuildTest, public ::testing::WithParamInterface<int> {};

TEST_P(TerminateTest, WhileHoldingThreeWindows_AllThreeAreVisibleAfterwards) {
    std::vector<std::wstring> titles = {Title(L"one"), Title(L"two"), Title(L"three")};
    ASSERT_TRUE(StartListedTargets(titles));
    std::vector<HWND> windows;
    for (const std::wstring& title : titles) {
        windows.push_back(targets.Window(title));
        ASSERT_TRUE(Hide(title));
    }
    HWND main = vaylo.main;
    ANSWERER notice(ProcessDialog(vaylo.process.Id()), [main](HWND dialog, int) {
        if (dialog != main)
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    UINT const terminate = RegisterWindowMessageW(L"Vaylo.Fault.Terminate");
    ASSERT_NE(terminate, 0u);
    ASSERT_TRUE(PostMessageW(vaylo.main, terminate, static_cast<WPARAM>(GetParam()), 0));
    bool ended = vaylo.process.WaitForExit(EXIT_TIMEOUT_MS);
    notice.Stop();
    if (!ended)
        vaylo.process.Terminate();
    EXPECT_TRUE(ended) << "the process did not end";
    EXPECT_EQ(vaylo.process.ExitCode(), 3u) << "ended by something other than the abort";
    EXPECT_EQ(Lost(windows, WAIT_MS), 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, TerminateTest, ::testing::Values(0, 1));

// The Hot Key options opened and closed first: the program sets its crash
// handling up again afterwards, and must not chain it to itself.
TEST_F(FaultBuildTest, CrashWhileHoldingThreeWindows_AllThreeAreVisibleAfterwards) {
    NO_CRASH_DIALOG noDialog;
    ASSERT_TRUE(noDialog.set);
    PostMessageW(vaylo.main, WM_COMMAND, IDC_OPTIONS, 0);
    HWND options = WaitForWindow(ProcessDialog(vaylo.process.Id(), L"Hot Key"));
    ASSERT_NE(options, nullptr) << "the hotkey options did not open";
    PostMessageW(options, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(options); }));
    std::wstring titles[3] = {Title(L"one"), Title(L"two"), Title(L"three")};
    ASSERT_TRUE(StartListedTargets({titles[0], titles[1], titles[2]}));
    std::vector<HWND> windows;
    for (const std::wstring& title : titles) {
        windows.push_back(targets.Window(title));
        ASSERT_TRUE(Hide(title));
    }
    UINT const crash = RegisterWindowMessageW(L"Vaylo.Fault.Crash");
    ASSERT_NE(crash, 0u);
    ASSERT_TRUE(PostMessageW(vaylo.main, crash, 0, 0));
    bool ended = vaylo.process.WaitForExit(EXIT_TIMEOUT_MS);
    if (!ended)
        vaylo.process.Terminate();
    EXPECT_TRUE(ended) << "the crashed process did not end";
    EXPECT_EQ(vaylo.process.ExitCode(), static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION))
        << "ended by something other than the crash itself";
    int lost = Lost(windows, WAIT_MS);
    std::printf("[ figures ] crash: windows lost %d of 3\n", lost);
    EXPECT_EQ(lost, 0);
}

#endif

} // namespace
