#pragma once
// Top-level windows of any process found by what they are, read without
// sending them a message (their thread may be busy), and small window helpers.

#include "support/Poll.h"

#include <windows.h>

#include <functional>
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

// Sends a message that must be answered within the bound (the wide call:
// text crosses processes intact); false when the window is hung or gone.
bool BoundedSend(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, LRESULT* answer = nullptr,
                 DWORD timeoutMs = WAIT_MS);
// The window answered a message within the bound: everything sent or posted
// to it before has been handled. False when it is hung or gone.
bool RoundTrip(HWND window, DWORD timeoutMs = 5000);
// The keyboard focus of the thread that owns the window, read from any thread
// as the system sees it.
HWND FocusOf(HWND window);
// Makes the window the foreground window and waits until it is.
bool BringToFront(HWND window, DWORD timeoutMs = WAIT_MS);
// The message handed to the control's class procedure on this thread, no
// message sent: a control of this process that answers no other thread (the
// help popups' tooltip) read by a test that runs its dialog on another one.
LRESULT CallClassProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam);

// Registers a window class of this module; true when it exists afterwards.
bool RegisterClassOnce(const char* name, WNDPROC procedure = DefWindowProcA);

// A plain visible top-level window of this thread, destroyed with the object.
class TEST_WINDOW {
  public:
    explicit TEST_WINDOW(const char* title, RECT place = {10, 10, 210, 110},
                         DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    TEST_WINDOW(const TEST_WINDOW&) = delete;
    TEST_WINDOW& operator=(const TEST_WINDOW&) = delete;
    ~TEST_WINDOW();
    operator HWND() const { return window; }

  private:
    HWND window;
};

// Hands every message of this thread of one kind to `seen` while the object
// lives: those sent to its windows, as they receive them (SENT), or those
// taken from its queue (TAKEN). One object of each kind at a time.
class MESSAGE_HOOK {
  public:
    enum KIND { SENT, TAKEN };
    MESSAGE_HOOK(KIND kind, std::function<void(const MSG&)> seen);
    MESSAGE_HOOK(const MESSAGE_HOOK&) = delete;
    MESSAGE_HOOK& operator=(const MESSAGE_HOOK&) = delete;
    ~MESSAGE_HOOK();
    bool Installed() const { return hook != nullptr; }

  private:
    static LRESULT CALLBACK Sent(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK Taken(int code, WPARAM wParam, LPARAM lParam);
    static MESSAGE_HOOK* current[2];
    const KIND kind;
    const std::function<void(const MSG&)> seen;
    HHOOK hook;
};

// Whether the shell's notification area holds the icon (owner, 0), asked
// without changing it; and the shell forgetting it, as when Explorer restarts.
bool ShellHasIcon(HWND owner);
bool ShellDeleteIcon(HWND owner);
