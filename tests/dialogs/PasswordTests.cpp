#include "DialogDriver.h"

#include "dialogs/PasswordDialog.h"
#include "resources/resource.h"
#include "support/Window.h"

#include <gtest/gtest.h>

namespace {

const wchar_t* const kTitle = L"Enter Password";

// What reaches the prompt on this thread: its one-second timer and every
// WM_ACTIVATE, counted by hooks so the prompt's code is left as it is.
std::atomic<int> promptTimers{0};
std::atomic<int> promptActivations{0};
// When set, this window is made the foreground window just before the prompt
// handles its timer, so which window is in front at that moment is decided by
// the test, not by the race between two windows that both want the front.
std::atomic<HWND> frontAtTimer{nullptr};

bool IsPrompt(HWND window) {
    return TitleOf(window) == kTitle;
}

// Counts what reaches the prompt through hooks on this thread, so the
// prompt's code is left as it is.
class PROMPT_WATCH {
  public:
    PROMPT_WATCH() {
        promptTimers = 0;
        promptActivations = 0;
        frontAtTimer = nullptr;
    }
    ~PROMPT_WATCH() { frontAtTimer = nullptr; }
    bool Installed() const { return taken.Installed() && sent.Installed(); }

  private:
    MESSAGE_HOOK taken{MESSAGE_HOOK::TAKEN, [](const MSG& message) {
                           if (message.message != WM_TIMER || message.wParam != 1 || !IsPrompt(message.hwnd))
                               return;
                           if (HWND front = frontAtTimer.load())
                               SetForegroundWindow(front);
                           ++promptTimers;
                       }};
    MESSAGE_HOOK sent{MESSAGE_HOOK::SENT, [](const MSG& message) {
                          if (message.message == WM_ACTIVATE && IsPrompt(message.hwnd))
                              ++promptActivations;
                      }};
};

// The prompt's timer has been taken from the queue; a round trip to the
// prompt's thread makes sure its handling is over.
bool WaitForTimerHandled(HWND prompt) {
    return PollUntil([] { return promptTimers > 0; }) && RoundTrip(prompt, WAIT_MS);
}

bool AskWith(HWND owner, const char* expected, std::function<void(HWND prompt)> script) {
    DRIVER driver(OwnedDialog(owner, kTitle), script);
    bool answer = AskPassword(owner, STRING(expected), ProgramIcon());
    driver.Finish();
    return answer;
}

// Types as the user would, once the entry has the keyboard focus, and presses Enter.
void TypeAndEnter(HWND prompt, const std::wstring& text) {
    HWND entry = GetDlgItem(prompt, IDC_PASSWORD_EDIT);
    ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == prompt && FocusOf(prompt) == entry; }))
        << "the entry never had the focus";
    TypeText(text);
    ASSERT_TRUE(PollUntil([&] { return GetWindowTextLengthA(entry) == static_cast<int>(text.size()); }));
    PressKey(VK_RETURN);
}

void EnterAndOk(HWND prompt, const char* text) {
    SetControlText(prompt, IDC_PASSWORD_EDIT, text);
    ClickButton(prompt, IDOK);
}

} // namespace

TEST(Password, RightPasswordTyped_IsAccepted) {
    TEST_OWNER owner;
    LONG style = 0;
    HICON shownIcon = nullptr;
    EXPECT_TRUE(AskWith(owner.Get(), "Secret42", [&](HWND prompt) {
        style = GetWindowLongA(GetDlgItem(prompt, IDC_PASSWORD_EDIT), GWL_STYLE);
        shownIcon = reinterpret_cast<HICON>(SendMessageA(prompt, WM_GETICON, ICON_BIG, 0));
        TypeAndEnter(prompt, L"Secret42");
    }));
    EXPECT_TRUE(style & ES_PASSWORD);
    EXPECT_EQ(ProgramIcon(), shownIcon);
}

TEST(Password, OwnerHiddenInTheTray_PromptStillComesToFrontAndAccepts) {
    TEST_OWNER owner;
    ShowWindow(owner.Get(), SW_HIDE); // as when the main window is restored from the tray
    bool answer = AskWith(owner.Get(), "Secret42", [](HWND prompt) { TypeAndEnter(prompt, L"Secret42"); });
    ShowWindow(owner.Get(), SW_SHOW);
    EXPECT_TRUE(answer);
}

TEST(Password, WrongCaseDifferentEmptyOrCancelled_IsRefused) {
    TEST_OWNER owner;
    EXPECT_FALSE(AskWith(owner.Get(), "Secret42", [](HWND prompt) { TypeAndEnter(prompt, L"Secret43"); }));
    EXPECT_FALSE(AskWith(owner.Get(), "Secret42", [](HWND prompt) { EnterAndOk(prompt, "secret42"); }));
    EXPECT_FALSE(AskWith(owner.Get(), "Secret42", [](HWND prompt) { EnterAndOk(prompt, "Secret42 "); }));
    EXPECT_FALSE(AskWith(owner.Get(), "Secret42", [](HWND prompt) { EnterAndOk(prompt, ""); }));
    EXPECT_FALSE(AskWith(owner.Get(), "Secret42", [](HWND prompt) {
        SetControlText(prompt, IDC_PASSWORD_EDIT, "Secret42");
        ClickButton(prompt, IDCANCEL);
    }));
    EXPECT_FALSE(AskWith(owner.Get(), "Secret42", [](HWND prompt) {
        SetControlText(prompt, IDC_PASSWORD_EDIT, "Secret42");
        ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == prompt; }));
        PressKey(VK_ESCAPE);
    }));
}

TEST(Password, EmptyStoredPassword_NeverMatches) {
    TEST_OWNER owner;
    EXPECT_FALSE(AskWith(owner.Get(), "", [](HWND prompt) { EnterAndOk(prompt, ""); }));
    EXPECT_FALSE(AskWith(owner.Get(), "", [](HWND prompt) { EnterAndOk(prompt, "x"); }));
    EXPECT_FALSE(AskWith(owner.Get(), nullptr, [](HWND prompt) { EnterAndOk(prompt, ""); }));
}

TEST(Password, EightBitCharacters_AreComparedByteForByte) {
    TEST_OWNER owner;
    EXPECT_TRUE(
        AskWith(owner.Get(), "p\xE4ssw\xF6rd", [](HWND prompt) { EnterAndOk(prompt, "p\xE4ssw\xF6rd"); }));
    EXPECT_FALSE(
        AskWith(owner.Get(), "p\xE4ssw\xF6rd", [](HWND prompt) { EnterAndOk(prompt, "p\xC4ssw\xF6rd"); }));
}

TEST(Password, PromptInFrontAfterOneSecond_MinimisesNothingAndStaysCalm) {
    TEST_OWNER owner;
    FOREIGN_WINDOW background; // opened first, then covered by the prompt
    background.BringToFront();
    PROMPT_WATCH watch;
    ASSERT_TRUE(watch.Installed());
    bool timerHandled = false;
    HWND front = nullptr;
    EXPECT_FALSE(AskWith(owner.Get(), "Secret42", [&](HWND prompt) {
        timerHandled = WaitForTimerHandled(prompt);
        front = GetForegroundWindow();
        ClickButton(prompt, IDCANCEL);
    }));
    EXPECT_TRUE(timerHandled);
    EXPECT_NE(background.Get(), front);
    PumpFor(100); // a late restore would show up here
    EXPECT_EQ(0, background.Minimisations());
    EXPECT_FALSE(IsIconic(background.Get()));
    // Taking the foreground must not feed itself: a handful of activations, not a stream.
    EXPECT_LE(promptActivations.load(), 12);
}

TEST(Password, ForeignWindowInFrontAfterOneSecond_IsMinimisedAndRestoredOnClose) {
    TEST_OWNER owner;
    FOREIGN_WINDOW foreign;
    foreign.BringToFront();
    foreign.SetFighting(true); // takes the foreground back whenever it loses it
    PROMPT_WATCH watch;
    ASSERT_TRUE(watch.Installed());
    frontAtTimer = foreign.Get();
    bool timerHandled = false, minimised = false, promptInFront = false;
    EXPECT_FALSE(AskWith(owner.Get(), "Secret42", [&](HWND prompt) {
        timerHandled = WaitForTimerHandled(prompt);
        minimised = PollUntil([&] { return IsIconic(foreign.Get()) != FALSE; });
        promptInFront = PollUntil([&] { return GetForegroundWindow() == prompt; });
        ClickButton(prompt, IDCANCEL);
    }));
    EXPECT_TRUE(timerHandled);
    EXPECT_TRUE(minimised);
    EXPECT_TRUE(promptInFront);
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(foreign.Get()); })) << "not restored when the prompt closed";
    EXPECT_EQ(1, foreign.Minimisations());
    // Two windows that both insist on the foreground: the prompt gives up
    // after a few retakes instead of ping-ponging the activation for ever.
    EXPECT_LE(foreign.Activations(), 20);
    EXPECT_LE(promptActivations.load(), 30);
    foreign.SetFighting(false);
}

TEST(Password, MinimisedWindowClosedWhilePromptOpen_PromptStillClosesCleanly) {
    TEST_OWNER owner;
    FOREIGN_WINDOW foreign;
    foreign.BringToFront();
    foreign.SetFighting(true);
    PROMPT_WATCH watch;
    ASSERT_TRUE(watch.Installed());
    frontAtTimer = foreign.Get();
    bool minimised = false;
    EXPECT_FALSE(AskWith(owner.Get(), "Secret42", [&](HWND prompt) {
        WaitForTimerHandled(prompt);
        minimised = PollUntil([&] { return IsIconic(foreign.Get()) != FALSE; });
        foreign.Destroy();
        ClickButton(prompt, IDCANCEL);
    }));
    EXPECT_TRUE(minimised);
    EXPECT_EQ(nullptr, foreign.Get());
}
