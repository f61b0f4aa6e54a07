#pragma once
// The desktop as the end-to-end tests see it: the real Vaylo.exe started and
// always ended, target windows in a helper process (targets.exe), and the
// running program read and driven from outside (its list box, its tray menu,
// its commands). Every wait is bounded.

#include "resources/resource.h"
#include "support/Input.h"
#include "support/Poll.h"
#include "support/Process.h"
#include "support/Registry.h"
#include "support/Window.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

UINT const WM_TRAYNOTIFY = WM_APP + 1;
UINT const TARGET_BUSY = WM_APP + 7; // posted to a window of targets.exe (see Targets.cpp)
UINT const TARGET_ICON = WM_APP + 8; // posted: the window takes another icon
UINT const TARGET_TRAP = WM_APP + 9; // sent: it hangs just after answering the next WM_NULL
// Set on a window of targets.exe once its first show has returned: from then
// on, only somebody else hides it.
wchar_t const TARGET_SHOWN_PROPERTY[] = L"VayloTargetShown";
int const LIST_ID = IDC_WINDOW_LIST;
int const PICKER_ID = IDC_PICKER;
int const MENU_ITEM_HEIGHT = 18; // every hidden-window item of the tray menu at 96 DPI (the prefix's)
char const VAYLO_KEY[] = "Software\\MorvaneUtilities\\Vaylo"; // the program's settings

// The program's record of the windows it holds, in the user's registry, in a
// subkey per logon session (older: the key itself, where the previous version
// kept it): one value per window, named by the handle in upper-case
// hexadecimal, its text "<process id>,<creation time in hex>,<restore 0|1>
// <title>", or the previous version's "<process id> <title>".
char const HELD_RECORD_KEY[] = "Software\\MorvaneUtilities\\Vaylo\\Held Windows";
std::string RecordName(HWND window);
std::map<std::string, std::string> HeldRecord(bool older = false); // name -> text
bool WriteHeldRecord(const std::string& name, const std::string& text, bool older = false);
void ClearHeldRecord(); // both places

// The program's rules, per user: one value per program, named by its full
// path, a REG_DWORD of 1 (when minimised), 2 (when opened) or both.
wchar_t const RULES_KEY[] = L"Software\\MorvaneUtilities\\Vaylo\\Rules";
bool WriteRule(const std::wstring& program, DWORD type, const std::string& bytes);
// The value's type and bytes; false when it is missing.
bool ReadRule(const std::wstring& program, DWORD& type, std::string& bytes);
void ClearRules();             // the key and every rule in it
std::wstring TargetsProgram(); // targets.exe's full path, as its process reports it

// Vaylo.exe and targets.exe as Windows paths (the build gives Unix paths).
// VAYLO_EXE_UNDER_TEST in the environment names another Vaylo.exe (the
// benchmark of an earlier build).
std::string VayloPath();
std::string TargetsPath();
// Starts Vaylo.exe (or another build of it: program, a Windows path) with
// its quoted path followed by tail (" update", "" ...).
bool StartVaylo(CHILD_PROCESS& process, const std::string& tail, const std::string& program = VayloPath());

// Closing and minimising the main window go to the tray without a question
// or a notice.
void HideToTrayQuietly(const SCRATCH_KEY& settings);

// Every top-level dialog titled "Window Vaylo", visible or not, of any process.
std::vector<HWND> MainWindowsOfAnyProcess();
// The visible main window of the process, or null once the process ended or
// the time ran out.
HWND WaitForMainWindow(const CHILD_PROCESS& process, DWORD timeoutMs = START_TIMEOUT_MS);

// A title unique to this test run: "T<process id>.<serial>" followed by name.
// Titles made with the same serial sort by name.
std::wstring RunTitle(unsigned serial, const wchar_t* name);
std::string Narrow(const std::wstring& text);

// The windows a helper process made (see Targets.cpp for the argument forms).
class TARGETS {
  public:
    // Starts targets.exe with the arguments and waits until every titled
    // window among them exists and has been shown (another program, a rule,
    // may have hidden it again since).
    bool Start(const std::vector<std::wstring>& specs);
    // The window of this process with that title, or null.
    HWND Window(const std::wstring& title) const;
    std::vector<HWND> Windows(const std::wstring& title) const;
    // The process's visible top-level window with an empty title, or null.
    HWND Untitled() const;
    DWORD Id() const { return process.Id(); }
    CHILD_PROCESS process;

  private:
    static bool Shown(HWND window);
};

// Whether the window passes the list's filter: visible, without a parent or
// owner that GetParent reports, titled, and not exactly "Program Manager".
bool ListableWindow(HWND window);
// The titles of every listable window but exclude, sorted.
std::vector<std::wstring> ListableTitles(HWND exclude);
// The same titles in the order a sorted list box gives them when it is
// filled from scratch in the order of the enumeration: what the program's
// list shows right after a rebuild.
std::vector<std::wstring> RebuiltListTexts(HWND exclude);

// Waits until the window's visibility is the given one; false on timeout.
bool WaitVisible(HWND window, bool visible, DWORD timeoutMs = WAIT_MS);
bool WaitForeground(HWND window, DWORD timeoutMs = WAIT_MS);
// A real click on the dialog's control once the dialog is in front; true
// once the control has the focus.
bool ClickIntoControl(HWND dialog, int id);

// A window's top-left corner on the screen, and whether two points lie within
// two pixels (a menu opens with its top-left corner at the pointer).
POINT TopLeft(HWND window);
bool Near(POINT a, POINT b);

// The running Vaylo.exe, seen from outside. Reads of the list go through
// SendMessageTimeoutW: the list's text comes back across processes only in
// the wide form, and the item data are pointers of the other process.
class VAYLO {
  public:
    // Starts it (or another build of it) and waits for its visible main window.
    bool Start(const std::string& program = VayloPath());
    // Ends it through the Exit button and waits; Terminate() if that fails.
    bool Exit();

    std::vector<std::wstring> ListTexts() const; // in list order
    int Count() const;
    int Selection() const; // LB_ERR without one
    int TopIndex() const;  // the first entry in view; LB_ERR without an answer
    bool SetTopIndex(int index) const;
    // The icon the entry's item data holds (what the entry shows), read from
    // the program's memory; null when it could not be read.
    HICON EntryIcon(int index) const;
    // The title the entry's item data holds, read from the program's memory
    // the same way; empty when it could not be read.
    std::wstring EntryTitle(int index) const;
    // One refresh of the list, as its timer gives it; false without an answer.
    bool Refresh() const { return Send(WM_TIMER, 1, 0); }
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

    // The program's open menu window, or null.
    HWND MenuWindow() const;
    // Opens the tray menu as a right click on the tray icon does and waits
    // for its window; null when it does not show.
    HWND OpenMenu() const;
    // How many hidden-window items the open menu holds given its height with
    // none (-1 when the difference is no whole number of items).
    static int HiddenItems(HWND menu, int emptyHeight);
    // Closes the open menu with Escape and waits until it has gone.
    bool CloseMenu(HWND menu) const;
    // Chooses the item at position (0: the first) with Down and Enter keys
    // and waits until the menu has gone. The keys are posted to the menu
    // window, so they reach the menu's own loop whichever window has the
    // keyboard focus; each Down is confirmed by the highlight the menu shows
    // moving down before the next key.
    bool ChooseMenuItem(HWND menu, int position) const;
    // Opens the context menu of the entry with that title from the keyboard
    // (the menu key, Shift+F10) and chooses its item at position: 1 "When
    // Minimised", 2 "When Opened", 3 "Rules...".
    bool ChooseFromContextMenu(const std::wstring& title, int position) const;
    // Opens the menu, reads its hidden-window item count and closes it.
    int CountHiddenItems(int emptyHeight) const;
    int MenuHeightWithoutItems() const;

    HWND main = nullptr;
    HWND list = nullptr;
    CHILD_PROCESS process;

  private:
    bool MenuEnded(HWND menu) const;
};
