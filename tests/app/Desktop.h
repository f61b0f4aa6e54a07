#pragma once
// The desktop as the end-to-end tests see it: target windows in a helper
// process (targets.exe), the running Vaylo.exe read and driven from outside
// (its list box, its tray menu, its commands), and real keyboard and mouse
// input. Every wait is a bounded pump-and-poll loop.

#include "VayloProcess.h"

#include <windows.h>

#include <string>
#include <vector>

UINT const WM_TRAYNOTIFY = WM_APP + 1;
UINT const TARGET_BUSY = WM_APP + 7; // posted to a window of targets.exe (see Targets.cpp)
int const LIST_ID = 1000;
int const PICKER_ID = 1011;
int const MENU_ITEM_HEIGHT = 18; // every hidden-window item of the tray menu
DWORD const WAIT_MS = 10000;     // a list refresh is due every second

// targets.exe as a Windows path.
std::string TargetsPath();

// A title unique to this test run: "T<process id>.<serial>" followed by name.
// Titles made with the same serial sort by name.
std::wstring RunTitle(unsigned serial, const wchar_t* name);
std::string Narrow(const std::wstring& text);

// The windows a helper process made (see Targets.cpp for the argument forms).
class TARGETS {
  public:
    // Starts targets.exe with the arguments and waits until every titled
    // window among them exists and is visible.
    bool Start(const std::vector<std::wstring>& specs);
    // The window of this process with that title, or null.
    HWND Window(const std::wstring& title) const;
    std::vector<HWND> Windows(const std::wstring& title) const;
    // The process's visible top-level window with an empty title, or null.
    HWND Untitled() const;
    DWORD Id() const { return process.Id(); }
    CHILD_PROCESS process;
};

// Whether the window passes the list's filter: visible, without a parent or
// owner that GetParent reports, titled, and not exactly "Program Manager".
bool ListableWindow(HWND window);
// The titles of every listable window but exclude, sorted.
std::vector<std::wstring> ListableTitles(HWND exclude);

// Waits until the window's visibility is the given one; false on timeout.
bool WaitVisible(HWND window, bool visible, DWORD timeoutMs = WAIT_MS);
bool WaitForeground(HWND window, DWORD timeoutMs = WAIT_MS);

// One keyboard key held down with real input until the object goes. A real
// mouse click makes Wine take the key state back from the X server, so hold
// keys around messages, not around clicks.
class HELD_KEY {
  public:
    explicit HELD_KEY(WORD virtualKey);
    ~HELD_KEY();
    HELD_KEY(const HELD_KEY&) = delete;
    HELD_KEY& operator=(const HELD_KEY&) = delete;
    // Pressed, and still down now.
    bool Down() const;

  private:
    WORD key;
    bool down = false;
};

void PressKey(WORD virtualKey);
// One real mouse event (flags: MOUSEEVENTF_LEFTDOWN...) with the pointer moved
// to the screen point.
void SendMouse(DWORD flags, POINT screen);
// A real double click with the left button at a screen point.
void DoubleClickAt(POINT screen);
// Moves the pointer with real input and waits (bounded) until it is seen there.
void MovePointer(POINT screen);

// The running Vaylo.exe, seen from outside. Reads of the list go through
// SendMessageTimeoutW: the list's text comes back across processes only in
// the wide form, and the item data are pointers of the other process.
class VAYLO {
  public:
    // Starts it and waits for its visible main window.
    bool Start();
    // Ends it through the Exit button and waits; Terminate() if that fails.
    bool Exit();

    std::vector<std::wstring> ListTexts() const; // in list order
    int Count() const;
    int Selection() const; // LB_ERR without one
    std::wstring SelectedText() const;
    int IndexOf(const std::wstring& title) const; // first entry, or -1
    int Occurrences(const std::wstring& title) const;
    bool Select(int index) const;
    // Selects the first entry with that title; false when it is not listed.
    bool SelectEntry(const std::wstring& title) const;

    bool WaitListed(const std::wstring& title, int times = 1, DWORD timeoutMs = WAIT_MS) const;
    bool WaitUnlisted(const std::wstring& title, DWORD timeoutMs = WAIT_MS) const;

    // The message answered (the main window did not hang), in order.
    bool Send(UINT message, WPARAM wParam, LPARAM lParam) const;
    bool Command(WPARAM command, LPARAM lParam = 0) const { return Send(WM_COMMAND, command, lParam); }
    // The list's double-click notification for the entry with that title.
    bool DoubleClickEntry(const std::wstring& title) const;
    // A real double click on the entry with that title.
    bool RealDoubleClickEntry(const std::wstring& title) const;
    // The entry's rectangle in screen coordinates.
    bool EntryRect(int index, RECT& rect) const;

    // Opens the tray menu as a right click on the tray icon does and waits
    // for its window; null when it does not show.
    HWND OpenMenu() const;
    // The open menu's height, and how many hidden-window items it holds
    // given its height with none (-1 when the difference is no whole number
    // of items).
    static int HiddenItems(HWND menu, int emptyHeight);
    // Closes the open menu with Escape and waits until it has gone.
    bool CloseMenu(HWND menu) const;
    // Chooses the item at position (0: the first) with real Down and Enter
    // keys and waits until the menu has gone.
    bool ChooseMenuItem(HWND menu, int position) const;
    // Opens the menu, reads its hidden-window item count and closes it.
    int CountHiddenItems(int emptyHeight) const;
    int MenuHeightWithoutItems() const;

    HWND main = nullptr;
    HWND list = nullptr;
    CHILD_PROCESS process;

  private:
    bool MenuEnded(HWND menu) const;
};

int Height(HWND window);
int Width(HWND window);

// HKEY_LOCAL_MACHINE\Software\MorvaneUtilities\Vaylo: closing the main window
// hides it to the tray without a question or a notice while the object
// lives; the previous values come back afterwards.
class TRAY_SETTINGS {
  public:
    TRAY_SETTINGS();
    ~TRAY_SETTINGS();
    TRAY_SETTINGS(const TRAY_SETTINGS&) = delete;
    TRAY_SETTINGS& operator=(const TRAY_SETTINGS&) = delete;

  private:
    struct SAVED {
        const char* subkey;
        const char* value;
        bool existed;
        DWORD data;
    };
    std::vector<SAVED> saved;
};
