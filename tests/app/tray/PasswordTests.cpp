// Restoring from the tray behind the password: what the entry decides, one
// prompt at a time, and the foreign window the prompt pushes aside.

#include "TrayDesktop.h"

namespace {

class PasswordTest : public TrayTest {
  protected:
    // Hidden in the tray with the password set, and a left click on the icon.
    HWND OpenPrompt() {
        if (!HideMain())
            return nullptr;
        Tray(WM_LBUTTONUP);
        return WaitDialog(PASSWORD_TITLE);
    }
    size_t Prompts() const { return Dialogs(PASSWORD_TITLE).size(); }
    bool PromptGone() const { return WaitNoDialog(PASSWORD_TITLE); }

    // Typed with real keys into the prompt, which has the focus on its entry.
    static bool Enter(HWND prompt, const std::wstring& text) {
        if (!WaitForeground(prompt))
            return false;
        TypeText(text);
        bool typed = PumpUntil([&] { return ControlText(prompt, IDC_PASSWORD_EDIT) == text; });
        PressKey(VK_RETURN);
        return typed;
    }
};

struct ENTRY {
    const char* name;
    const char* stored;
    const wchar_t* typed;
    bool restored;
};

class PasswordEntryTest : public PasswordTest, public ::testing::WithParamInterface<ENTRY> {};

// Only the stored bytes open the gate. A refused entry leaves the window in
// the tray, and the icon still asks again on the next click.
TEST_P(PasswordEntryTest, OnlyTheExactStoredPasswordRestores) {
    UsePassword(GetParam().stored);
    HWND prompt = OpenPrompt();
    ASSERT_NE(prompt, nullptr) << "no password prompt";
    EXPECT_FALSE(IsWindowVisible(vaylo.main));
    ASSERT_TRUE(Enter(prompt, GetParam().typed)) << "the entry did not take the typed text";
    ASSERT_TRUE(PromptGone());

    if (GetParam().restored) {
        EXPECT_TRUE(WaitVisible(vaylo.main, true));
        EXPECT_TRUE(WaitForeground(vaylo.main));
        return;
    }
    ASSERT_TRUE(Settled());
    EXPECT_FALSE(IsWindowVisible(vaylo.main));
    Tray(WM_LBUTTONUP);
    EXPECT_NE(WaitDialog(PASSWORD_TITLE), nullptr) << "the next click did not ask again";
}

INSTANTIATE_TEST_SUITE_P(Entries, PasswordEntryTest,
                         ::testing::Values(ENTRY{"Right", "Secret7", L"Secret7", true},
                                           ENTRY{"Wrong", "Secret7", L"Secret8", false},
                                           ENTRY{"OtherCase", "Secret7", L"SECRET7", false},
                                           ENTRY{"Prefix", "Secret7", L"Secret", false},
                                           ENTRY{"Empty", "Secret7", L"", false}),
                         [](const ::testing::TestParamInfo<ENTRY>& tested) { return tested.param.name; });

// No password could ever be typed for an empty or missing one: the switch
// alone asks nothing, and the window comes back at the first click.
TEST_F(PasswordTest, SwitchOnWithAnEmptyOrMissingPassword_RestoresWithoutAPrompt) {
    UsePassword("");
    for (bool missing : {false, true}) {
        if (missing)
            settings.Delete("Password", "Password");
        ASSERT_TRUE(HideMain());
        Tray(WM_LBUTTONUP);
        EXPECT_TRUE(WaitVisible(vaylo.main, true)) << (missing ? "missing" : "empty") << " password";
        ASSERT_TRUE(Settled());
        EXPECT_EQ(Prompts(), 0u);
    }
}

TEST_F(PasswordTest, Cancel_LeavesTheWindowInTheTray) {
    UsePassword("Secret7");
    HWND prompt = OpenPrompt();
    ASSERT_NE(prompt, nullptr);
    ASSERT_TRUE(WaitForeground(prompt));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(PromptGone());
    ASSERT_TRUE(Settled());
    EXPECT_FALSE(IsWindowVisible(vaylo.main));
}

// Clicks, the menu's "&Show Window Vaylo" and a second start while the
// prompt is open all find it already asking; once it has gone the guard is
// clear again.
TEST_F(PasswordTest, SecondRestoreRequestWhileThePromptIsOpen_IsRefusedWithoutASecondPrompt) {
    UsePassword("Secret7");
    HWND prompt = OpenPrompt();
    ASSERT_NE(prompt, nullptr);

    for (UINT message : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_MBUTTONUP})
        Tray(message);
    PostMessageW(vaylo.main, WM_COMMAND, IDM_SHOW_WINDOW, 0);
    CHILD_PROCESS second;
    ASSERT_TRUE(StartVaylo(second, ""));
    EXPECT_TRUE(second.WaitForExit(EXIT_TIMEOUT_MS));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(Prompts(), 1u);
    EXPECT_TRUE(IsWindow(prompt));
    EXPECT_FALSE(IsWindowVisible(vaylo.main));

    ASSERT_TRUE(Enter(prompt, L"Secret7"));
    ASSERT_TRUE(PromptGone());
    EXPECT_TRUE(WaitVisible(vaylo.main, true));
    ASSERT_TRUE(Settled());
    EXPECT_EQ(Prompts(), 0u) << "a refused request came back as a prompt later";

    ASSERT_TRUE(HideMain());
    Tray(WM_LBUTTONUP);
    EXPECT_NE(WaitDialog(PASSWORD_TITLE), nullptr);
}

// A window the user brings in front while the prompt is open is minimised
// one second after the prompt opened and restored when it closes, whatever
// the answer.
// The answer is given with the prompt's Cancel button, not typed: typed keys
// could reach the other window while the two fight for the front.
TEST_F(PasswordTest, ForeignWindowInFront_IsMinimisedAndRestoredWhenThePromptCloses) {
    std::wstring other = Title(L"other");
    ASSERT_TRUE(targets.Start({Titled(other)}));
    HWND foreign = targets.Window(other);
    UsePassword("Secret7");
    HWND prompt = OpenPrompt();
    ASSERT_NE(prompt, nullptr);

    // The user keeps clicking the other window; the prompt takes the front
    // back a few times, then lets it be.
    bool minimised = PumpUntil(
        [&] {
            if (IsIconic(foreign))
                return true;
            if (GetForegroundWindow() != foreign)
                SetForegroundWindow(foreign);
            return false;
        },
        WAIT_MS);
    ASSERT_TRUE(minimised) << "the window in front was not minimised";
    EXPECT_TRUE(IsWindow(prompt) && IsWindowVisible(prompt));
    EXPECT_TRUE(WaitForeground(prompt)) << "the prompt did not take the front";

    ClickButton(prompt, IDCANCEL);
    ASSERT_TRUE(PromptGone());
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(foreign) && IsWindowVisible(foreign); }, WAIT_MS))
        << "the minimised window was not restored";
    ASSERT_TRUE(Settled());
    EXPECT_FALSE(IsWindowVisible(vaylo.main));
}

} // namespace
