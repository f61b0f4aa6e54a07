#include "foundation/SystemUtilities.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// How long ForceForeground waits for the target's process to go idle. A hung
// program never does, and the caller is the user-interface thread.
const DWORD kForegroundIdleWaitMs = 200;

// LOAD_LIBRARY_SEARCH_SYSTEM32, which the headers for Windows XP lack.
DWORD const SEARCH_SYSTEM32_ONLY = 0x800;

// A freshly started program gets longer to show its first window.
const DWORD kLaunchIdleWaitMs = 10000;

STRING applicationFolderCache;

STRING SubFolder(const char* name) {
    STRING folder = ApplicationFolder();
    STRING candidate = folder + name;
    if (FileExists(candidate.c_str())) {
        if (FolderExists(candidate.c_str()))
            return candidate;
        return folder; // a file is in the way
    }
    if (CreateDirectoryA(candidate.c_str(), nullptr))
        return candidate;
    return folder;
}

BOOL CALLBACK TakeFirstWindow(HWND window, LPARAM found) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Both forms of STARTUPINFO share the layout apart from the text pointers.
template <typename INFO> void PlaceInMiddleQuarter(INFO& startup) {
    unsigned width = static_cast<unsigned>(GetSystemMetrics(SM_CXSCREEN));
    unsigned height = static_cast<unsigned>(GetSystemMetrics(SM_CYSCREEN));
    startup.cb = sizeof startup;
    startup.dwX = width / 4;
    startup.dwY = height / 4;
    startup.dwXSize = width / 2;
    startup.dwYSize = height / 2;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESIZE | STARTF_USEPOSITION;
    startup.wShowWindow = SW_SHOWNORMAL;
}

bool FinishLaunch(PROCESS_INFORMATION& created, PROCESS_INFORMATION* info, HWND* window) {
    KERNEL_HANDLE process(created.hProcess);
    KERNEL_HANDLE thread(created.hThread);
    if (window) {
        WaitForInputIdle(process.Get(), kLaunchIdleWaitMs);
        *window = FirstThreadWindow(created.dwThreadId);
    }
    if (info) {
        *info = created;
        info->hProcess = process.Release();
        info->hThread = nullptr; // closed below; a stale handle would name another object later
    }
    return true;
}

} // namespace

STRING ModulePath(HINSTANCE module) {
    char buffer[MAX_PATH + 1] = {};
    DWORD count = GetModuleFileNameA(module, buffer, MAX_PATH);
    return STRING(buffer, count);
}

STRING ApplicationFolder() {
    if (applicationFolderCache.Length() > 0)
        return applicationFolderCache;
    STRING folder = ApplicationFolderOf(ModulePath(nullptr).c_str());
    applicationFolderCache = folder; // an empty answer is asked again next time
    return folder;
}

const char* LastBackslash(const char* path, UINT codePage) {
    if (!path)
        return nullptr;
    const char* last = nullptr;
    for (const char* at = path; *at; at = CharNextExA(static_cast<WORD>(codePage), at, 0))
        if (*at == '\\')
            last = at;
    return last;
}

// Cut behind the backslash that ends the application folder, so the answer
// ends in a real separator: testing its last byte instead would take a
// folder whose name ends in a 0x5C trail byte for one that already has it.
STRING ApplicationFolderOf(const char* programPath, UINT codePage) {
    if (!programPath)
        return STRING();
    unsigned separators = 0;
    const char* cuts[2] = {nullptr, nullptr}; // the last two backslashes
    for (const char* at = programPath; *at; at = CharNextExA(static_cast<WORD>(codePage), at, 0)) {
        if (*at != '\\')
            continue;
        ++separators;
        cuts[0] = cuts[1];
        cuts[1] = at;
    }
    if (separators < 3)
        return STRING();
    return STRING(programPath, static_cast<unsigned>(cuts[0] - programPath + 1));
}

STRING BinFolder() {
    return SubFolder("bin\\");
}

// Only read from: never created. A program less than two folders deep
// (C:\Tools\Vaylo.exe) has no application folder; its licence is then beside
// it, never in whatever folder happens to be the current one.
STRING LicenceFolder() {
    STRING folder = ApplicationFolder();
    if (folder.Length() == 0) {
        STRING program = ModulePath(nullptr);
        const char* last = LastBackslash(program.c_str());
        if (last == nullptr)
            return STRING();
        folder = STRING(program.c_str(), static_cast<unsigned>(last - program.c_str() + 1));
    }
    // Asked without the backslash: with it, a plain file is not found at all.
    STRING name = folder + "licence";
    if (FileExists(name.c_str()) && !FolderExists(name.c_str()))
        return folder; // a file is in the way
    return name + "\\";
}

bool FileExists(const char* path) {
    return path && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const char* path) {
    if (!path)
        return false;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDeleteFile(const char* path) {
    if (FolderExists(path))
        return false;
    if (!FileExists(path))
        return true;
    SetFileAttributesA(path, 0); // clears read-only, hidden and system; DeleteFileA tells
    return DeleteFileA(path) != 0;
}

MAPPED_FILE::MAPPED_FILE(const char* path) {
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    // Larger than 4 GiB cannot be viewed whole from a 32-bit process anyway.
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return;
    if (high != 0)
        return;
    size = low;
    mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping)
        view = static_cast<const BYTE*>(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0));
}

int MAPPED_FILE::Close() {
    if (view) {
        UnmapViewOfFile(view);
        view = nullptr;
    }
    if (mapping) {
        CloseHandle(mapping);
        mapping = nullptr;
    }
    size = 0;
    if (file == INVALID_HANDLE_VALUE)
        return -1;
    BOOL closed = CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    return closed;
}

STRING WindowsFolder() {
    STRING folder;
    // A block that could not grow is never written through.
    if (folder.SetLength(MAX_PATH + 1).Length() != MAX_PATH + 1)
        return STRING();
    UINT count = GetWindowsDirectoryA(folder.Buffer(), MAX_PATH + 1);
    if (count > MAX_PATH + 1) {
        if (folder.SetLength(count).Length() != count)
            return STRING();
        count = GetWindowsDirectoryA(folder.Buffer(), count);
    }
    if (count == 0 || count > folder.Length())
        return STRING();
    folder.SetLength(count);
    return folder.EnsureEndsWith('\\');
}

WSTRING WindowsFolderW() {
    WSTRING folder;
    // A block that could not grow is never written through.
    if (folder.SetLength(MAX_PATH + 1).Length() != MAX_PATH + 1)
        return WSTRING();
    UINT count = GetWindowsDirectoryW(folder.Buffer(), MAX_PATH + 1);
    if (count > MAX_PATH + 1) {
        if (folder.SetLength(count).Length() != count)
            return WSTRING();
        count = GetWindowsDirectoryW(folder.Buffer(), count);
    }
    if (count == 0 || count > folder.Length())
        return WSTRING();
    folder.SetLength(count);
    return folder.EnsureEndsWith(L'\\');
}

bool IsNtPlatform() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

STRING SystemErrorText(DWORD error) {
    DWORD code = error;
    if ((error & 0xFFFF0000u) == 0x80070000u) // HRESULT_FROM_WIN32
        code = error & 0xFFFFu;
    char text[512] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  0, text, sizeof text, nullptr);
    // The table's texts end in a full stop and a line break.
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ' ||
                          text[length - 1] == '.'))
        text[--length] = 0;
    if (length > 0)
        return STRING(text, length);
    char fallback[32];
    if (error & 0x80000000u)
        std::snprintf(fallback, sizeof fallback, "error 0x%08lX", static_cast<unsigned long>(error));
    else
        std::snprintf(fallback, sizeof fallback, "error %lu", static_cast<unsigned long>(error));
    return STRING(fallback);
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// LOAD_LIBRARY_SEARCH_SYSTEM32 keeps the library's own imports to the system
// folder too; systems without it (before Windows 8, or 7 without the update
// that brought AddDllDirectory) refuse the flag, and there the library's
// folder is searched first for its imports instead.
HMODULE LoadSystemLibrary(const char* fileName) {
    char path[MAX_PATH + 1] = {};
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (fileName == nullptr || length == 0 || length + 1 + lstrlenA(fileName) > MAX_PATH)
        return nullptr;
    path[length] = '\\';
    lstrcpyA(path + length + 1, fileName);
    bool searchFlags = GetProcAddress(GetModuleHandleA("kernel32.dll"), "AddDllDirectory") != nullptr;
    return LoadLibraryExA(path, nullptr, searchFlags ? SEARCH_SYSTEM32_ONLY : LOAD_WITH_ALTERED_SEARCH_PATH);
}

void KeepLibrarySearchInSystemFolder() {
    typedef BOOL(WINAPI * DEFAULT_DIRECTORIES)(DWORD);
    typedef BOOL(WINAPI * LIBRARY_DIRECTORY)(LPCSTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    DEFAULT_DIRECTORIES setDefault = LibraryProc<DEFAULT_DIRECTORIES>(kernel, "SetDefaultDllDirectories");
    if (setDefault != nullptr && setDefault(SEARCH_SYSTEM32_ONLY))
        return;
    // Windows XP SP1 on.
    LIBRARY_DIRECTORY setDirectory = LibraryProc<LIBRARY_DIRECTORY>(kernel, "SetDllDirectoryA");
    if (setDirectory != nullptr)
        setDirectory("");
}

// Nothing of this thread's queue is dispatched meanwhile: a queued hotkey or
// typed key would otherwise run inside the caller (Hide Active inside itself)
// or bypass an open dialog's keyboard handling.
void ForceForeground(HWND window) {
    if (!IsWindow(window))
        return;
    SetCapture(window);
    SetFocus(window);
    SetActiveWindow(window);
    SetForegroundWindow(window);

    // Our own process is busy running this very call and is not idle.
    // WaitForInputIdle needs query rights: with SYNCHRONIZE alone it fails at once.
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != GetCurrentProcessId()) {
        KERNEL_HANDLE process(OpenWindowProcess(window, SYNCHRONIZE | PROCESS_QUERY_INFORMATION));
        if (process.IsValid())
            WaitForInputIdle(process.Get(), kForegroundIdleWaitMs);
    }
    ReleaseCapture();
}

HANDLE OpenWindowProcess(HWND window, DWORD access) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (!processId)
        return nullptr;
    return OpenProcess(access, FALSE, processId);
}

HWND FirstThreadWindow(DWORD threadId) {
    HWND found = nullptr;
    SetLastError(0);
    EnumThreadWindows(threadId, TakeFirstWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

STRING CurrentDesktopName() {
    HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
    DWORD needed = 0;
    GetUserObjectInformationA(desktop, UOI_NAME, nullptr, 0, &needed);
    STRING name;
    if (name.SetLength(needed + 4).Length() != needed + 4)
        return STRING(); // no memory: null lpDesktop inherits ours as well
    std::memset(name.Buffer(), 0, needed + 4);
    if (!GetUserObjectInformationA(desktop, UOI_NAME, name.Buffer(), needed, &needed))
        return STRING(); // null lpDesktop inherits ours; "" would not
    return name.SetLength(BoundedLength(name.Text(), name.Length()));
}

WSTRING CurrentDesktopNameW() {
    HDESK desktop = GetThreadDesktop(GetCurrentThreadId());
    DWORD needed = 0;
    GetUserObjectInformationW(desktop, UOI_NAME, nullptr, 0, &needed);
    unsigned characters = needed / sizeof(wchar_t) + 4;
    WSTRING name;
    if (name.SetLength(characters).Length() != characters)
        return WSTRING();
    std::memset(name.Buffer(), 0, characters * sizeof(wchar_t));
    if (!GetUserObjectInformationW(desktop, UOI_NAME, name.Buffer(), needed, &needed))
        return WSTRING();
    return name.SetLength(BoundedLength(name.Text(), name.Length()));
}

bool LaunchOnDesktop(const char* commandLine, PROCESS_INFORMATION* info, HWND* window) {
    if (!commandLine)
        return false;
    STRING desktop = CurrentDesktopName();
    STRING command(commandLine); // CreateProcess may write into the command line
    STARTUPINFOA startup = {};
    PlaceInMiddleQuarter(startup);
    startup.lpDesktop = desktop.Buffer();
    PROCESS_INFORMATION created = {};
    if (!CreateProcessA(nullptr, command.Buffer(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &created))
        return false;
    return FinishLaunch(created, info, window);
}

bool LaunchOnDesktop(const wchar_t* commandLine, PROCESS_INFORMATION* info, HWND* window) {
    if (!commandLine)
        return false;
    WSTRING desktop = CurrentDesktopNameW();
    WSTRING command(commandLine);
    STARTUPINFOW startup = {};
    PlaceInMiddleQuarter(startup);
    startup.lpDesktop = desktop.Buffer();
    PROCESS_INFORMATION created = {};
    if (!CreateProcessW(nullptr, command.Buffer(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &created))
        return false;
    return FinishLaunch(created, info, window);
}

__attribute__((noinline)) HINSTANCE ModuleFromAddress(const void* address) {
    if (!address)
        address = __builtin_return_address(0);
    MEMORY_BASIC_INFORMATION region = {};
    if (VirtualQuery(address, &region, sizeof region) != sizeof region)
        return nullptr;
    if (region.State == MEM_FREE || !region.AllocationBase)
        return nullptr;
    HINSTANCE base = static_cast<HINSTANCE>(region.AllocationBase);
    char name[MAX_PATH];
    return GetModuleFileNameA(base, name, MAX_PATH) ? base : nullptr;
}
