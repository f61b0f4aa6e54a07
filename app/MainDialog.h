#pragma once
// DIALOG: the program's main window (dialog 101, "Window Vaylo"). It lists the
// visible top-level windows, carries the drag-to-pick icon, owns the tray menu
// that holds hidden windows, and routes every command. Start-up runs it
// modally; when it ends, the process ends.
//
// MainDialog.cpp: set-up, tear-down, the message and command tables.
// WindowPicker.cpp: the visible-window list, its drawing, the drag picker.
// HiddenMenu.cpp: the hidden-window items of the tray menu.
// RuleCommands.cpp: the rules applied, the list's context menu, the Rules dialog.
// MainWindowTips.cpp: the help popups of the window's controls.

#include "app/BoundedCalls.h"
#include "app/HeldRecord.h"
#include "app/OwnedEntries.h"
#include "app/RuleEngine.h"
#include "app/WindowEntries.h"
#include "dialogs/TrayPolicyDialog.h"
#include "framework/HelpPopups.h"
#include "framework/WindowChanges.h"
#include "hotkeys/HotkeyBinding.h"

#include <climits>
#include <memory>
#include <vector>

class MV_LISTBOX;

// The start-up's command words: the whole argument text is "update" or
// "uninstall", in any case (ASCII letters only). A second start forwards one
// to the running instance's main window, which then ends.
bool IsCommandWord(const char* argumentText);
// A forwarded command line as a second start of ours sends it (dwData 1, a
// command word with its zero and nothing after it); anything else is not.
bool IsForwardedCommandWord(const COPYDATASTRUCT* data);

class DIALOG : public MV_TRAYDIALOG {
  public:
    DIALOG(HINSTANCE module, HWND owner);
    ~DIALOG() override;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HasLayout() const override { return true; }
    bool HasTrayIcon() const override { return true; }
    UINT GetTrayMessage() const override { return WM_TRAYNOTIFY; }
    HMENU GetTrayMenu() const override { return trayMenu.Get(); }
    STRING GetTrayTip() const override { return STRING("Window Vaylo"); }

    // WM_COMMAND and WM_HOTKEY; command is the whole wParam. Returns 0.
    INT_PTR OnMainCommand(WPARAM command, LPARAM lParam);
    // A hotkey press; its repeats while the key is held down do nothing.
    INT_PTR OnHotkey(WPARAM id, LPARAM keys);
    void BuildHelpPopups();

    // Visible-window list and picker (WindowPicker.cpp).
    void RefreshWindowList();
    // The once-a-second look: the refresh when windows may have changed,
    // otherwise only the icons' turn.
    void LookAtWindows();
    void ClearWindowList();
    BOOL AddVisibleWindow(HWND window); // always TRUE: go on enumerating
    HICON WindowIcon(HWND window);
    bool HitDragIcon(int x, int y);
    LRESULT BeginDrag(LPARAM lParam);
    LRESULT EndDrag(LPARAM lParam);
    void DrawWindowEntry(const DRAWITEMSTRUCT& item);
    void HideSelectedWindow();

    // Hidden-window menu (HiddenMenu.cpp).
    // The item's id; 0: no item was made. restoreOnRelease: the window comes
    // back restored, not minimised.
    int AddMenuEntry(const WINDOW_ENTRY& entry, bool restoreOnRelease = false);
    // tellRefusal false: a hide refused as to a program running as
    // administrator is left to the caller to tell (a rule tells it once for
    // the program, not for each of its windows).
    bool HideEntryWindow(const WINDOW_ENTRY& entry, bool withItem, bool restoreOnRelease = false,
                         bool tellRefusal = true);
    void RestoreMenuEntry(UINT id);
    void PruneMenu();
    void ReleaseAllHidden();
    void AdoptRecordedWindows();
    void HideActiveWindow();
    void MeasureMenuEntry(MEASUREITEMSTRUCT& item);
    void DrawMenuEntry(const DRAWITEMSTRUCT& item);
    // Stops counting at countUpTo: asking every window's text costs a message
    // to each program, and Hide Active only needs to know whether there is one.
    int CountVisibleWindows(int countUpTo = INT_MAX);
    // The terminate handler's first step: queues the show of every held window.
    static void ShowHeldWindowsBeforeAbort();

  private:
    // Message table
    void SetUp();
    void TearDown();
    void OnCopyData(const COPYDATASTRUCT* data);
    void OnLeftButtonDown(UINT message, WPARAM keys, LPARAM point);
    void OnLeftButtonUp(WPARAM keys, LPARAM point);
    void OnMouseMove(WPARAM keys, LPARAM point);
    INT_PTR OnDrawItem(WPARAM control, const DRAWITEMSTRUCT* item);
    INT_PTR OnMeasureItem(WPARAM control, MEASUREITEMSTRUCT* item);
    bool ListHolds(const DRAWITEMSTRUCT& item) const;
    bool MenuHolds(UINT id, ULONG_PTR data) const;
    void OnTimer(WPARAM timer);
    void WatchHotkeyRelease();
    STRING HotkeyLines() const;
    void OnActivate(WPARAM state);
    void OnEndSession(WPARAM ending);
    bool EndProgram(INT_PTR code); // false: the program stays
    bool CloseWithoutTray() override { return EndProgram(IDCANCEL); }
#ifdef VAYLO_FAULT_TRIGGERS
    // Test builds only: faults on request (FaultTriggers.cpp).
    INT_PTR OnFaultTrigger(UINT message, WPARAM wParam);
    static bool RefusingMenuItems();
#endif

    // Command table
    void HideMe();
    void PopupTrayMenu();
    void ShowFromTray();
    void OnListCommand(WORD notification, LPARAM control);
    void ShowHiddenViewer();

    // Rules (RuleCommands.cpp)
    void ApplyRulesToListed();
    void ApplyRules(const std::vector<HWND>& windows, bool listable);
    bool HideByRule(const RULED_WINDOW& due);
    void TellUnhideable(HWND window);
    void OnContextMenu(HWND control, LPARAM point);
    bool ContextMenuPoint(HWND list, LPARAM point, POINT& at);
    void ToggleRule(const WSTRING& path, DWORD when);
    void OpenRules();

    // Parts of the program still to come
    void VisitWebSite();
    void OpenHotkeyOptions();
    void OpenAbout();

    // Visible-window list and picker helpers
    static BOOL CALLBACK AddVisibleWindowThunk(HWND window, LPARAM self);
    static void CALLBACK WatchDrag(HWND window, UINT message, UINT_PTR timer, DWORD time);
    static void StopDragWatch(HWND window);
    HWND SelectedWindow();
    // The list's refresh touches only what changed (WindowPicker.cpp): the
    // list's item data in list order, the listable windows the running
    // enumeration found, and which listed window's icon is asked again next.
    struct LISTABLE_WINDOW {
        HWND window;
        WSTRING title;
    };
    void MatchListed(std::vector<int>& gone, std::vector<std::unique_ptr<WINDOW_ENTRY>>& arriving);
    void ListEntry(MV_LISTBOX& list, std::unique_ptr<WINDOW_ENTRY> entry);
    void SelectWindowEntry(MV_LISTBOX& list, HWND window);
    void AskIconsInTurn(MV_LISTBOX& list);
    bool AskWindowIcon(HWND window, HICON& image);
    static HICON ClassIcon(HWND window);
    static bool SystemCallsHung(HWND window);
    // The list's entries: item data names one, the set owns it (see
    // OwnedEntries.h). listed holds only entries the set holds, or null.
    OWNED_ENTRIES<WINDOW_ENTRY> listEntries;
    std::vector<WINDOW_ENTRY*> listed;
    WINDOW_ENTRY* EntryAt(MV_LISTBOX& list, int index) const;
    std::vector<WINDOW_ENTRY*> HeldEntries(MV_LISTBOX& list) const;
    void DropUnlistedEntries();
    std::vector<LISTABLE_WINDOW> enumerated;
    size_t iconTurn = 0;
    MV_WINDOW_CHANGES windowChanges;
    // Help popups (MainWindowTips.cpp)
    void DestroyHelpPopups();
    // Mouse input of the dialog itself, for the tip of the picker icon.
    void RelayMouse(UINT message, WPARAM wParam, LPARAM lParam);
    // Hidden-window menu helpers
    struct VISIBLE_COUNT;
    static BOOL CALLBACK CountVisibleStep(HWND window, LPARAM context);
    bool IsProgramManager(HWND window);
    void HideListedWindow(HWND window);
    int MenuIdNotHeld();
    bool ShowHeldWindows(std::vector<HWND>* denied = nullptr);
    // show: the window stays hidden; otherwise it stays visible.
    void TellRunsAsAdministrator(HWND window, const WSTRING& title, bool show);
    // restoring: those of them that come back restored.
    static void HeldWindows(HMENU menu, std::vector<HWND>& windows, std::vector<HWND>& restoring);
    void DropHeldItems(HMENU menu, const std::vector<HWND>& kept);
    // From menu on (null: no longer), an unhandled exception first shows
    // every window the menu holds.
    static void ShowHeldWindowsOnCrash(HMENU menu);
    static LONG WINAPI ShowHeldWindowsBeforeDying(EXCEPTION_POINTERS* exception);
    static void ShowHeldWindowsOnAbort(int signal);
    std::unique_ptr<HIDDEN_ENTRY> TakeMenuEntry(HMENU menu, UINT item, bool byPosition);

    HCURSOR dragCursor = nullptr; // shared resource cursor: never destroyed
    MENU_HANDLE trayMenu;
    HBRUSH windowBrush = nullptr; // system colour brushes: never deleted
    HBRUSH highlightBrush = nullptr;
    HBRUSH menuBrush = nullptr;
    bool dragging = false;
    HOTKEY_TABLE hotkeys;
    // Windows of programs running as administrator already told of.
    std::vector<HWND> toldDenied;
    // The hotkey last acted on while its key may still be down, and when its
    // last repeat arrived.
    struct HELD_HOTKEY {
        WPARAM id = 0;
        UINT key = 0;
        DWORD lastSeen = 0;
    } heldHotkey;
    // Hide Active and the tray menu command never run inside themselves (a
    // nested modal loop or a bounded wait may deliver their hotkey again).
    bool hidingActive = false;
    bool poppingMenu = false;
    // The rules are applied once at a time: a message box or a bounded wait
    // of theirs may deliver the next look.
    bool applyingRules = false;
    RULE_ENGINE rules;
    std::unique_ptr<HELP_POPUPS> helpPopups; // null while the tips are off

    BOUNDED_CALLS foreign;  // every message to another program's window
    HELD_RECORD heldRecord; // what the menu holds, for a start after a kill
};
