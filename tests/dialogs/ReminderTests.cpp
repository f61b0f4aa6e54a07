#include "DialogDriver.h"

#include "dialogs/ReminderDialog.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <initializer_list>

namespace {

const char* const kSetting = "CloseToTray";
const wchar_t* const kQuestion = L"Would you like to hide the application and run it in the system tray?";

REMINDER_REQUEST Request(HWND owner, const char* setting = kSetting) {
    REMINDER_REQUEST request;
    request.owner = owner;
    request.keyPath = TEST_KEY::Path();
    request.valueName = setting;
    request.question = kQuestion;
    return request;
}

// Runs AskReminder while `script` answers the query from a second thread.
bool AskWith(const REMINDER_REQUEST& request, std::function<void(HWND query)> script) {
    DRIVER driver(OwnedDialog(request.owner, L"Query"), script);
    bool answer = AskReminder(request);
    driver.Finish();
    return answer;
}

// AskReminder where no query must appear.
bool AskExpectingNoQuery(const REMINDER_REQUEST& request) {
    ANSWERER watchdog(OwnedDialog(request.owner), Cancel);
    bool answer = AskReminder(request);
    EXPECT_EQ(0, watchdog.Stop()) << "a query was shown";
    return answer;
}

} // namespace

TEST(Reminder, Query_ShowsQuestionInDialog136WithBoxClear) {
    TEST_OWNER owner;
    TEST_KEY key;
    std::wstring shown;
    bool hasSecondLine = true, ticked = true;
    RECT client = {}, expected = {0, 0, 196, 97};
    AskWith(Request(owner.Get()), [&](HWND query) {
        shown = ControlText(query, IDC_REMINDER_TEXT);
        hasSecondLine = GetDlgItem(query, IDC_REMINDER_SECOND_TEXT) != nullptr;
        ticked = IsChecked(query, IDC_DONT_REMIND);
        GetClientRect(query, &client);
        MapDialogRect(query, &expected);
        ClickButton(query, IDNO);
    });
    EXPECT_EQ(std::wstring(kQuestion), shown);
    EXPECT_FALSE(hasSecondLine);
    EXPECT_FALSE(ticked);
    EXPECT_NEAR(expected.right, client.right, 1); // rounding of dialog units differs by a pixel
    EXPECT_NEAR(expected.bottom, client.bottom, 1);
}

TEST(Reminder, YesWithoutTick_GoesToTrayAndAsksAgainNextTime) {
    TEST_OWNER owner;
    TEST_KEY key;
    EXPECT_TRUE(AskWith(Request(owner.Get()), [](HWND query) { ClickButton(query, IDYES); }));
    EXPECT_EQ(1, key.Dword(kSetting, "CloseToTrayReminder"));
    EXPECT_FALSE(key.Exists(kSetting, kSetting));

    bool askedAgain = false;
    EXPECT_FALSE(AskWith(Request(owner.Get()), [&](HWND query) {
        askedAgain = true;
        ClickButton(query, IDNO);
    }));
    EXPECT_TRUE(askedAgain);
    EXPECT_EQ(1, key.Dword(kSetting, "CloseToTrayReminder"));
    EXPECT_FALSE(key.Exists(kSetting, kSetting));
}

TEST(Reminder, NoWithTick_StoresZeroAndLaterAnswersNoWithoutAsking) {
    TEST_OWNER owner;
    TEST_KEY key;
    EXPECT_FALSE(AskWith(Request(owner.Get()), [](HWND query) {
        ClickButton(query, IDC_DONT_REMIND);
        ClickButton(query, IDNO);
    }));
    EXPECT_EQ(0, key.Dword(kSetting, "CloseToTrayReminder"));
    EXPECT_EQ(0, key.Dword(kSetting, kSetting));
    EXPECT_FALSE(AskExpectingNoQuery(Request(owner.Get())));
}

TEST(Reminder, YesWithTick_StoresOneAndLaterAnswersYesWithoutAsking) {
    TEST_OWNER owner;
    TEST_KEY key;
    const char* setting = "MinimizeToTray";
    EXPECT_TRUE(AskWith(Request(owner.Get(), setting), [](HWND query) {
        ClickButton(query, IDC_DONT_REMIND);
        ClickButton(query, IDYES);
    }));
    EXPECT_EQ(0, key.Dword(setting, "MinimizeToTrayReminder"));
    EXPECT_EQ(1, key.Dword(setting, setting));
    EXPECT_FALSE(key.Exists(kSetting, "CloseToTrayReminder")); // the other setting is untouched
    EXPECT_TRUE(AskExpectingNoQuery(Request(owner.Get(), setting)));
}

// "Don't remind me again" that cannot be stored is told, with the system's
// reason, and the query comes back next time; without the tick nothing is told.
// The answer is written first, and the tick is not tried once it was refused.
TEST(Reminder, RefusedWrite_WithTickIsTold_AndTheQueryComesBack) {
    TEST_OWNER owner;
    REFUSING_KEY key;
    ASSERT_TRUE(key.made);
    REMINDER_REQUEST request = Request(owner.Get());
    request.keyPath = REFUSING_KEY::Path();
    for (bool tick : {true, false}) {
        SCOPED_TRACE(tick);
        UNSAVED_MESSAGES told(owner.Get());
        EXPECT_TRUE(AskWith(request, [&](HWND query) {
            if (tick)
                ClickButton(query, IDC_DONT_REMIND);
            ClickButton(query, IDYES);
        }));
        EXPECT_EQ(tick ? 1 : 0, told.Stop());
        if (tick) {
            EXPECT_NE(told.text.find(L"The answer: "), std::wstring::npos);
            EXPECT_EQ(told.text.find(L"Don't remind me again"), std::wstring::npos);
            EXPECT_NE(told.text.find(SystemReason(ERROR_CHILD_MUST_BE_VOLATILE)), std::wstring::npos);
        }
    }
    bool askedAgain = false;
    AskWith(request, [&](HWND query) {
        askedAgain = true;
        ClickButton(query, IDNO);
    });
    EXPECT_TRUE(askedAgain);
}

TEST(Reminder, EscapeKeyWithTick_CountsAsNoAndStoresTheAnswer) {
    TEST_OWNER owner;
    TEST_KEY key;
    EXPECT_FALSE(AskWith(Request(owner.Get()), [](HWND query) {
        ClickButton(query, IDC_DONT_REMIND);
        ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == query; }));
        PressKey(VK_ESCAPE);
    }));
    EXPECT_EQ(0, key.Dword(kSetting, "CloseToTrayReminder"));
    EXPECT_EQ(0, key.Dword(kSetting, kSetting));
}

TEST(Reminder, EnterKey_AnswersYesAndCloseBox_AnswersNo) {
    TEST_OWNER owner;
    TEST_KEY key;
    EXPECT_TRUE(AskWith(Request(owner.Get()), [](HWND query) {
        ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == query; }));
        PressKey(VK_RETURN);
    }));
    EXPECT_FALSE(
        AskWith(Request(owner.Get()), [](HWND query) { PostMessageA(query, WM_SYSCOMMAND, SC_CLOSE, 0); }));
    EXPECT_EQ(1, key.Dword(kSetting, "CloseToTrayReminder"));
    EXPECT_FALSE(key.Exists(kSetting, kSetting));
}

TEST(Reminder, SecondText_OpensDialog140WithBothTexts) {
    TEST_OWNER owner;
    TEST_KEY key;
    REMINDER_REQUEST request = Request(owner.Get());
    request.question = L"Caf\u00e9 \u03a9 \u4e2d first text";
    request.secondText = L"second line \u2713";
    std::wstring first, second;
    EXPECT_TRUE(AskWith(request, [&](HWND query) {
        first = ControlText(query, IDC_REMINDER_TEXT);
        second = ControlText(query, IDC_REMINDER_SECOND_TEXT);
        ClickButton(query, IDYES);
    }));
    EXPECT_EQ(std::wstring(L"Caf\u00e9 \u03a9 \u4e2d first text"), first); // through the wide call intact
    EXPECT_EQ(std::wstring(L"second line \u2713"), second);
}

TEST(Reminder, UnreadableReminderValue_AsksAsIfMissing) {
    TEST_OWNER owner;
    TEST_KEY key;
    key.SetString(kSetting, "CloseToTrayReminder", "0");
    key.SetDword(kSetting, kSetting, 1);
    bool asked = false;
    EXPECT_FALSE(AskWith(Request(owner.Get()), [&](HWND query) {
        asked = true;
        ClickButton(query, IDNO);
    }));
    EXPECT_TRUE(asked);
    EXPECT_EQ(1, key.Dword(kSetting, "CloseToTrayReminder")); // rewritten with the right type

    key.SetDword(kSetting, "CloseToTrayReminder", 7); // any nonzero value means ask
    asked = false;
    EXPECT_TRUE(AskWith(Request(owner.Get()), [&](HWND query) {
        asked = true;
        ClickButton(query, IDYES);
    }));
    EXPECT_TRUE(asked);
}

TEST(Reminder, NotAskingWithMissingOrUnreadableAnswer_AnswersNo) {
    TEST_OWNER owner;
    TEST_KEY key;
    key.SetDword(kSetting, "CloseToTrayReminder", 0);
    EXPECT_FALSE(AskExpectingNoQuery(Request(owner.Get())));
    key.SetString(kSetting, kSetting, "1");
    EXPECT_FALSE(AskExpectingNoQuery(Request(owner.Get())));
    key.SetDword(kSetting, kSetting, 2);
    EXPECT_TRUE(AskExpectingNoQuery(Request(owner.Get())));
}
