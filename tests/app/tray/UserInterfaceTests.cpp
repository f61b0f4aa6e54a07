// The tray options as a user sets them in the real Vaylo.exe: the main
// window's "&Options", then "Application &Interface", and what the program
// then does when it is closed and restored.

#include "TrayDesktop.h"

namespace {

wchar_t const HOTKEY_TITLE[] = L"Hot Key";
wchar_t const OPTIONS_TITLE[] = L"User Interface";

bool WaitChecked(HWND dialog, int id) {
    return PumpUntil([&] { return IsChecked(dialog, id); });
}

LRESULT TextLength(HWND control) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS, &length))
        return -1;
    return static_cast<LRESULT>(length);
}

// Typed with real keys into the entry, once a real click has put the focus there.
bool TypeInto(HWND dialog, int id, const std::wstring& text) {
    if (!ClickIntoControl(dialog, id))
        return false;
    TypeText(text);
    return PumpUntil([&] { return TextLength(GetDlgItem(dialog, id)) == static_cast<LRESULT>(text.size()); });
}

class UserInterfaceTest : public TrayTest {
  protected:
    // The main window's "&Options", then "Application &Interface"; false
    // when either dialog did not open.
    bool OpenOptions() {
        ClickButton(vaylo.main, IDC_OPTIONS);
        hotkeys = WaitDialog(HOTKEY_TITLE);
        if (hotkeys == nullptr)
            return false;
        ClickButton(hotkeys, IDC_APPLICATION_INTERFACE);
        options = WaitDialog(OPTIONS_TITLE);
        return options != nullptr;
    }
    // "Close to tray" and "Use Password" checked, the password entry open.
    bool CheckCloseToTrayAndPassword() const {
        ClickButton(options, IDC_UI_CLOSE_TO_TRAY);
        if (!WaitChecked(options, IDC_UI_CLOSE_TO_TRAY))
            return false;
        ClickButton(options, IDC_UI_USE_PASSWORD);
        return WaitChecked(options, IDC_UI_USE_PASSWORD) &&
               PumpUntil([&] { return IsWindowEnabled(GetDlgItem(options, IDC_UI_PASSWORD)) != FALSE; });
    }

    HWND hotkeys = nullptr;
    HWND options = nullptr;
};

TEST_F(UserInterfaceTest, CloseToTrayAndAPasswordSetInTheOptions_CloseHidesAndRestoringAsksForIt) {
    ASSERT_TRUE(OpenOptions()) << "the options did not open";
    EXPECT_EQ(hotkeys, GetWindow(options, GW_OWNER));
    ASSERT_TRUE(CheckCloseToTrayAndPassword());
    ASSERT_TRUE(TypeInto(options, IDC_UI_PASSWORD, L"Tray42")) << "the entry did not take the typed password";
    ClickButton(options, IDOK);
    ASSERT_TRUE(WaitNoDialog(OPTIONS_TITLE));
    ClickButton(hotkeys, IDOK);
    ASSERT_TRUE(WaitNoDialog(HOTKEY_TITLE));

    // Stored where the tray behaviour reads them.
    EXPECT_EQ(1, settings.Dword("CloseToTray", "CloseToTray"));
    EXPECT_EQ(1, settings.Dword("Password", "UseSystrayPassword"));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(settings.Read("Password", "Password", type, bytes));
    EXPECT_EQ(std::string("Tray42", 7), bytes);

    // Closing now hides to the tray, after the notice that says so.
    PostMessageW(vaylo.main, WM_CLOSE, 0, 0);
    HWND notice = WaitDialog(NOTICE_TITLE);
    ASSERT_NE(nullptr, notice) << "closing did not go to the tray";
    ClickButton(notice, IDOK);
    ASSERT_TRUE(WaitVisible(vaylo.main, false));
    ASSERT_TRUE(vaylo.process.IsRunning());

    // Restoring asks for the password first.
    Tray(WM_LBUTTONUP);
    HWND prompt = WaitDialog(PASSWORD_TITLE);
    ASSERT_NE(nullptr, prompt) << "restoring did not ask for the password";
    EXPECT_FALSE(IsWindowVisible(vaylo.main));
    ASSERT_TRUE(WaitForeground(prompt));
    TypeText(L"Tray42");
    ASSERT_TRUE(PumpUntil([&] { return TextLength(GetDlgItem(prompt, IDC_PASSWORD_EDIT)) == 6; }));
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitVisible(vaylo.main, true));
}

// A password that cannot be typed would keep the window in the tray for the
// rest of the session: OK is refused, the focus goes to the password and
// nothing is stored, the tray switch included.
TEST_F(UserInterfaceTest, PasswordCheckedButEmpty_OkKeepsTheDialogOpenAndStoresNothing) {
    ASSERT_TRUE(OpenOptions()) << "the options did not open";
    ASSERT_TRUE(CheckCloseToTrayAndPassword());
    ASSERT_EQ(0, TextLength(GetDlgItem(options, IDC_UI_PASSWORD)));
    ClickButton(options, IDOK);
    EXPECT_TRUE(PumpUntil([&] { return FocusOf(options) == GetDlgItem(options, IDC_UI_PASSWORD); }))
        << "the focus did not go to the password";
    ASSERT_TRUE(IsWindow(options) && IsWindowVisible(options)) << "OK closed the dialog";
    EXPECT_FALSE(settings.Exists("Password", "UseSystrayPassword"));
    EXPECT_FALSE(settings.Exists("Password", "Password"));
    EXPECT_FALSE(settings.Exists("CloseToTray", "CloseToTray"));

    ASSERT_TRUE(TypeInto(options, IDC_UI_PASSWORD, L"Tray42"));
    ClickButton(options, IDOK);
    EXPECT_TRUE(WaitNoDialog(OPTIONS_TITLE)) << "OK with a password did not close the dialog";
    EXPECT_EQ(1, settings.Dword("Password", "UseSystrayPassword"));
}

// No execution level: Windows then gives this 32-bit program, under UAC's
// filtered token, its own copy of HKEY_LOCAL_MACHINE's settings, and the
// options save. Asking to run as invoked made every settings write fail.
TEST(Manifest, VayloLeavesTheExecutionLevelToWindows) {
    HMODULE file = LoadLibraryExA(VayloPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, file);
    HRSRC found = FindResourceA(file, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
    std::string manifest;
    if (found) {
        const char* text = static_cast<const char*>(LockResource(LoadResource(file, found)));
        if (text)
            manifest.assign(text, SizeofResource(file, found));
    }
    FreeLibrary(file);
    ASSERT_NE(std::string::npos, manifest.find("<assembly")) << "no manifest";
    EXPECT_EQ(std::string::npos, manifest.find("<requestedExecutionLevel")) << manifest;
}

} // namespace
