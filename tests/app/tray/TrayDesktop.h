#pragma once
// What the tray tests need beyond the main-window helpers: the tray settings
// prepared and put back per test, Vaylo's own dialogs found and answered from
// outside, typed text and real clicks, and the tray icon as the shell holds it.

#include "Desktop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

int const CHECK_BOX_ID = 1018;                 // "Don't remind me again", "&Don't show me this message again"
int const QUESTION_ID = 1017;
int const PASSWORD_EDIT_ID = 1000;
WPARAM const POPUP_MENU = 1010;

extern wchar_t const QUERY_TITLE[];    // "Query"
extern wchar_t const NOTICE_TITLE[];   // "Close to Systray"
extern wchar_t const PASSWORD_TITLE[]; // "Enter Password"
extern wchar_t const QUESTION[];

// The values under HKEY_LOCAL_MACHINE\Software\MorvaneUtilities\Vaylo that the
// tray behaviour reads and writes. The object saves them, removes them all
// (nothing stored: the user is asked), and puts the saved ones back when it
// goes, whatever the test did.
class TRAY_REGISTRY {
  public:
    TRAY_REGISTRY();
    ~TRAY_REGISTRY();
    TRAY_REGISTRY(const TRAY_REGISTRY&) = delete;
    TRAY_REGISTRY& operator=(const TRAY_REGISTRY&) = delete;

    // subkey is also the setting's value name ("CloseToTray", "MinimizeToTray"),
    // suffix "" "Reminder" or "RunReminder".
    bool SetDword(const char* subkey, const std::string& value, DWORD data);
    bool SetString(const char* subkey, const char* value, const char* data);
    // false when the value is missing or no DWORD.
    bool ReadDword(const char* subkey, const std::string& value, DWORD& data) const;
    bool Exists(const char* subkey, const std::string& value) const;

    // Closing and minimising go to the tray without a question or a notice.
    void HideQuietly();
    void UsePassword(const char* password);

  private:
    struct SAVED {
        std::string subkey, value;
        bool existed;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::vector<SAVED> saved;
};

// Visible dialogs of the process with that title.
std::vector<HWND> Dialogs(DWORD processId, const wchar_t* title);
HWND WaitDialog(DWORD processId, const wchar_t* title, DWORD timeoutMs = WAIT_MS);
bool WaitNoDialog(DWORD processId, const wchar_t* title, DWORD timeoutMs = WAIT_MS);

// A control's text read across processes (bounded).
std::wstring ControlText(HWND dialog, int id);
bool IsChecked(HWND dialog, int id);
// Clicks the button as a mouse click would, without waiting for its handler.
void ClickButton(HWND dialog, int id);
// Types text with real keyboard input into whatever has the focus.
void TypeText(const std::wstring& text);
// A real click with the left or right button at a screen point.
void ClickAt(POINT screen, bool right = false);
POINT Centre(HWND window);

// The icon in the shell's notification area whose tip is exactly that text.
struct TRAY_ICON {
    HWND window = nullptr; // the shell's window for the icon
    std::wstring tip;
};
std::vector<TRAY_ICON> TrayIcons();
HWND TrayIconWithTip(const std::wstring& tip);
// Whether the shell holds an icon for (owner, 0), asked without changing it.
bool ShellHasIcon(HWND owner);
// The shell forgets the icon, as when Explorer restarts.
bool ShellDeleteIcon(HWND owner);

// One fresh Vaylo.exe per test with nothing stored. TearDown answers any of
// its dialogs with Cancel and ends it; members go in reverse order: Vaylo,
// the targets, then the settings come back.
class TrayTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    std::wstring Title(const wchar_t* name) const { return RunTitle(serial, name); }
    static std::wstring Titled(const std::wstring& title) { return L"titled:" + title; }

    // The main window goes to the tray quietly and the icon is back in the
    // shell's hands.
    bool HideMain();
    // Posts a tray callback message as the shell does.
    void Tray(UINT mouseMessage) const { PostMessageW(vaylo.main, WM_TRAYNOTIFY, 0, mouseMessage); }
    // The main window answered a message: everything posted before has run.
    bool Settled() const { return RoundTrip(vaylo.main); }
    bool MakeForeground(HWND window) const;
    HWND OpenMenuWindow() const;
    HWND WaitMenuWindow() const;
    bool NoMenuWindow() const { return OpenMenuWindow() == nullptr; }

    TRAY_REGISTRY registry;
    TARGETS targets;
    VAYLO vaylo;
    unsigned serial = 0;

  private:
    static inline unsigned lastSerial = 0;
};
