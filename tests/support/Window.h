#pragma once
// Top-level windows of any process found by what they are, read without
// sending them a message (their thread may be busy), and small window helpers.

#include "support/Poll.h"

#include <windows.h>

#include <string>
#include <vector>

// What a top-level window must match; a field left at its default matches
// any window.
struct WINDOW_QUERY {
    const wchar_t* title = nullptr;  // exactly this title
    const char* className = nullptr; // exactly this class ("#32770" dialogs, "#32768" menus)
    HWND owner = nullptr;            // owned by this window
    DWORD processId = 0;             // of this process
    DWORD threadId = 0;              // of this thread
    bool visibleOnly = true;
};

// The visible dialogs owned by `owner`, or of the process, with that title
// (null: any).
WINDOW_QUERY OwnedDialog(HWND owner, const wchar_t* title = nullptr);
WINDOW_QUERY ProcessDialog(DWORD processId, const wchar_t* title = nullptr);

// Every match, top of the Z order first; the first match, or null.
std::vector<HWND> FindWindows(const WINDOW_QUERY& query);
HWND FirstWindow(const WINDOW_QUERY& query);
// Pumps this thread's messages until a match exists; null when none came.
HWND WaitForWindow(const WINDOW_QUERY& query, DWORD timeoutMs = WAIT_MS);

std::wstring TitleOf(HWND window); // InternalGetWindowText: no message is sent
std::string ClassOf(HWND window);
int Width(HWND window);
int Height(HWND window);
POINT Centre(HWND window); // in screen coordinates

// The window answered a message within the bound: everything sent or posted
// to it before has been handled. False when it is hung or gone.
bool RoundTrip(HWND window, DWORD timeoutMs = 5000);

// Registers a window class of this module; true when it exists afterwards.
bool RegisterClassOnce(const char* name, WNDPROC procedure = DefWindowProcA);
