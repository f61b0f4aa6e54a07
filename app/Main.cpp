// Process entry: single-instance rules, then the main window.

#include "app/MainDialog.h"
#include "dialogs/Hyperlink.h"
#include "foundation/Handles.h"
#include "foundation/SystemUtilities.h"
#include "framework/WindowUtilities.h"
#include "rtl/MV_Rtl.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <new>

bool HandlePreviousInstance(const char* argumentText);

namespace {

ULONG_PTR const COPYDATA_COMMAND_LINE = 1;
const char* const MAIN_WINDOW_TITLE = "Window Vaylo";
const char* const DIALOG_CLASS = "#32770";

// A running instance that does not answer must not hold up this start: it
// ends anyway and the message, once the instance recovers, still arrives.
UINT const FORWARD_TIMEOUT_MS = 10000;

void ForwardCommandLine(HWND running, const char* argumentText) {
    COPYDATASTRUCT data = {};
    data.dwData = COPYDATA_COMMAND_LINE;
    data.cbData = static_cast<DWORD>(lstrlenA(argumentText) + 1);
    data.lpData = const_cast<char*>(argumentText);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG,
                        FORWARD_TIMEOUT_MS, &ignored);
}

// This start is the user's latest action and may bring a window to the front;
// the running instance may not, unless handed the right before it is asked:
// otherwise its window or password prompt opens behind the user's window.
void PassForegroundRight(HWND running) {
    DWORD processId = 0;
    GetWindowThreadProcessId(running, &processId);
    if (processId != 0)
        AllowSetForegroundWindow(processId);
}

// A visible instance only comes to the front; one hidden in the tray is
// restored as a left click on its tray icon would (password included).
void ActivateRunning(HWND running) {
    if (IsWindowVisible(running)) {
        SetForegroundWindow(running);
        return;
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(running, WM_TRAYNOTIFY, 0, WM_LBUTTONUP, SMTO_ABORTIFHUNG, FORWARD_TIMEOUT_MS,
                        &ignored);
}

// The file name part of a path, upper-cased: the single-instance rule counts
// copies of the program in other folders as the same program.
STRING FileNameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; p = CharNextA(p))
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    STRING upper(name);
    upper.ToUpper();
    return upper;
}

// PROCESS_QUERY_LIMITED_INFORMATION, which the headers for Windows XP lack.
DWORD const QUERY_LIMITED_INFORMATION = 0x1000;

typedef BOOL(WINAPI* QueryImageNameProc)(HANDLE, DWORD, LPSTR, PDWORD);
typedef DWORD(WINAPI* ModuleFileNameExProc)(HANDLE, HMODULE, LPSTR, DWORD);

// The program file a window's process runs; empty when the system does not
// say (another user's process). The call that needs the least access where
// it exists (Windows Vista on), the process status library before that.
STRING ProgramFileOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char path[MAX_PATH + 1] = {};
    static QueryImageNameProc const queryImageName =
        reinterpret_cast<QueryImageNameProc>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
    if (queryImageName != nullptr) {
        KERNEL_HANDLE process(OpenProcess(QUERY_LIMITED_INFORMATION, FALSE, processId));
        DWORD size = MAX_PATH;
        if (process.IsValid() && queryImageName(process.Get(), 0, path, &size))
            return FileNameOf(path);
        return STRING();
    }
    static LOADED_MODULE const statusLibrary(LoadSystemLibrary("psapi.dll"));
    ModuleFileNameExProc moduleFileName =
        statusLibrary.IsValid() ? reinterpret_cast<ModuleFileNameExProc>(reinterpret_cast<void*>(
                                      GetProcAddress(statusLibrary.Get(), "GetModuleFileNameExA")))
                                : nullptr;
    KERNEL_HANDLE process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (moduleFileName == nullptr || !process.IsValid() ||
        moduleFileName(process.Get(), nullptr, path, MAX_PATH) == 0)
        return STRING();
    return FileNameOf(path);
}

struct INSTANCE_SEARCH {
    STRING title;   // upper-cased
    STRING program; // this process's file name, upper-cased
    HWND found = nullptr;
};

// No exception may leave: the 32-bit build cannot unwind through user32's
// frames. Out of memory, the window is passed over.
BOOL CALLBACK MatchInstanceWindow(HWND window, LPARAM context) {
    INSTANCE_SEARCH& search = *reinterpret_cast<INSTANCE_SEARCH*>(context);
    try {
        if (!WindowClassName(window).EqualsNoCase(DIALOG_CLASS))
            return TRUE;
        STRING title = ReadWindowTitle(window);
        title.ToUpper();
        if (!title.Contains(search.title.Text()) || !ProgramFileOf(window).Equals(search.program.c_str()))
            return TRUE;
    } catch (const std::bad_alloc&) {
        return TRUE;
    }
    search.found = window;
    return FALSE;
}

// The running instance's main window. Among the dialogs titled so, one whose
// process runs this same program comes first: another program's dialog with
// "Window Vaylo" in its title (a setup wizard) must not be told "uninstall".
// Where no process can be asked, the first dialog titled so.
HWND FindRunningInstance() {
    INSTANCE_SEARCH search;
    search.title = STRING(MAIN_WINDOW_TITLE);
    search.title.ToUpper();
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    search.program = FileNameOf(path);
    EnumWindows(MatchInstanceWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr)
        return search.found;
    return FindTopLevelWindow(MAIN_WINDOW_TITLE, DIALOG_CLASS, nullptr, false);
}

// An instance that is still starting has no window yet, and one that is
// ending may have destroyed it already. Waits a moment for either to settle,
// so that a start just after an exit is not lost.
// false: the other instance has gone and this process is now the first;
// true: running holds its window, or null when none appeared in time.
DWORD const INSTANCE_SETTLE_MS = 3000;

bool WaitForRunningInstance(HWND& running) {
    DWORD start = GetTickCount();
    for (;;) {
        if (!IsPrevInstStillRunning())
            return false;
        running = FindRunningInstance();
        if (running != nullptr || GetTickCount() - start >= INSTANCE_SETTLE_MS)
            return true;
        Sleep(50);
    }
}

void RunMainWindow(HINSTANCE instance) {
    // Tooltips for the help popups, bar classes for the layout's status bars.
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_WIN95_CLASSES;
    if (!InitCommonControlsEx(&controls))
        InitCommonControls();

    // The About box's links; a dialog with a control of a missing class
    // fails to open.
    RegisterHyperlinkClass(instance);

    DIALOG dialog(instance, nullptr);
    dialog.RunModal(nullptr);
}

} // namespace

// true: this process runs the main window; false: it ends at once.
bool HandlePreviousInstance(const char* argumentText) {
    AllowMultipleInstances(1);
    HWND running = FindRunningInstance();
    bool commandWord = IsCommandWord(argumentText);

    if (WasPrevInstRunningAtStartup()) {
        if (running == nullptr && !WaitForRunningInstance(running))
            return !commandWord;
        if (running == nullptr)
            return false;
        PassForegroundRight(running);
        if (commandWord)
            ForwardCommandLine(running, argumentText);
        else
            ActivateRunning(running);
        return false;
    }
    // A command word with nothing to pass it to ends this process too.
    return !commandWord;
}

// The runtime's default handler for an escaping exception prints the demangled
// type to a console this program does not have, then aborts; its demangler
// and printf were a sixth of the executable. This one queues the held
// windows' shows, as the crash filter would, then aborts: the runtime's
// notice of the abort must not find them still hidden.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    DIALOG::ShowHeldWindowsBeforeAbort();
    std::abort();
}
} // namespace __gnu_cxx

// argumentText: the command line after the program path and the blanks that
// follow it, as the C runtime hands it over; trailing blanks are kept.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR argumentText, int /*showCommand*/) {
    KeepLibrarySearchInSystemFolder();
    if (HandlePreviousInstance(argumentText))
        RunMainWindow(instance);
    return 0;
}
