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

// The focus window of the thread that owns the window, as the system sees it.
HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

LRESULT TextLength(HWND control) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, WAIT_MS, &length))
        return -1;
    return static_cast<LRESULT>(length);
}

// Typed with real keys into the entry, once a real click has put the focus there.
bool TypeInto(HWND dialog, int id, const std::wstring& text) {
    HWND entry = GetDlgItem(dialog, id);
    if (!WaitForeground(dialog))
        return false;
    ClickAt(Centre(entry));
    if (!PumpUntil([&] { return FocusOf(dialog) == entry; }))
        return false;
    TypeText(text);
    return PumpUntil([&] { return TextLength(entry) == static_cast<LRESULT>(text.size()); });
}

using UserInterfaceTest = TrayTest;

TEST_F(UserInterfaceTest, CloseToTrayAndAPasswordSetInTheOptions_CloseHidesAndRestoringAsksForIt) {
    ClickButton(vaylo.main, IDC_OPTIONS);
    HWND hotkeys = WaitDialog(HOTKEY_TITLE);
    ASSERT_NE(nullptr, hotkeys) << "the hotkey options did not open";
    ClickButton(hotkeys, IDC_APPLICATION_INTERFACE);
    HWND options = WaitDialog(OPTIONS_TITLE);
    ASSERT_NE(nullptr, options) << "the user interface options did not open";
    EXPECT_EQ(hotkeys, GetWindow(options, GW_OWNER));

    ClickButton(options, IDC_UI_CLOSE_TO_TRAY);
    ASSERT_TRUE(WaitChecked(options, IDC_UI_CLOSE_TO_TRAY));
    ClickButton(options, IDC_UI_USE_PASSWORD);
    ASSERT_TRUE(WaitChecked(options, IDC_UI_USE_PASSWORD));
    ASSERT_TRUE(PumpUntil([&] { return IsWindowEnabled(GetDlgItem(options, IDC_UI_PASSWORD)) != FALSE; }));
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
