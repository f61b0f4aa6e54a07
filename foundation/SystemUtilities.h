#pragma once
// Thin wrappers of the operating system: the program's folders, files, the
// Windows folder, the platform family, message pumping, bringing a window to
// the front, starting a process on the current desktop and finding the module
// that holds some code. Failures come back as false, an empty string or null.

#include "foundation/Handles.h"
#include "foundation/TextString.h"
#include "foundation/WideString.h"

#include <windows.h>

// Full path of a module's file (null = the executable).
STRING ModulePath(HINSTANCE module = nullptr);

// The folder that holds the executable's folder (app\bin\prog.exe gives
// app\), with a trailing backslash; empty when the executable sits less than
// two folders deep. Cached for the process once found.
STRING ApplicationFolder();
// The same worked out from any program path in `codePage` (CP_ACP: the ANSI
// code page). The path is walked by characters, never split at a byte: in the
// double-byte code pages of East Asia (932, 936, 950...) the trail byte of a
// character may be 0x5C, the byte of a backslash.
STRING ApplicationFolderOf(const char* programPath, UINT codePage = CP_ACP);
// The last backslash of `path`, found that way; null when there is none.
const char* LastBackslash(const char* path, UINT codePage = CP_ACP);
// "bin\" below the application folder, created when missing; the
// application folder itself when it cannot be had.
STRING BinFolder();
// "licence\" below the application folder, or below the program's own folder
// when it has no application folder; never created. The folder above it when
// a file of that name is in the way; empty when the program path has no "\".
STRING LicenceFolder();

bool FileExists(const char* path); // a file or a folder
bool FolderExists(const char* path);
// Deletes a file even when it is read-only; true when it is gone afterwards.
// Folders are never deleted (false).
bool ForceDeleteFile(const char* path);

// A read-only view of a whole file. View() is null when the file could not be
// opened or mapped (an empty file cannot be mapped); Size() bytes may be read.
class MAPPED_FILE {
  public:
    explicit MAPPED_FILE(const char* path);
    MAPPED_FILE(const MAPPED_FILE&) = delete;
    MAPPED_FILE& operator=(const MAPPED_FILE&) = delete;
    ~MAPPED_FILE() { Close(); }

    const BYTE* View() const { return view; }
    DWORD Size() const { return view ? size : 0; }
    // -1 when no file was open, otherwise CloseHandle's result for the file.
    int Close();

  private:
    HANDLE file = INVALID_HANDLE_VALUE;
    HANDLE mapping = nullptr;
    const BYTE* view = nullptr;
    DWORD size = 0;
};

// The Windows directory with a trailing backslash, or empty.
STRING WindowsFolder();
WSTRING WindowsFolderW();

bool IsNtPlatform();

// The system's own words for an error: a Windows error code, or an HRESULT
// (one that wraps a Windows error reads as that error). Without a message in
// the system's table, "error N" (decimal) or "error 0xHHHHHHHH" (an HRESULT).
STRING SystemErrorText(DWORD error);

// Dispatches every queued message without waiting. A WM_QUIT stops the pump
// and is posted again, so the loop that owns the thread still sees it.
void PumpMessages();

// Activates `window` and brings it to the front, waiting briefly for its
// process to become idle. Dispatches none of the caller's queued messages.
void ForceForeground(HWND window);

// The process that owns `window`, opened with `access`; null on failure.
HANDLE OpenWindowProcess(HWND window, DWORD access);

// The first top-level window of a thread, or null.
HWND FirstThreadWindow(DWORD threadId);

STRING CurrentDesktopName();
WSTRING CurrentDesktopNameW();

// Starts `commandLine` on the caller's desktop in the middle quarter of the
// screen. With `info` the caller receives the process handle and must close
// it (the thread handle is closed and set to null); with `window` it receives
// the first window of the new process once that is idle (null if it has none).
bool LaunchOnDesktop(const char* commandLine, PROCESS_INFORMATION* info = nullptr, HWND* window = nullptr);
bool LaunchOnDesktop(const wchar_t* commandLine, PROCESS_INFORMATION* info = nullptr, HWND* window = nullptr);

// A library of the system folder, loaded by its full path: neither it nor
// what it imports is looked for in the program's own folder (a download
// folder, where a file of the same name may have been planted) or the
// current one. Null when the system has no such library.
HMODULE LoadSystemLibrary(const char* fileName);
// A function of a library looked up by name, as the type PROC; null when the
// library is null or has no such function (an older system).
template <typename PROC> PROC LibraryProc(HMODULE library, const char* name) {
    return library != nullptr ? reinterpret_cast<PROC>(reinterpret_cast<void*>(GetProcAddress(library, name)))
                              : nullptr;
}
// For the rest of the process, a library loaded by name alone (the system's
// own libraries load some on first use: shell32 its delayed imports) is
// looked for in the system folder only, where the system can do so (Windows
// 8 on, 7 with the update that brought AddDllDirectory); before that, at
// least the current folder is left out. Called first thing at start.
void KeepLibrarySearchInSystemFolder();

// The module whose image holds `address` (null = the caller's code), or null
// when the address lies in no module.
HINSTANCE ModuleFromAddress(const void* address = nullptr);
