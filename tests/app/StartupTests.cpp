// End-to-end: the real Vaylo.exe under the single-instance rules.

#include "Desktop.h"

#include "support/Dialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

ULONG_PTR const COPYDATA_COMMAND_LINE = 1;

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A leftover instance would turn every first start into a second one.
        ASSERT_TRUE(MainWindowsOfAnyProcess().empty()) << "an instance is already running";
    }

    // Starts the first instance and waits for its visible main window.
    HWND StartFirst() { return StartVaylo(first, "") ? WaitForMainWindow(first) : nullptr; }

    // The first instance has handled everything sent before and still runs
    // with its window shown.
    void ExpectFirstStillRuns(HWND main) {
        EXPECT_TRUE(RoundTrip(main));
        EXPECT_TRUE(first.IsRunning());
        EXPECT_TRUE(IsWindowVisible(main));
        EXPECT_EQ(MainWindowsOfAnyProcess().size(), 1u);
    }

    // Starts Vaylo.exe with tail: it must end within the bound, with exit
    // code 0 and without ever showing a window.
    static ::testing::AssertionResult EndsWithoutWindow(CHILD_PROCESS& start, const std::string& tail) {
        if (!StartVaylo(start, tail))
            return ::testing::AssertionFailure() << "Vaylo.exe did not start";
        bool sawWindow = true;
        if (!start.WaitForExit(EXIT_TIMEOUT_MS, &sawWindow))
            return ::testing::AssertionFailure() << "it did not end";
        if (start.ExitCode() != 0)
            return ::testing::AssertionFailure() << "exit code " << start.ExitCode();
        if (sawWindow)
            return ::testing::AssertionFailure() << "it showed a window";
        return ::testing::AssertionSuccess();
    }

    CHILD_PROCESS first;
    CHILD_PROCESS second;
};

void SendCopyBytes(HWND target, ULONG_PTR kind, const std::string& bytes) {
    COPYDATASTRUCT data = {kind, static_cast<DWORD>(bytes.size()),
                           bytes.empty() ? nullptr : const_cast<char*>(bytes.data())};
    BoundedSend(target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), nullptr, 5000);
}

void SendCopyData(HWND target, ULONG_PTR kind, const char* text) {
    SendCopyBytes(target, kind, std::string(text, std::strlen(text) + 1));
}

TEST_F(StartupTest, FirstStart_ShowsOneMainWindowWithTheDialogControls) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);

    WINDOW_QUERY ofFirst;
    ofFirst.processId = first.Id();
    std::vector<HWND> windows = FindWindows(ofFirst);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(ClassOf(windows[0]), "#32770");
    EXPECT_EQ(TitleOf(windows[0]), L"Window Vaylo");

    struct CONTROL {
        int id;
        const char* className;
        const wchar_t* text; // null: not a text (the picker's is its icon's id)
        bool visible;
    } const controls[] = {
        {IDC_HIDE_ME, "Button", L"&Hide Me", true},
        {IDC_EXIT, "Button", L"E&xit", true},
        {IDC_WINDOW_LIST, "ListBox", L"", true},
        {IDC_ABOUT, "Button", L"&About", true},
        {IDC_OPTIONS, "Button", L"&Options", true},
        {IDC_VIEW_HIDDEN, "Button", L"Vie&w Hidden Windows", true},
        {IDC_HOTKEY_HIDE_ACTIVE, "Button", L"hidden button for hot key", false},
        {IDC_HOTKEY_POPUP_MENU, "Button", L"hidden button for hot key", false},
        {IDC_PICKER, "Static", nullptr, true},
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
    HWND picker = GetDlgItem(main, IDC_PICKER);
    EXPECT_NE(SendMessageA(picker, STM_GETICON, 0, 0), 0);
    EXPECT_EQ(GetWindowLongA(picker, GWL_STYLE) & SS_NOTIFY, 0);
}

TEST_F(StartupTest, SecondStartWithoutArgument_BringsFirstToFrontAndEndsWithoutWindow) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);
    TEST_WINDOW thief("Foreground thief"); // of this program, to take the foreground away
    ASSERT_TRUE(BringToFront(thief, 5000));

    ASSERT_TRUE(EndsWithoutWindow(second, ""));

    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000));
    ExpectFirstStillRuns(main);
}

TEST_F(StartupTest, SecondStart_WhenRunningWindowCannotBeFound_EndsSilently) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);
    // Under another title the running instance is not recognised.
    ASSERT_TRUE(SetWindowTextA(main, "Renamed"));

    ASSERT_TRUE(EndsWithoutWindow(second, ""));
    EXPECT_TRUE(RoundTrip(main));
    EXPECT_TRUE(first.IsRunning());
}

// A dialog titled "Window Vaylo" on a thread of this program that stops
// pumping messages: another program's window that merely bears the title, or
// a running instance that hangs. Created after the real instance, it lies
// above it and is the first dialog so titled that a second start meets.
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

// The word goes to the dialog of a process that runs this program, past
// another program's (hung) dialog of the same title.
TEST_F(StartupTest, SecondStart_PassesOverAnotherProgramsDialogOfTheSameTitle) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);
    HUNG_IMPOSTOR impostor;
    ASSERT_TRUE(impostor.ready);

    ASSERT_TRUE(EndsWithoutWindow(second, " update"));
    EXPECT_TRUE(first.WaitForExit(EXIT_TIMEOUT_MS)) << "the word did not reach the running instance";
}

// Where no process of this program shows such a dialog (the instance is
// still known by its named object), the first dialog so titled gets the word;
// when it hangs, the second start still ends.
TEST_F(StartupTest, SecondStart_WhenRunningWindowHangs_StillEnds) {
    std::unique_ptr<void, decltype(&CloseHandle)> instance(
        CreateMutexA(nullptr, FALSE, "MV_Rtl.Instance.VAYLO.EXE"), &CloseHandle);
    ASSERT_NE(instance.get(), nullptr);
    HUNG_IMPOSTOR impostor;
    ASSERT_TRUE(impostor.ready);

    ASSERT_TRUE(EndsWithoutWindow(second, " update"));
}

// Argument tails that make a second start end the first instance.
class CommandWordTest : public StartupTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CommandWordTest, SecondStart_EndsFirstInstance_BothExitZero) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);

    ASSERT_TRUE(EndsWithoutWindow(second, GetParam()));

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

    ASSERT_TRUE(EndsWithoutWindow(second, GetParam()));
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
    ASSERT_TRUE(EndsWithoutWindow(first, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Words, LoneCommandWordTest, ::testing::Values(" uninstall", " UPDATE"));

// Only a command word as a second start sends it ends the program: any other
// kind or text, a longer payload, one without its zero or with more after it
// is ignored (an elevated instance hears this message from anyone).
TEST_F(StartupTest, CopyData_OnlyAForwardedCommandWordEndsProgram) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);

    struct PAYLOAD {
        ULONG_PTR kind;
        std::string bytes;
    } const ignored[] = {
        {2, std::string("update", 7)},
        {COPYDATA_COMMAND_LINE, std::string("whatever", 9)},
        {COPYDATA_COMMAND_LINE, std::string("update now", 11)},
        {COPYDATA_COMMAND_LINE, std::string("update")},           // no zero
        {COPYDATA_COMMAND_LINE, std::string("update\0junk", 12)}, // more after the zero
        {COPYDATA_COMMAND_LINE, std::string("update") + std::string(4096, '\0')},
        {COPYDATA_COMMAND_LINE, std::string()},
    };
    for (const PAYLOAD& payload : ignored) {
        SCOPED_TRACE(payload.bytes.substr(0, 12));
        SendCopyBytes(main, payload.kind, payload.bytes);
        ExpectFirstStillRuns(main);
    }

    SendCopyData(main, COPYDATA_COMMAND_LINE, "UnInstall");
    ASSERT_TRUE(first.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_EQ(first.ExitCode(), 0u);
}

TEST_F(StartupTest, ExitButton_EndsProgramWithCodeZero) {
    HWND main = StartFirst();
    ASSERT_NE(main, nullptr);

    PressButton(main, IDC_EXIT);
    ASSERT_TRUE(first.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_EQ(first.ExitCode(), 0u);
}

} // namespace
