#pragma once
// Processes a test starts: found beside the test program, owned for the
// test's life and always ended, and named events to meet them with.

#include "support/Poll.h"

#include <windows.h>

#include <string>
#include <vector>

// Generous bounds: a cold Wine start takes seconds. They only limit how long
// a broken build can stall the run; no test measures time with them.
DWORD const START_TIMEOUT_MS = 30000;
DWORD const EXIT_TIMEOUT_MS = 30000;

// This test program's path (null), or the program `name` beside it.
std::string ProgramPath(const char* name = nullptr);

// A path of the build as Windows sees it: under Wine a Unix path maps through
// the drive that holds the root; a Windows path comes back unchanged.
std::string WindowsPath(const char* path);

// The files of the modules a process has loaded, its program among them;
// empty when they cannot be read.
std::vector<std::string> LoadedModules(DWORD processId);

// A child process owned by a test. The destructor ends it if it still runs
// and closes its handles, so a failing assertion never leaves one behind.
class CHILD_PROCESS {
  public:
    CHILD_PROCESS() = default;
    CHILD_PROCESS(const CHILD_PROCESS&) = delete;
    CHILD_PROCESS& operator=(const CHILD_PROCESS&) = delete;
    ~CHILD_PROCESS();

    // The command line is passed as it stands; application and folder may be
    // null. False when this object already holds a process.
    bool Start(const char* application, const std::string& commandLine, const char* folder = nullptr);
    bool Start(const std::wstring& commandLine);
    // For a call that starts the process itself and fills the structure (the
    // thread handle may be left null); null when a process is already held.
    PROCESS_INFORMATION* Receive();

    // Pumps this thread's messages until the process has ended; meanwhile
    // notes whether it ever had a visible top-level window.
    bool WaitForExit(DWORD timeoutMs = EXIT_TIMEOUT_MS, bool* sawWindow = nullptr);
    bool IsRunning() const;
    DWORD ExitCode() const; // STILL_ACTIVE while it runs or without a process
    DWORD Id() const { return info.dwProcessId; }
    DWORD ThreadId() const { return info.dwThreadId; }
    HANDLE Handle() const { return info.hProcess; }
    const PROCESS_INFORMATION& Info() const { return info; }
    // Ends it and waits (bounded) until it has gone with its kernel objects.
    void Terminate();

  private:
    PROCESS_INFORMATION info = {};
};

// What a running process holds, read from outside. Counts a system does not
// keep come back as 0: Wine 8 answers 0 for the GDI and USER objects, the
// handle count and PrivateUsage, so privateBytes falls back to PagefileUsage
// (the commit charge, which Windows reports as the private bytes too).
struct PROCESS_FIGURES {
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    DWORD kernelHandles = 0;
    SIZE_T privateBytes = 0; // PrivateUsage, or else PagefileUsage
    SIZE_T workingSet = 0;
    bool read = false; // the memory counters could be read
};
PROCESS_FIGURES ProcessFigures(HANDLE process);

// A manual-reset event whose name, unique to this process, a child is given
// on its command line.
class NAMED_EVENT {
  public:
    explicit NAMED_EVENT(const char* role);
    NAMED_EVENT(const NAMED_EVENT&) = delete;
    NAMED_EVENT& operator=(const NAMED_EVENT&) = delete;
    ~NAMED_EVENT();

    bool Set() const { return SetEvent(handle) != FALSE; }
    bool Wait(DWORD timeoutMs) const { return WaitForSingleObject(handle, timeoutMs) == WAIT_OBJECT_0; }
    const std::string name;
    const HANDLE handle;
};
