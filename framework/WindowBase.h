#pragma once
// MV_WINBASE: the base of every window of the program. It owns the window's
// handle, icon, fonts, child layout, settings key, tray icon and placement
// memory, and routes every message through WindowProc before the derived
// class's DialogProc sees it.

#include "foundation/Handles.h"
#include "foundation/RegistryKey.h"
#include "foundation/TextString.h"
#include "foundation/WideString.h"

#include <windows.h>

#include <map>

// The main window's private tray callback message.
UINT const WM_TRAYNOTIFY = WM_APP + 1;

// TrayUpdate flags.
unsigned const TRAY_TIP = 1;  // tip and callback message
unsigned const TRAY_ICON = 2; // icon image

// winState values.
int const WINSTATE_MAXIMIZED = 0;
int const WINSTATE_HIDDEN = 1; // minimized or hidden to the tray
int const WINSTATE_NORMAL = 2;

class MV_WINBASE {
  public:
    MV_WINBASE(const char* name, HWND parent, HINSTANCE instance);
    MV_WINBASE(const MV_WINBASE&) = delete;
    MV_WINBASE& operator=(const MV_WINBASE&) = delete;

    // Virtual operations, in slot order.
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) = 0; // 0
    virtual void OnInitDone();                                                  // 1
    virtual HFONT LoadFont();                                                   // 2
    virtual void SetFont(HFONT newFont);                                        // 3
    virtual void OnIconChanged();                                               // 4
    virtual void OnTrayRightClick();                                            // 5
    virtual void OnTrayLeftClick();                                             // 6
    virtual void OnTrayMiddleClick();                                           // 7
    virtual void OnTrayDoubleClick();                                           // 8
    virtual HWND GetItem(int id) const;                                         // 9
    virtual void OnStatusBarSized(HWND statusBar);                              // 10
    virtual bool HasLayout() const;                                             // 11
    virtual bool HasTrayIcon() const;                                           // 12
    virtual bool TrayOnlyWhenHidden() const;                                    // 13
    virtual UINT GetTrayMessage() const;                                        // 14; (UINT)-1 means none
    virtual HMENU GetTrayMenu() const;                                          // 15
    virtual STRING GetTrayTip() const;                                          // 16
    virtual COLORREF GetBackColor() const;                                      // 17
    virtual ~MV_WINBASE();                                                      // 18
    virtual int Reserved();                                                     // 19

    // What the tray behaviour asks the user. The defaults ask nothing: a
    // restore from the tray is always allowed, and closing or minimising goes
    // to the tray only when the stored answer under valueName says so.
    virtual bool MayRestoreFromTray();
    virtual bool MayHideToTray(const char* valueName);
    // A close that does not go to the tray: the default destroys the window.
    // false when the window stays after all.
    virtual bool CloseWithoutTray();

    // The dialog procedure handed to the dialog API; one for every class.
    static INT_PTR CALLBACK DialogThunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    INT_PTR OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam);

    HICON SetIcon(HICON newIcon); // returns the previous big icon
    void ApplyFontToChildren(HFONT childFont);
    int ShowMessage(const char* text, const char* caption, UINT style, UINT iconId = 0);
    // A text that names windows by their (wide) titles.
    int ShowMessage(const WSTRING& text, const char* caption, UINT style);
    RECT GetItemRect(int id) const;
    static int AllocateCommandId();

    void CaptureLayout();
    void ApplyLayout();

    // Tray icon and tray behaviour (TrayBehaviour.cpp).
    void TrayUpdate(unsigned flags);
    void TrayRemove();
    void TrayDispatch(UINT mouseMessage);
    bool HideToTray(const char* valueName);
    void ShowWithConsole();
    void HideWithConsole();

    // Remembered placement (WindowPlacement.cpp).
    bool IsNamed() const;
    void RestoreWindowPlacement(); // at WM_INITDIALOG
    void SaveWindowPlacement();    // on SC_MAXIMIZE, SC_MINIMIZE, WM_CLOSE, WM_DESTROY

    HWND Handle() const { return hwnd; }
    HWND Parent() const { return parent; }
    HINSTANCE Instance() const { return instance; }
    HICON Icon() const { return icon; }
    // What the tray shows: the program file's own small image at the
    // system's small icon size while the window shows the file's icon,
    // otherwise the window's icon, which the shell scales.
    HICON TrayImage() const { return smallIcon.Get() ? smallIcon.Get() : icon; }
    HFONT Font() const { return font.Get(); }
    int WinState() const { return winState; }
    REGKEY& Settings() { return settings; }

    // Process-wide: "TaskbarCreated" ((UINT)-1 until registered) and the
    // always-on-top system command (0 until the first window allocates it).
    static UINT taskbarCreatedMessage;
    static int topMostCommandId;

  protected:
    int trayFailed = 0;
    int inTrayHandler = 0;
    HWND parent;
    HWND hwnd = nullptr;
    HINSTANCE instance;
    HICON icon = nullptr;
    HICON previousIcon = nullptr;
    FONT_HANDLE font; // made by LoadFont, released at WM_DESTROY at the latest
    HFONT initialFont = nullptr;
    LOGFONTA logicalFont = {};
    RECT baseRect = {};
    std::map<HWND, RECT> childRects;
    REGKEY settings;
    int winState = WINSTATE_NORMAL;

  private:
    ICON_HANDLE extractedIcon;  // taken from the module file; goes with the object
    ICON_HANDLE smallIcon;      // its small image, while the window shows it
    float appliedXScale = 1.0f; // scales of the layout the children show now
    float appliedYScale = 1.0f;

    static INT_PTR Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR PassOn(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnDestroy(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnCtlColor(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnSize(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnInitMenuPopup(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR BroadcastToChildren(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam);
};
