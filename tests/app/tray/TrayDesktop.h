#pragma once
// What the tray tests need beyond the main-window helpers: Vaylo's own dialogs
// found and answered from outside, and the tray icon as the shell holds it.

#include "VayloFixture.h"

#include <string>
#include <vector>

extern wchar_t const QUERY_TITLE[];    // "Query"
extern wchar_t const NOTICE_TITLE[];   // "Close to Systray"
extern wchar_t const PASSWORD_TITLE[]; // "Enter Password"
extern wchar_t const QUESTION[];

// The icon in the shell's notification area whose tip is exactly that text.
struct TRAY_ICON {
    HWND window = nullptr; // the shell's window for the icon
    std::wstring tip;
};
std::vector<TRAY_ICON> TrayIcons();
HWND TrayIconWithTip(const std::wstring& tip);

// One fresh Vaylo.exe per test with nothing stored: the user is asked.
class TrayTest : public VayloTest {
  protected:
    TrayTest() : VayloTest(false) {}

    // The main window goes to the tray quietly and the icon is back in the
    // shell's hands.
    bool HideMain();
    // Posts a tray callback message as the shell does.
    void Tray(UINT mouseMessage) const { PostMessageW(vaylo.main, WM_TRAYNOTIFY, 0, mouseMessage); }
    // The main window answered a message: everything posted before has run.
    bool Settled() const { return RoundTrip(vaylo.main); }
    HWND WaitMenuWindow() const;
    bool NoMenuWindow() const { return vaylo.MenuWindow() == nullptr; }

    // Vaylo's visible dialogs with that title.
    std::vector<HWND> Dialogs(const wchar_t* title) const { return FindWindows(DialogQuery(title)); }
    HWND WaitDialog(const wchar_t* title) const { return WaitForWindow(DialogQuery(title)); }
    bool WaitNoDialog(const wchar_t* title, DWORD timeoutMs = WAIT_MS) const {
        return PumpUntil([&] { return Dialogs(title).empty(); }, timeoutMs);
    }

  private:
    WINDOW_QUERY DialogQuery(const wchar_t* title) const { return ProcessDialog(vaylo.process.Id(), title); }
};
