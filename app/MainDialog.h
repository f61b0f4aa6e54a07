#pragma once
// DIALOG: the program's main window (dialog 101, "Window Vaylo"). It lists the
// visible top-level windows, carries the drag-to-pick icon, owns the tray menu
// that holds hidden windows, and routes every command. Start-up runs it
// modally; when it ends, the process ends.
//
// MainDialog.cpp: set-up, tear-down, the message and command tables.
// WindowPicker.cpp: the visible-window list, its drawing, the drag picker.
// HiddenMenu.cpp: the hidden-window items of the tray menu.

#include "app/BoundedCalls.h"
#include "app/WindowEntries.h"
#include "dialogs/TrayPolicyDialog.h"

#include <climits>
#include <memory>

class HELP_POPUPS;

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
    void BuildHelpPopups();

    // Visible-window list and picker (WindowPicker.cpp).
    void RefreshWindowList();
    void ClearWindowList();
    BOOL AddVisibleWindow(HWND window); // always TRUE: go on enumerating
    HICON WindowIcon(HWND window);
    bool HitDragIcon(int x, int y);
    LRESULT BeginDrag(LPARAM lParam);
    LRESULT EndDrag(LPARAM lParam);
    void DrawWindowEntry(const DRAWITEMSTRUCT& item);
    void HideSelectedWindow();

    // Hidden-window menu (HiddenMenu.cpp).
    void AddMenuEntry(const WINDOW_ENTRY& entry);
    void RestoreMenuEntry(UINT id);
    void PruneMenu();
    void ReleaseAllHidden();
    void HideActiveWindow();
    void MeasureMenuEntry(MEASUREITEMSTRUCT& item);
    void DrawMenuEntry(const DRAWITEMSTRUCT& item);
    // Stops counting at countUpTo: asking every window's text costs a message
    // to each program, and Hide Active only needs to know whether there is one.
    int CountVisibleWindows(int countUpTo = INT_MAX);

  private:
    // Message table
    void SetUp();
    void TearDown();
    void OnCopyData(const COPYDATASTRUCT* data);
    void OnMouseMove();
    INT_PTR OnDrawItem(WPARAM control, const DRAWITEMSTRUCT* item);
    INT_PTR OnMeasureItem(WPARAM control, MEASUREITEMSTRUCT* item);
    INT_PTR OnDeleteItem(WPARAM control, const DELETEITEMSTRUCT* item);
    void OnTimer(WPARAM timer);
    void OnActivate(WPARAM state);

    // Command table
    void HideMe();
    void PopupTrayMenu();
    void ShowFromTray();
    void OnListCommand(WORD notification, LPARAM control);

    // Parts of the program still to come
    void LoadHotkeyTable();
    void UnregisterHotkeyTable();
    void DestroyHelpPopups();
    void VisitWebSite();
    void OpenHotkeyOptions();
    void OpenHiddenViewer();
    void OpenAbout();

    // Visible-window list and picker helpers
    static BOOL CALLBACK AddVisibleWindowThunk(HWND window, LPARAM self);
    static void CALLBACK WatchDrag(HWND window, UINT message, UINT_PTR timer, DWORD time);
    static void StopDragWatch(HWND window);
    HWND SelectedWindow();
    // Hidden-window menu helpers
    struct VISIBLE_COUNT;
    static BOOL CALLBACK CountVisibleStep(HWND window, LPARAM context);
    bool IsProgramManager(HWND window);
    void HideListedWindow(HWND window);
    int MenuIdNotHeld();
    void ShowHeldWindows(HMENU menu);
    static std::unique_ptr<HIDDEN_ENTRY> TakeMenuEntry(HMENU menu, UINT item, bool byPosition);

    HCURSOR dragCursor = nullptr; // shared resource cursor: never destroyed
    MENU_HANDLE trayMenu;
    HBRUSH windowBrush = nullptr; // system colour brushes: never deleted
    HBRUSH highlightBrush = nullptr;
    HBRUSH menuBrush = nullptr;
    bool dragging = false;
    // The hotkey table joins here with the hotkeys.
    HELP_POPUPS* helpPopups = nullptr;

    BOUNDED_CALLS foreign; // every message to another program's window
};
