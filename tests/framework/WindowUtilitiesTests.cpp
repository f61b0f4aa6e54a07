#include "ProbeIds.h"

#include "framework/WindowUtilities.h"
#include "support/Process.h"
#include "support/Window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

HWND MakeWindow(const char* className, const char* title, HWND parent = nullptr) {
    DWORD style = parent ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW;
    return CreateWindowExA(0, className, title, style, 20, 20, 300, 200, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// ------------------------------------------------------------ FindTopLevelWindow

class FindWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(RegisterClassOnce("VayloFindProbeLongName"));
        ASSERT_TRUE(RegisterClassOnce("VayloFindProbeShort"));
        named = MakeWindow("VayloFindProbeLongName", "Alpha Window Vaylo Probe");
        shortClass = MakeWindow("VayloFindProbeShort", "Beta Window Vaylo Probe");
        untitled = MakeWindow("VayloFindProbeShort", "");
        nested = MakeWindow("BUTTON", "Nested Vaylo Probe Button", named);
        ASSERT_TRUE(named && shortClass && untitled && nested);
    }

    void TearDown() override {
        DestroyWindow(named);
        DestroyWindow(shortClass);
        DestroyWindow(untitled);
    }

    HWND named = nullptr, shortClass = nullptr, untitled = nullptr, nested = nullptr;
};

TEST_F(FindWindowTest, Title_IsACaseInsensitiveSubstring) {
    EXPECT_EQ(named, FindTopLevelWindow("alpha window vaylo", nullptr, nullptr, false));
    EXPECT_EQ(named, FindTopLevelWindow("VAYLO PROBE", "VayloFindProbeLong", nullptr, false));
    EXPECT_EQ(shortClass, FindTopLevelWindow("beta window vaylo probe", "", nullptr, false));
    EXPECT_EQ(nullptr, FindTopLevelWindow("gamma window vaylo probe", nullptr, nullptr, false));
}

TEST_F(FindWindowTest, ClassName_MustBeginWithTheArgument) {
    EXPECT_EQ(named, FindTopLevelWindow("Vaylo Probe", "vaylofindprobelongname", nullptr, false));
    // A class name shorter than the argument never matches.
    EXPECT_EQ(nullptr, FindTopLevelWindow("Beta Window", "VayloFindProbeShortX", nullptr, false));
    EXPECT_EQ(nullptr, FindTopLevelWindow("Alpha Window", "VayloFindProbeShort", nullptr, false));
}

TEST_F(FindWindowTest, EmptyAndNullTitles) {
    // An empty pattern is in every title, an empty title holds only the empty pattern.
    EXPECT_NE(nullptr, FindTopLevelWindow("", "VayloFindProbeShort", nullptr, false));
    HWND found = FindTopLevelWindow(nullptr, "VayloFindProbeShort", nullptr, false);
    EXPECT_TRUE(found == shortClass || found == untitled);
    DestroyWindow(shortClass);
    shortClass = nullptr;
    EXPECT_EQ(untitled, FindTopLevelWindow("", "VayloFindProbeShort", nullptr, false));
    EXPECT_EQ(nullptr, FindTopLevelWindow("x", "VayloFindProbeShort", nullptr, false));
}

TEST_F(FindWindowTest, Recurse_SearchesChildrenDepthFirst) {
    EXPECT_EQ(nullptr, FindTopLevelWindow("nested vaylo probe", nullptr, nullptr, false));
    EXPECT_EQ(nested, FindTopLevelWindow("nested vaylo probe", "button", nullptr, true));
    EXPECT_EQ(nested, FindTopLevelWindow("nested", nullptr, named, false));
}

INT_PTR CALLBACK SilentDialogProc(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

TEST(FindTopLevelWindow, DialogClass_MatchesARealDialog) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROBE_CHILD), nullptr,
                                     SilentDialogProc, 0);
    ASSERT_NE(nullptr, dialog);
    SetWindowTextA(dialog, "Dialog Window Vaylo Probe");
    EXPECT_EQ(dialog, FindTopLevelWindow("dialog window vaylo", "#32770", nullptr, false));
    EXPECT_EQ(nullptr, FindTopLevelWindow("dialog window vaylo", "#327701", nullptr, false));
    DestroyWindow(dialog);
    EXPECT_EQ(nullptr, FindTopLevelWindow("dialog window vaylo", "#32770", nullptr, false));
}

// ------------------------------------------------------------ IsWindowShownToUser

// The cloaked answers of Windows 8 on (1: the app, 2: the shell, 4: inherited)
// hide a visible window; a failed query (no window manager) does not.
TEST(ShownToUser, VisibleAndNotCloaked) {
    struct CASE {
        bool visible;
        HRESULT query;
        DWORD cloaked;
        bool shown;
    } const cases[] = {
        {true, S_OK, 0, true},      {true, S_OK, 1, false},       {true, S_OK, 2, false},
        {true, S_OK, 4, false},     {false, S_OK, 0, false},      {true, E_INVALIDARG, 2, true},
        {true, E_NOTIMPL, 0, true}, {false, E_NOTIMPL, 0, false},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(c.shown, ShownToUser(c.visible, c.query, c.cloaked))
            << c.visible << " " << std::hex << c.query << " " << c.cloaked;
    // Wine cloaks nothing: the real question follows visibility.
    HWND window = MakeWindow("STATIC", "Vaylo shown probe");
    EXPECT_FALSE(IsWindowShownToUser(window));
    ShowWindow(window, SW_SHOWNOACTIVATE);
    EXPECT_TRUE(IsWindowShownToUser(window));
    DestroyWindow(window);
    EXPECT_FALSE(IsWindowShownToUser(window));
}

// ------------------------------------------------------------ WindowClassName

TEST(WindowClassName, LongNamesAndDeadWindows) {
    std::string exact(32, 'K');
    std::string longName = "VayloClassNameProbe" + std::string(60, 'x');
    ASSERT_TRUE(RegisterClassOnce(exact.c_str()));
    ASSERT_TRUE(RegisterClassOnce(longName.c_str()));
    HWND a = MakeWindow(exact.c_str(), "a");
    HWND b = MakeWindow(longName.c_str(), "b");
    EXPECT_STREQ(exact.c_str(), WindowClassName(a).c_str());
    EXPECT_STREQ(longName.c_str(), WindowClassName(b).c_str());
    DestroyWindow(a);
    DestroyWindow(b);
    STRING dead = WindowClassName(a);
    EXPECT_FALSE(dead.HasBuffer());
}

// ------------------------------------------------------------ ReadWindowTitle

TEST(ReadWindowTitle, OwnWindow_UpTo254Characters) {
    ASSERT_TRUE(RegisterClassOnce("VayloTitleOwn"));
    std::string longTitle(300, 'T');
    HWND window = MakeWindow("VayloTitleOwn", "Own Title Probe");
    EXPECT_STREQ("Own Title Probe", ReadWindowTitle(window).c_str());
    SetWindowTextA(window, longTitle.c_str());
    EXPECT_EQ(254u, ReadWindowTitle(window).Length());
    DestroyWindow(window);
    EXPECT_EQ(0u, ReadWindowTitle(window).Length());
}

// Another process that owns one titled window.
class TITLE_HELPER {
  public:
    TITLE_HELPER(const wchar_t* mode, const std::wstring& title) : ready("ready"), release("release") {
        std::string exe = ProgramPath("framework_title_helper.exe");
        std::wstring line = L"\"" + Wide(exe) + L"\" " + Wide(ready.name) + L" " + mode + L" " +
                            Wide(release.name) + L" \"" + title + L"\"";
        if (!helper.Start(line) || !PumpUntil([&] { return ready.Wait(0) || !helper.IsRunning(); }, 60000))
            return;
        WINDOW_QUERY query;
        query.threadId = helper.ThreadId();
        window = ready.Wait(0) ? FirstWindow(query) : nullptr;
    }

    ~TITLE_HELPER() {
        release.Set();
        if (window)
            PostMessageW(window, WM_CLOSE, 0, 0);
        helper.WaitForExit();
    }

    HWND window = nullptr;

  private:
    static std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }
    NAMED_EVENT ready, release;
    CHILD_PROCESS helper;
};

std::string Ansi(const std::wstring& text) {
    char buffer[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, sizeof(buffer) - 1, nullptr, nullptr);
    return buffer;
}

TEST(ReadWindowTitle, OtherProcess_ReturnsTheStoredTitle) {
    std::wstring title = L"Other Process Vaylo Probe \u00e9t\u00e9";
    TITLE_HELPER helper(L"normal", title);
    ASSERT_NE(nullptr, helper.window);
    EXPECT_EQ(Ansi(title), ReadWindowTitle(helper.window).c_str());
    EXPECT_EQ(helper.window,
              FindTopLevelWindow("other process vaylo probe", "VayloTitleProbe", nullptr, false));
}

TEST(ReadWindowTitle, OtherProcess_LongTitleIsCutTo254) {
    std::wstring title(300, L'L');
    TITLE_HELPER helper(L"normal", title);
    ASSERT_NE(nullptr, helper.window);
    EXPECT_EQ(std::string(254, 'L'), ReadWindowTitle(helper.window).c_str());
}

DWORD WINAPI ReadTitleOnThread(void* parameter) {
    auto* job = static_cast<std::pair<HWND, std::string>*>(parameter);
    job->second = ReadWindowTitle(job->first).c_str();
    return 0;
}

TEST(ReadWindowTitle, HungWindowOfOtherProcess_ReturnsWithoutWaiting) {
    TITLE_HELPER helper(L"hung", L"Hung Vaylo Probe");
    ASSERT_NE(nullptr, helper.window);
    // Read on a worker so a hang would show as a failure rather than a stuck test.
    std::pair<HWND, std::string> job(helper.window, "");
    HANDLE worker = CreateThread(nullptr, 0, ReadTitleOnThread, &job, 0, nullptr);
    ASSERT_NE(nullptr, worker);
    bool returned = WaitForSingleObject(worker, 60000) == WAIT_OBJECT_0;
    EXPECT_TRUE(returned);
    if (returned) {
        EXPECT_EQ("Hung Vaylo Probe", job.second);
    } else {
        TerminateThread(worker, 1);
    }
    CloseHandle(worker);
}

// ------------------------------------------------------------ MoveWindowTo and CentreWindow

RECT RectOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

TEST(CentreWindow, OverReferenceAndClampedToDesktop) {
    ASSERT_TRUE(RegisterClassOnce("VayloCentreProbe"));
    RECT desk = RectOf(GetDesktopWindow());
    HWND reference = MakeWindow("VayloCentreProbe", "reference");
    HWND window = MakeWindow("VayloCentreProbe", "window");
    MoveWindow(reference, 300, 200, 400, 300, FALSE);
    MoveWindow(window, 0, 0, 201, 101, FALSE);

    CentreWindow(window, reference);
    RECT r = RectOf(window);
    EXPECT_EQ(400, r.left); // centre 500,350; odd sizes lose a pixel
    EXPECT_EQ(300, r.top);
    EXPECT_EQ(200, r.right - r.left);
    EXPECT_EQ(100, r.bottom - r.top);

    // A reference at the right edge: the window stays on the desktop.
    MoveWindow(reference, desk.right - 100, 200, 100, 300, FALSE);
    CentreWindow(window, reference);
    r = RectOf(window);
    EXPECT_EQ(desk.right, r.right);

    // A window taller than a reference near the top is kept below the top edge.
    MoveWindow(reference, 300, 10, 400, 40, FALSE);
    MoveWindow(window, 0, 0, 200, 300, FALSE);
    CentreWindow(window, reference);
    EXPECT_EQ(0, RectOf(window).top);

    // No reference: the desktop.
    CentreWindow(window, nullptr);
    r = RectOf(window);
    EXPECT_EQ(desk.right / 2, (r.left + r.right) / 2);
    EXPECT_EQ(desk.bottom / 2, (r.top + r.bottom) / 2);

    DestroyWindow(window);
    CentreWindow(window, reference); // a dead window is left alone
    DestroyWindow(reference);
}

} // namespace
