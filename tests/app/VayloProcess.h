#pragma once
// Driving the real Vaylo.exe from a test: starting it, waiting for its
// windows with bounded pump-and-poll loops, and always ending it.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Generous bounds: a cold Wine start takes seconds. They only limit how long a
// broken build can stall the run; no test measures time with them.
DWORD const START_TIMEOUT_MS = 30000;
DWORD const EXIT_TIMEOUT_MS = 30000;

// Vaylo.exe as a Windows path (the build gives a Unix path under Wine).
std::string VayloPath();

// A path of the build as Windows sees it under Wine (unchanged on Windows).
std::string WindowsPath(const char* path);

// The path of this test program, for starting it again as a helper process.
std::string OwnPath();

// Pumps this thread's messages until condition() holds or timeoutMs passes.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs);

// A child process owned by a test. The destructor ends it if it still runs,
// so a failing assertion never leaves a process behind.
class CHILD_PROCESS {
  public:
    CHILD_PROCESS() = default;
    CHILD_PROCESS(const CHILD_PROCESS&) = delete;
    CHILD_PROCESS& operator=(const CHILD_PROCESS&) = delete;
    ~CHILD_PROCESS();

    // commandLine is passed as it stands; application may be null.
    bool Start(const char* application, const std::string& commandLine);
    // Vaylo.exe with its quoted path followed by tail (" update", "" ...).
    bool StartVaylo(const std::string& tail);

    // Waits for the end; while waiting, notes whether the process ever had a
    // visible top-level window.
    bool WaitForExit(DWORD timeoutMs, bool* sawWindow = nullptr);
    bool IsRunning() const;
    DWORD ExitCode() const;
    DWORD Id() const { return info.dwProcessId; }
    HANDLE Handle() const { return info.hProcess; }
    void Terminate();

  private:
    PROCESS_INFORMATION info = {};
};

std::vector<HWND> VisibleTopLevelWindows(DWORD processId);
std::wstring TitleOf(HWND window); // read without messaging the window
std::string ClassOf(HWND window);

// Every top-level dialog titled "Window Vaylo", visible or not, of any process.
std::vector<HWND> MainWindowsOfAnyProcess();

// The visible main window of the process, or null once the process ended or
// the time ran out.
HWND WaitForMainWindow(const CHILD_PROCESS& process, DWORD timeoutMs);

// Sends a message that the window must answer within the bound; false when it
// does not (hung, or gone).
bool RoundTrip(HWND window);
