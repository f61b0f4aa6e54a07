#include "support/Process.h"

#include "support/Window.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <vector>

std::string ProgramPath(const char* name) {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self = path;
    return name ? self.substr(0, self.rfind('\\') + 1) + name : self;
}

std::string WindowsPath(const char* path) {
    typedef WCHAR*(CDECL * UNIX_TO_DOS)(const char*);
    auto unixToDos = reinterpret_cast<UNIX_TO_DOS>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
    if (path[0] == '/' && unixToDos != nullptr) {
        if (WCHAR* wide = unixToDos(path)) {
            char converted[MAX_PATH * 2] = {};
            WideCharToMultiByte(CP_ACP, 0, wide, -1, converted, sizeof converted - 1, nullptr, nullptr);
            HeapFree(GetProcessHeap(), 0, wide);
            return converted;
        }
    }
    std::string result = path[0] == '/' ? std::string("Z:") + path : std::string(path);
    for (char& c : result)
        if (c == '/')
            c = '\\';
    return result;
}

std::vector<std::string> LoadedModules(DWORD processId) {
    std::vector<std::string> files;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE)
        return files;
    MODULEENTRY32 module = {};
    module.dwSize = sizeof module;
    for (BOOL more = Module32First(snapshot, &module); more; more = Module32Next(snapshot, &module))
        files.push_back(module.szExePath);
    CloseHandle(snapshot);
    return files;
}

namespace {

// Under Wine a start now and then fails at once while many processes come
// and go (seen once, in a hundred rapid starts). Such a start is tried
// again; a missing or foreign program is not. Every failure is printed with
// its error, so a lasting one still fails the test and says why.
int const CREATE_TRIES = 3;
DWORD const CREATE_RETRY_PAUSE_MS = 200;

template <typename CREATE> bool Created(CREATE create) {
    for (int attempt = 1;; ++attempt) {
        if (create())
            return true;
        DWORD error = GetLastError();
        std::fprintf(stderr, "CreateProcess failed (try %d of %d): error %lu\n", attempt, CREATE_TRIES,
                     static_cast<unsigned long>(error));
        bool lasting = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
                       error == ERROR_BAD_EXE_FORMAT || error == ERROR_ACCESS_DENIED;
        if (lasting || attempt == CREATE_TRIES)
            return false;
        Sleep(CREATE_RETRY_PAUSE_MS);
    }
}

} // namespace

CHILD_PROCESS::~CHILD_PROCESS() {
    Terminate();
    if (info.hThread != nullptr)
        CloseHandle(info.hThread);
    if (info.hProcess != nullptr)
        CloseHandle(info.hProcess);
}

bool CHILD_PROCESS::Start(const char* application, const std::string& commandLine, const char* folder) {
    if (info.hProcess != nullptr)
        return false;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    return Created([&] {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        return CreateProcessA(application, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                              &info) != FALSE;
    });
}

bool CHILD_PROCESS::Start(const std::wstring& commandLine) {
    if (info.hProcess != nullptr)
        return false;
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    return Created([&] {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        return CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info) != FALSE;
    });
}

PROCESS_INFORMATION* CHILD_PROCESS::Receive() {
    return info.hProcess == nullptr ? &info : nullptr;
}

bool CHILD_PROCESS::WaitForExit(DWORD timeoutMs, bool* sawWindow) {
    if (info.hProcess == nullptr)
        return false;
    WINDOW_QUERY windows;
    windows.processId = info.dwProcessId;
    bool seen = false;
    bool ended = PumpUntil(
        [&] {
            seen = seen || FirstWindow(windows) != nullptr;
            return WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0;
        },
        timeoutMs);
    if (sawWindow != nullptr)
        *sawWindow = seen;
    return ended;
}

bool CHILD_PROCESS::IsRunning() const {
    return info.hProcess != nullptr && WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD CHILD_PROCESS::ExitCode() const {
    DWORD code = STILL_ACTIVE;
    if (info.hProcess != nullptr)
        GetExitCodeProcess(info.hProcess, &code);
    return code;
}

void CHILD_PROCESS::Terminate() {
    if (!IsRunning())
        return;
    TerminateProcess(info.hProcess, 0xDEAD);
    // Its kernel objects go with it; the next start must not see them.
    WaitForSingleObject(info.hProcess, EXIT_TIMEOUT_MS);
}

namespace {

std::string UniqueName(const char* role) {
    static unsigned counter = 0;
    return "VayloTest." + std::to_string(GetCurrentProcessId()) + "." + role + "." +
           std::to_string(++counter);
}

} // namespace

NAMED_EVENT::NAMED_EVENT(const char* role)
    : name(UniqueName(role)), handle(CreateEventA(nullptr, TRUE, FALSE, name.c_str())) {}

NAMED_EVENT::~NAMED_EVENT() {
    if (handle != nullptr)
        CloseHandle(handle);
}

PROCESS_FIGURES ProcessFigures(HANDLE process) {
    PROCESS_FIGURES figures;
    figures.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    figures.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    // Newer than the systems the program is built for, or in psapi.dll on
    // older ones: looked up at run time.
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    typedef BOOL(WINAPI * HANDLE_COUNT)(HANDLE, DWORD*);
    typedef BOOL(WINAPI * MEMORY_INFO)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
    auto handleCount = reinterpret_cast<HANDLE_COUNT>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "GetProcessHandleCount")));
    auto memoryInfo = reinterpret_cast<MEMORY_INFO>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "K32GetProcessMemoryInfo")));
    if (handleCount == nullptr || !handleCount(process, &figures.kernelHandles))
        figures.kernelHandles = 0;
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    figures.read =
        memoryInfo != nullptr &&
        memoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory) != FALSE;
    figures.privateBytes = memory.PrivateUsage != 0 ? memory.PrivateUsage : memory.PagefileUsage;
    figures.workingSet = memory.WorkingSetSize;
    return figures;
}
