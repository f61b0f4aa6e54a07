#include "VayloProcess.h"

#include <cstring>

#ifndef VAYLO_EXE
#error "VAYLO_EXE must name the program under test"
#endif

std::string WindowsPath(const char* path) {
    // Under Wine a Unix path maps through the drive that holds the root.
    typedef WCHAR*(CDECL * UNIX_TO_DOS)(const char*);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    auto unixToDos = reinterpret_cast<UNIX_TO_DOS>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
    if (path[0] == '/' && unixToDos != nullptr) {
        WCHAR* wide = unixToDos(path);
        if (wide != nullptr) {
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

namespace {

bool HasVisibleWindow(DWORD processId) {
    return !VisibleTopLevelWindows(processId).empty();
}

} // namespace

std::string VayloPath() {
    static const std::string path = WindowsPath(VAYLO_EXE);
    return path;
}

std::string OwnPath() {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

CHILD_PROCESS::~CHILD_PROCESS() {
    Terminate();
    if (info.hThread != nullptr)
        CloseHandle(info.hThread);
    if (info.hProcess != nullptr)
        CloseHandle(info.hProcess);
}

bool CHILD_PROCESS::Start(const char* application, const std::string& commandLine) {
    if (info.hProcess != nullptr)
        return false;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    return CreateProcessA(application, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info) != FALSE;
}

bool CHILD_PROCESS::StartVaylo(const std::string& tail) {
    return Start(VayloPath().c_str(), "\"" + VayloPath() + "\"" + tail);
}

bool CHILD_PROCESS::WaitForExit(DWORD timeoutMs, bool* sawWindow) {
    if (info.hProcess == nullptr)
        return false;
    bool seen = false;
    bool ended = PumpUntil(
        [&] {
            seen = seen || HasVisibleWindow(info.dwProcessId);
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

struct PROCESS_WINDOWS {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectVisibleOfProcess(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<PROCESS_WINDOWS*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && IsWindowVisible(window))
        search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK CollectMainWindows(HWND window, LPARAM context) {
    if (ClassOf(window) == "#32770" && TitleOf(window) == L"Window Vaylo")
        reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> VisibleTopLevelWindows(DWORD processId) {
    PROCESS_WINDOWS search = {processId, {}};
    EnumWindows(CollectVisibleOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring TitleOf(HWND window) {
    WCHAR title[512] = {};
    InternalGetWindowText(window, title, 511);
    return title;
}

std::string ClassOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<HWND> MainWindowsOfAnyProcess() {
    std::vector<HWND> found;
    EnumWindows(CollectMainWindows, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND WaitForMainWindow(const CHILD_PROCESS& process, DWORD timeoutMs) {
    HWND main = nullptr;
    PumpUntil(
        [&] {
            for (HWND window : VisibleTopLevelWindows(process.Id()))
                if (ClassOf(window) == "#32770" && TitleOf(window) == L"Window Vaylo")
                    main = window;
            return main != nullptr || !process.IsRunning();
        },
        timeoutMs);
    return main;
}

bool RoundTrip(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}
