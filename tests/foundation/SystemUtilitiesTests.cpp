#include "TestSupport.h"

#include "foundation/SystemUtilities.h"
#include "support/Process.h"
#include "support/Window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

// Runs a copy of the helper from `exePath` and parses the folders it reports.
std::map<std::string, std::string> FoldersSeenFrom(const std::string& exePath, const std::string& workFolder,
                                                   const std::string& report) {
    std::map<std::string, std::string> seen;
    if (!MakeFolders(exePath.substr(0, exePath.rfind('\\'))))
        return seen;
    if (!CopyFileA(ProgramPath("foundation_helper.exe").c_str(), exePath.c_str(), FALSE))
        return seen;
    CHILD_PROCESS helper;
    if (!helper.Start(nullptr, "\"" + exePath + "\" folders \"" + report + "\"", workFolder.c_str()))
        return seen;
    seen["exit"] = std::to_string(helper.WaitForExit() ? helper.ExitCode() : 1002);
    std::string text = ReadWholeFile(report);
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end - at);
        size_t equals = line.find('=');
        if (equals != std::string::npos)
            seen[line.substr(0, equals)] = line.substr(equals + 1);
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return seen;
}

std::string DriveRoot() {
    char windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return std::string(windows, 3); // "C:\"
}

HWND WaitForFirstWindow(DWORD threadId) {
    HWND window = nullptr;
    PumpUntil([&] { return (window = FirstThreadWindow(threadId)) != nullptr; }, 20000);
    return window;
}

// Open kernel handles of this process, found by asking about every handle
// value in turn (GetProcessHandleCount is not implemented everywhere).
unsigned CountOpenHandles() {
    unsigned count = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
            ++count;
    }
    return count;
}

std::string HelperCommand(const char* mode, const std::string& title) {
    return "\"" + ProgramPath("foundation_helper.exe") + "\" " + mode + " " + title;
}

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP)
        ++*reinterpret_cast<int*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

TEST(SystemUtilities, ApplicationFolder_IsTheParentOfTheExecutablesFolder) {
    SCRATCH_FOLDER scratch("VayloFolders");
    std::string app = scratch / "app\\";
    auto seen = FoldersSeenFrom(app + "bin\\prog.exe", scratch.Path(), scratch / "r1.txt");
    EXPECT_EQ("0", seen["exit"]);
    EXPECT_EQ(app, seen["app"]);
    EXPECT_EQ(app, seen["again"]);
    EXPECT_EQ(app + "bin\\", seen["bin"]);
    EXPECT_EQ(app + "licence\\", seen["licence"]);
    EXPECT_FALSE(FolderExists((app + "licence").c_str())); // only ever read from: never made

    // Run from another folder of the application: bin\ is created.
    std::string other = scratch / "other\\";
    seen = FoldersSeenFrom(other + "tools\\prog.exe", scratch.Path(), scratch / "r2.txt");
    EXPECT_EQ(other, seen["app"]);
    EXPECT_EQ(other + "bin\\", seen["bin"]);
    EXPECT_TRUE(FolderExists((other + "bin").c_str()));

    // A plain file named bin is left alone and the application folder answers.
    std::string blocked = scratch / "blocked\\";
    ASSERT_TRUE(MakeFolders(blocked));
    ASSERT_TRUE(WriteWholeFile(blocked + "bin", "not a folder"));
    seen = FoldersSeenFrom(blocked + "run\\prog.exe", scratch.Path(), scratch / "r3.txt");
    EXPECT_EQ(blocked, seen["app"]);
    EXPECT_EQ(blocked, seen["bin"]);
    EXPECT_EQ("not a folder", ReadWholeFile(blocked + "bin"));
}

TEST(SystemUtilities, ApplicationFolder_OfTooShallowExecutables_IsEmpty) {
    SCRATCH_FOLDER scratch("VayloShallow");
    std::string unique = std::to_string(GetCurrentProcessId());
    std::string root = DriveRoot();

    // Directly in the drive's root.
    std::string rootExe = root + "vaylo_shallow" + unique + ".exe";
    auto seen = FoldersSeenFrom(rootExe, scratch.Path(), scratch / "r1.txt");
    DeleteFileA(rootExe.c_str());
    EXPECT_EQ("0", seen["exit"]);
    EXPECT_EQ("", seen["app"]);
    EXPECT_EQ("", seen["again"]);
    // Without an application folder, bin\ is relative to the current folder;
    // the licence is looked for beside the program, and no folder is made for it.
    EXPECT_EQ("bin\\", seen["bin"]);
    EXPECT_TRUE(FolderExists((scratch / "bin").c_str()));
    EXPECT_EQ(root + "licence\\", seen["licence"]);
    EXPECT_FALSE(FolderExists((scratch / "licence").c_str()));

    // One level below the root, with its licence beside it.
    std::string oneDeep = root + "vaylo_one" + unique + "\\";
    ASSERT_TRUE(MakeFolders(oneDeep + "licence"));
    seen = FoldersSeenFrom(oneDeep + "prog.exe", scratch.Path(), scratch / "r2.txt");
    RemoveTree(oneDeep);
    EXPECT_EQ("0", seen["exit"]);
    EXPECT_EQ("", seen["app"]);
    EXPECT_EQ("bin\\", seen["bin"]);
    EXPECT_EQ(oneDeep + "licence\\", seen["licence"]);
    EXPECT_FALSE(FolderExists((scratch / "licence").c_str()));
}

TEST(SystemUtilities, FilesAndFolders_ForceDeleteTakesOnlyFiles) {
    SCRATCH_FOLDER scratch("VayloFiles");
    std::string file = scratch / "locked.txt";
    ASSERT_TRUE(WriteWholeFile(file, "x"));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_FALSE(FolderExists(file.c_str()));
    EXPECT_FALSE(DeleteFileA(file.c_str())); // read-only really is in the way
    EXPECT_TRUE(ForceDeleteFile(file.c_str()));
    EXPECT_FALSE(FileExists(file.c_str()));

    EXPECT_TRUE(ForceDeleteFile((scratch / "never-there.txt").c_str()));

    std::string folder = scratch / "folder";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_TRUE(FileExists(folder.c_str()));
    EXPECT_TRUE(FolderExists(folder.c_str()));
    EXPECT_FALSE(ForceDeleteFile(folder.c_str()));
    EXPECT_TRUE(FolderExists(folder.c_str()));

    EXPECT_FALSE(FileExists(nullptr));
    EXPECT_FALSE(FolderExists(nullptr));
    EXPECT_FALSE(FileExists((scratch / "missing").c_str()));
}

TEST(SystemUtilities, MappedFile_ExposesExactlyTheFilesBytes) {
    SCRATCH_FOLDER scratch("VayloMapped");
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    std::string page(system.dwPageSize * 2, '\0');
    for (size_t i = 0; i < page.size(); ++i)
        page[i] = static_cast<char>('a' + i % 26);
    ASSERT_TRUE(WriteWholeFile(scratch / "pages.bin", page));
    ASSERT_TRUE(WriteWholeFile(scratch / "empty.bin", ""));

    {
        MAPPED_FILE mapped((scratch / "pages.bin").c_str());
        ASSERT_TRUE(mapped.View());
        ASSERT_EQ(page.size(), mapped.Size());
        EXPECT_EQ(page, std::string(reinterpret_cast<const char*>(mapped.View()), mapped.Size()));
        // Shared for reading: others may read while it is mapped.
        EXPECT_EQ(page, ReadWholeFile(scratch / "pages.bin"));
        EXPECT_EQ(TRUE, mapped.Close());
        EXPECT_FALSE(mapped.View());
        EXPECT_EQ(0u, mapped.Size());
        EXPECT_EQ(-1, mapped.Close());
    }
    // Closed means released: the file can be deleted now.
    EXPECT_TRUE(DeleteFileA((scratch / "pages.bin").c_str()));

    MAPPED_FILE empty((scratch / "empty.bin").c_str());
    EXPECT_FALSE(empty.View());
    EXPECT_EQ(0u, empty.Size());
    EXPECT_EQ(TRUE, empty.Close()); // the file itself was open

    MAPPED_FILE missing((scratch / "missing.bin").c_str());
    EXPECT_FALSE(missing.View());
    EXPECT_EQ(0u, missing.Size());
    EXPECT_EQ(-1, missing.Close());
}

TEST(SystemUtilities, SystemQueries_AnswerForThisMachine) {
    char windows[MAX_PATH + 1] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    STRING folder = WindowsFolder();
    EXPECT_EQ(std::string(windows) + "\\", folder.c_str());
    EXPECT_TRUE(FolderExists(folder.c_str()));
    EXPECT_STREQ(folder.c_str(), FromWide(WindowsFolderW().c_str()).c_str());

    EXPECT_TRUE(IsNtPlatform());

    STRING desktop = CurrentDesktopName();
    EXPECT_STREQ("Default", desktop.c_str());
    EXPECT_STREQ(desktop.c_str(), FromWide(CurrentDesktopNameW().c_str()).c_str());

    STRING self = ModulePath(nullptr);
    EXPECT_TRUE(FileExists(self.c_str()));
    EXPECT_TRUE(STRING(self).ToLower().Contains("\\foundation_tests.exe"));
    STRING kernel = ModulePath(GetModuleHandleA("kernel32.dll"));
    EXPECT_TRUE(STRING(kernel).ToLower().Contains("kernel32.dll"));
}

// The system's words, without the table's full stop and line break; an
// HRESULT that wraps a Windows error reads as that error; a code the table
// does not know reads as its number.
TEST(SystemUtilities, SystemErrorText_SystemsWordsOrTheNumber) {
    char expected[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED,
                   0, expected, sizeof expected, nullptr);
    std::string words(expected);
    words = words.substr(0, words.find_last_not_of(".\r\n ") + 1);
    ASSERT_FALSE(words.empty());
    struct CASE {
        DWORD error;
        std::string text;
    } const cases[] = {
        {ERROR_ACCESS_DENIED, words},
        {static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)), words},
        {0x2FFFFFF0u, "error 805306352"},
        {0xA0001234u, "error 0xA0001234"},
    };
    for (const CASE& c : cases)
        EXPECT_EQ(c.text, SystemErrorText(c.error).c_str()) << c.error;
}

TEST(SystemUtilities, ModuleFromAddress_FindsTheImageHoldingTheCode) {
    HMODULE self = GetModuleHandleA(nullptr);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    EXPECT_EQ(self, ModuleFromAddress(reinterpret_cast<const void*>(&FoldersSeenFrom)));
    EXPECT_EQ(self, ModuleFromAddress()); // the caller: this test
    EXPECT_EQ(kernel,
              ModuleFromAddress(reinterpret_cast<const void*>(GetProcAddress(kernel, "GetTickCount"))));
    // Data that is no module's.
    void* heap = VirtualAlloc(nullptr, 65536, MEM_COMMIT, PAGE_READWRITE);
    ASSERT_TRUE(heap);
    EXPECT_EQ(nullptr, ModuleFromAddress(static_cast<char*>(heap) + 100));
    VirtualFree(heap, 0, MEM_RELEASE);
    int local = 0;
    EXPECT_EQ(nullptr, ModuleFromAddress(&local));
}

TEST(SystemUtilities, PumpMessages_DispatchesQueueAndKeepsQuit) {
    ASSERT_TRUE(RegisterClassOnce("VayloCounting", CountingProc));
    HWND window = CreateWindowA("VayloCounting", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window);
    int count = 0;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count));
    PostMessageA(window, WM_APP, 0, 0);
    PostMessageA(window, WM_APP, 0, 0);
    PumpMessages();
    EXPECT_EQ(2, count);

    PostQuitMessage(7);
    PostMessageA(window, WM_APP, 0, 0);
    PumpMessages();
    EXPECT_EQ(1, count - 2);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(7u, message.wParam);
    DestroyWindow(window);
    EXPECT_EQ(nullptr, FirstThreadWindow(GetCurrentThreadId() + 100000));
}

TEST(SystemUtilities, LaunchOnDesktop_StartsTheProgramAndFindsItsWindow) {
    std::string title = "VayloLaunch" + std::to_string(GetCurrentProcessId());
    std::string command = HelperCommand("window", title);
    CHILD_PROCESS helper;
    HWND window = nullptr;
    ASSERT_TRUE(LaunchOnDesktop(command.c_str(), helper.Receive(), &window));
    ASSERT_TRUE(helper.Handle());
    EXPECT_EQ(nullptr, helper.Info().hThread); // closed for us, not left dangling
    if (!window)
        window = WaitForFirstWindow(helper.ThreadId());
    ASSERT_TRUE(window);
    DWORD owner = 0;
    EXPECT_EQ(helper.ThreadId(), GetWindowThreadProcessId(window, &owner));
    EXPECT_EQ(helper.Id(), owner);
    EXPECT_EQ(title, STRING::FromWindowText(window).c_str());

    // Placed in the middle quarter of the screen.
    RECT placed;
    GetWindowRect(window, &placed);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 4, placed.left);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) / 4, placed.top);

    // The process handle is ours and works: closing the window ends the helper.
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(helper.WaitForExit(20000));
    EXPECT_EQ(0u, helper.ExitCode());

    // The wide form, without process information: nothing is left open for us.
    std::wstring wide(command.begin(), command.end());
    HWND second = nullptr;
    ASSERT_TRUE(LaunchOnDesktop(wide.c_str(), nullptr, &second));
    ASSERT_TRUE(second);
    EXPECT_EQ(title, STRING::FromWindowText(second).c_str());
    PostMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(second); }, 20000));

    EXPECT_FALSE(LaunchOnDesktop("\"C:\\no\\such\\program.exe\""));
    EXPECT_FALSE(LaunchOnDesktop(static_cast<const char*>(nullptr)));
}

TEST(SystemUtilities, ForceForeground_RaisesAnotherProgramsWindowAndSurvivesAHungOne) {
    std::string title = "VayloFront" + std::to_string(GetCurrentProcessId());
    CHILD_PROCESS helper;
    HWND window = nullptr;
    ASSERT_TRUE(LaunchOnDesktop(HelperCommand("window", title).c_str(), helper.Receive(), &window));
    ASSERT_TRUE(window);

    TEST_WINDOW mine("mine", {0, 0, 200, 100});
    ASSERT_TRUE(mine);
    ForceForeground(mine);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == mine; }, 5000));

    // Wine 8 leaks the idle event of every WaitForInputIdle: measure that first.
    unsigned waitLeak = CountOpenHandles();
    {
        KERNEL_HANDLE process(OpenWindowProcess(window, SYNCHRONIZE | PROCESS_QUERY_INFORMATION));
        ASSERT_TRUE(process.IsValid());
        for (int i = 0; i < 10; ++i)
            WaitForInputIdle(process.Get(), 1000);
    }
    waitLeak = CountOpenHandles() - waitLeak;
    unsigned handlesBefore = CountOpenHandles();
    for (int i = 0; i < 10; ++i)
        ForceForeground(window);
    EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window; }, 5000));
    unsigned handlesAfter = CountOpenHandles();
    EXPECT_LE(handlesAfter - handlesBefore, waitLeak + 2); // the process handles were closed
    EXPECT_EQ(nullptr, GetCapture());

    // A window whose program never reads its messages: the call comes back.
    std::string hungTitle = title + "Hung";
    CHILD_PROCESS hung;
    ASSERT_TRUE(LaunchOnDesktop(HelperCommand("hang", hungTitle).c_str(), hung.Receive()));
    HWND hungWindow = WaitForFirstWindow(hung.ThreadId());
    ASSERT_TRUE(hungWindow);
    ForceForeground(hungWindow);
    EXPECT_TRUE(IsWindow(hungWindow));
    ForceForeground(nullptr); // nothing to do
}

// A hotkey or a key queued while a window is brought forward would otherwise
// run inside the caller, or bypass the keyboard handling of an open dialog.
TEST(SystemUtilities, ForceForeground_DispatchesNothingQueuedForTheCaller) {
    HWND mine = CreateWindowA("STATIC", "queue", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(mine);
    UINT const queued = WM_APP + 77;
    ASSERT_TRUE(PostMessageA(mine, queued, 0, 0));
    ASSERT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_HOTKEY, 1009, 0));
    ForceForeground(mine);
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, mine, queued, queued, PM_REMOVE));
    EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE));
    DestroyWindow(mine);
}
