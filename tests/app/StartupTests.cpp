// End-to-end: the real Vaylo.exe under the single-instance rules.

#include "VayloProcess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

ULONG_PTR const COPYDATA_COMMAND_LINE = 1;
UINT const WM_TRAYNOTIFY = WM_APP + 1;

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A leftover instance would turn every first start into a second one.
        ASSERT_TRUE(MainWindowsOfAnyProcess().empty()) << "an instance is already running";
    }

    // Starts the first instance and waits for its visible main window.
    HWND StartFirst() {
        if (!first.StartVaylo(""))
            return nullptr;
        return WaitForMainWindow(first, START_TIMEOUT_MS);
    }

    // The first instance has handled everything sent before and still runs
    // with its window shown.
    void ExpectFirstStillRuns(HWND main) {
        EXPECT_TRUE(RoundTrip(main));
        EXPECT_TRUE(first.IsRunning());
        EXPECT_TRUE(IsWindowVisible(main));
        EXPECT_EQ(MainWindowsOfAnyProcess().size(), 1u);
    }

    CHILD_PROCESS first;
    CHILD_PROCESS second;
};

// A plain window of this test program, to take the foreground away.
class FOREGROUND_THIEF {
  public:
    FOREGROUND_THIEF() {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "VayloTestForeground";
        RegisterClassA(&windowClass);
        window = CreateWindowA("VayloTestForeground", "Foreground thief", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               10, 10, 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~FOREGROUND_THIEF() {
        if (window != nullptr)
            DestroyWindow(window);
    }
    bool TakeForeground() {
        SetForegroundWindow(window);
        return PumpUntil([&] { return GetForegroundWindow() == window; }, 5000);
    }
    HWND window = nullptr;
};

void SendCopyData(HWND target, ULONG_PTR kind, const char* text) {
    COPYDATASTRUCT data = {};
    data.dwData = kind;
    data.cbData = static_cast<DWORD>(lstrlenA(text) + 1);
    data.lpData = const_cast<char*>(text);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000,
                        &result);
}

TEST_F(StartupTest, FirstStart_ShowsOneMainWindowWithTheDialogControls) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);

    std::vector<HWND> windows = VisibleTopLevelWindows(first.Id());
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(ClassOf(windows[0]), "#32770");
    EXPECT_EQ(TitleOf(windows[0]), L"Window Vaylo");

    struct CONTROL {
        int id;
        const char* className;
        const wchar_t* text; // null: not a text (the picker's is its icon's id)
        bool visible;
    } const controls[] = {
        {1, "Button", L"&Hide Me", true},
        {2, "Button", L"E&xit", true},
        {1000, "ListBox", L"", true},
        {1001, "Button", L"&About", true},
        {1003, "Button", L"&Options", true},
        {1006, "Button", L"Vie&w Hidden Windows", true},
        {1009, "Button", L"hidden button for hot key", false},
        {1010, "Button", L"hidden button for hot key", false},
        {1011, "Static", nullptr, true},
    };
    for (const CONTROL& control : controls) {
        SCOPED_TRACE(control.id);
        HWND child = GetDlgItem(main, control.id);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(lstrcmpiA(ClassOf(child).c_str(), control.className), 0) << ClassOf(child);
        if (control.text != nullptr) {
            EXPECT_EQ(TitleOf(child), control.text);
        }
        EXPECT_EQ(IsWindowVisible(child) != FALSE, control.visible);
    }
    // The picker shows icon 104 and lets mouse presses through to the dialog.
    HWND picker = GetDlgItem(main, 1011);
    EXPECT_NE(SendMessageA(picker, STM_GETICON, 0, 0), 0);
    EXPECT_EQ(GetWindowLongA(picker, GWL_STYLE) & SS_NOTIFY, 0);
}

TEST_F(StartupTest, SecondStartWithoutArgument_BringsFirstToFrontAndEndsWithoutWindow) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);
    FOREGROUND_THIEF thief;
    ASSERT_TRUE(thief.TakeForeground());

    ASSERT_TRUE(second.StartVaylo(""));
    bool sawWindow = true;
    ASSERT_TRUE(second.WaitForExit(EXIT_TIMEOUT_MS, &sawWindow));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_FALSE(sawWindow);

    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000));
    ExpectFirstStillRuns(main);
}

TEST_F(StartupTest, SecondStart_WhenRunningWindowCannotBeFound_EndsSilently) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);
    // Under another title the running instance is not recognised.
    ASSERT_TRUE(SetWindowTextA(main, "Renamed"));

    ASSERT_TRUE(second.StartVaylo(""));
    bool sawWindow = true;
    ASSERT_TRUE(second.WaitForExit(EXIT_TIMEOUT_MS, &sawWindow));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_FALSE(sawWindow);
    EXPECT_TRUE(RoundTrip(main));
    EXPECT_TRUE(first.IsRunning());
}

// A dialog titled "Window Vaylo" on a thread of this program that stops
// pumping messages: a running instance that hangs. Created after the real
// instance, it lies above it and is the one a second start finds.
class HUNG_IMPOSTOR {
  public:
    HUNG_IMPOSTOR() {
        created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
        ready = thread != nullptr && WaitForSingleObject(created, START_TIMEOUT_MS) == WAIT_OBJECT_0 &&
                window != nullptr;
    }
    ~HUNG_IMPOSTOR() {
        SetEvent(release);
        if (thread != nullptr) {
            WaitForSingleObject(thread, EXIT_TIMEOUT_MS);
            CloseHandle(thread);
        }
        CloseHandle(created);
        CloseHandle(release);
    }
    HUNG_IMPOSTOR(const HUNG_IMPOSTOR&) = delete;
    HUNG_IMPOSTOR& operator=(const HUNG_IMPOSTOR&) = delete;

    bool ready = false;
    HWND window = nullptr;

  private:
    static DWORD WINAPI Run(void* context) {
        auto* self = static_cast<HUNG_IMPOSTOR*>(context);
        self->window = CreateWindowExA(0, "#32770", "Window Vaylo", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50,
                                       50, 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetEvent(self->created);
        // No message loop until released: every message sent to it waits.
        WaitForSingleObject(self->release, 120000);
        if (self->window != nullptr)
            DestroyWindow(self->window);
        return 0;
    }
    HANDLE created = nullptr;
    HANDLE release = nullptr;
    HANDLE thread = nullptr;
};

TEST_F(StartupTest, SecondStart_WhenRunningWindowHangs_StillEnds) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);
    HUNG_IMPOSTOR impostor;
    ASSERT_TRUE(impostor.ready);

    ASSERT_TRUE(second.StartVaylo(" update"));
    bool sawWindow = true;
    ASSERT_TRUE(second.WaitForExit(EXIT_TIMEOUT_MS, &sawWindow));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_FALSE(sawWindow);
    // The word went to the hung window; the real instance runs on.
    EXPECT_TRUE(RoundTrip(main));
    EXPECT_TRUE(first.IsRunning());
}

// Argument tails that make a second start end the first instance.
class CommandWordTest : public StartupTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CommandWordTest, SecondStart_EndsFirstInstance_BothExitZero) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);

    ASSERT_TRUE(second.StartVaylo(GetParam()));
    bool sawWindow = true;
    ASSERT_TRUE(second.WaitForExit(EXIT_TIMEOUT_MS, &sawWindow));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_FALSE(sawWindow);

    ASSERT_TRUE(first.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_EQ(first.ExitCode(), 0u);
    EXPECT_TRUE(MainWindowsOfAnyProcess().empty());
}

// Blanks and tabs before the word are skipped with the program path.
INSTANTIATE_TEST_SUITE_P(Words, CommandWordTest,
                         ::testing::Values(" update", " UPDATE", " uninstall", " Uninstall", "   \tupdate"));

// Argument tails that are no command word: the second start only activates.
class NoCommandWordTest : public StartupTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(NoCommandWordTest, SecondStart_LeavesFirstInstanceRunning) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);

    ASSERT_TRUE(second.StartVaylo(GetParam()));
    bool sawWindow = true;
    ASSERT_TRUE(second.WaitForExit(EXIT_TIMEOUT_MS, &sawWindow));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_FALSE(sawWindow);
    ExpectFirstStillRuns(main);
}

INSTANTIATE_TEST_SUITE_P(NotWords, NoCommandWordTest,
                         ::testing::Values(" update now", " update ", " updates", " \"update\"", " /update",
                                           " upd"));

TEST_F(StartupTest, CommandWordWithUnquotedProgramPath_EndsFirstInstance) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);

    ASSERT_TRUE(second.Start(VayloPath().c_str(), VayloPath() + " update"));
    ASSERT_TRUE(second.WaitForExit(EXIT_TIMEOUT_MS));
    ASSERT_TRUE(first.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_EQ(first.ExitCode(), 0u);
}

// Without a running instance a command word ends the start at once.
class LoneCommandWordTest : public StartupTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(LoneCommandWordTest, EndsAtOnceWithoutWindow) {
    ASSERT_TRUE(first.StartVaylo(GetParam()));
    bool sawWindow = true;
    ASSERT_TRUE(first.WaitForExit(EXIT_TIMEOUT_MS, &sawWindow));
    EXPECT_EQ(first.ExitCode(), 0u);
    EXPECT_FALSE(sawWindow);
}

INSTANTIATE_TEST_SUITE_P(Words, LoneCommandWordTest, ::testing::Values(" uninstall", " UPDATE"));

TEST_F(StartupTest, CopyData_OtherKindIgnored_CommandLineKindEndsProgram) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);

    SendCopyData(main, 2, "update");
    ExpectFirstStillRuns(main);

    SendCopyData(main, COPYDATA_COMMAND_LINE, "whatever");
    ASSERT_TRUE(first.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_EQ(first.ExitCode(), 0u);
}

TEST_F(StartupTest, ExitButton_EndsProgramWithCodeZero) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);

    PostMessageA(main, WM_COMMAND, MAKEWPARAM(2, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(main, 2)));
    ASSERT_TRUE(first.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_EQ(first.ExitCode(), 0u);
}

// Not an assertion: the time from process creation to a visible main window,
// printed for the record. Each start ends through the Exit button.
TEST_F(StartupTest, StartupTime_Report) {
    std::vector<double> times;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int run = 0; run < 5; ++run) {
        CHILD_PROCESS process;
        LARGE_INTEGER before, after;
        QueryPerformanceCounter(&before);
        ASSERT_TRUE(process.StartVaylo(""));
        HWND main = WaitForMainWindow(process, START_TIMEOUT_MS);
        QueryPerformanceCounter(&after);
        ASSERT_NE(main, nullptr);
        times.push_back(1000.0 * static_cast<double>(after.QuadPart - before.QuadPart) /
                        static_cast<double>(frequency.QuadPart));
        PostMessageA(main, WM_COMMAND, 2, 0);
        ASSERT_TRUE(process.WaitForExit(EXIT_TIMEOUT_MS));
    }
    std::sort(times.begin(), times.end());
    std::printf("[ startup  ] process start to visible main window: min %.0f ms, median %.0f ms, max %.0f ms "
                "(%u starts)\n",
                times.front(), times[times.size() / 2], times.back(), static_cast<unsigned>(times.size()));
    RecordProperty("startup_median_ms", static_cast<int>(times[times.size() / 2]));
}

} // namespace
