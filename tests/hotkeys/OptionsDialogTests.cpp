// The "Hot Key" options dialog over a table, run modally in the test thread
// and driven from a second thread. It reads and writes the program's own
// settings key, saved and put back around every test.

#include "HotkeyDialogs.h"

#include "hotkeys/HotkeyOptions.h"
#include "resources/resource.h"
#include "support/Input.h"
#include "support/Poll.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

int const OPTION_TOOLS = 5; // both boxes, "Change Keys", OK, Cancel
int const EDITOR_TOOLS = 5; // list, current binding, Assign, capture field, collision
char const HOTKEYS_TIP[] =
    "Enable the use of desktop wide hotkeys. This is handy for controling behavior of windows "
    "and documents from the keyboard so you are not constantly moving your hand from "
    "keyboard to mouse and back again.\nCurrent hotkeys are";

// The tooltips comctl32 registers must exist before a dialog makes one.
bool const commonControlsReady = [] {
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES};
    return InitCommonControlsEx(&init) != FALSE;
}();

HOTKEY_TABLE DefaultTable() {
    return {DefaultBinding(HOTKEY_ID_HIDE_ACTIVE), DefaultBinding(HOTKEY_ID_POPUP_MENU)};
}

class OptionsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_FALSE(settings.AnyStored()) << "the settings were not cleared"; }

    // Runs the dialog while the script drives it; its result.
    int OptionsWith(const std::function<void(HWND)>& script) {
        DRIVER driver(OptionsDialog(), script);
        HOTKEY options(nullptr, GetModuleHandleA(nullptr), table);
        int result = options.RunModal();
        driver.Finish();
        return result;
    }

    OPTIONS_SETTINGS settings;
    HOTKEY_TABLE table = DefaultTable();
};

// The one tooltip a dialog has (null when it has none or several) and its
// tool count; -1 without one.
HWND OnlyTooltip(HWND dialog) {
    std::vector<HWND> tooltips = TooltipsOf(dialog);
    return tooltips.size() == 1 ? tooltips[0] : nullptr;
}

int Tools(HWND dialog) {
    HWND tooltip = OnlyTooltip(dialog);
    return tooltip ? ToolCount(tooltip) : -static_cast<int>(TooltipsOf(dialog).size()) - 1;
}

} // namespace

TEST_F(OptionsTest, FirstOk_WithNothingStored_StoresBothSwitchesOnAndBothBindings) {
    bool hotkeysTicked = false, helpTicked = false;
    int result = OptionsWith([&](HWND options) {
        hotkeysTicked = IsChecked(options, IDC_USE_HOTKEYS);
        helpTicked = IsChecked(options, IDC_USE_HELP_POPUPS);
        ClickButton(options, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_TRUE(hotkeysTicked);
    EXPECT_TRUE(helpTicked);
    EXPECT_EQ(1, settings.Dword(nullptr, "UseHotkey"));
    EXPECT_EQ(1, settings.Dword(nullptr, "UseHelpPopups"));
    EXPECT_EQ("1,1,0,72,1009", settings.Text("Hide Active"));
    EXPECT_EQ("1,1,0,77,1010", settings.Text("Popup Menu"));
}

// OK against a settings key the user may only read: one message names every
// value with the system's reason, and the next opening shows what is stored.
TEST_F(OptionsTest, RefusedOk_IsToldInOneMessage_TheNextOpeningShowsWhatIsStored) {
    ASSERT_TRUE(settings.SetDword(nullptr, "UseHotkey", 1));
    std::wstring told;
    bool ticked = false;
    {
        READ_ONLY_KEY refused(settings.Path());
        ASSERT_TRUE(refused.locked);
        OptionsWith([&](HWND options) {
            ClickButton(options, IDC_USE_HOTKEYS);
            ClickButton(options, IDOK);
            HWND box = WaitForWindow(OwnedDialog(options, L"Settings Not Saved"));
            ASSERT_NE(box, nullptr) << "nothing was told";
            told = ChildTexts(box);
            ClickButton(box, IDOK);
        });
        OptionsWith([&](HWND options) {
            ticked = IsChecked(options, IDC_USE_HOTKEYS);
            ClickButton(options, IDCANCEL);
        });
    }
    EXPECT_TRUE(ticked);
    EXPECT_EQ(1, settings.Dword(nullptr, "UseHotkey"));
    std::wstring reason = L": " + SystemReason(ERROR_ACCESS_DENIED);
    for (const wchar_t* what :
         {L"Use Hot Keys", L"Use Help Popups", L"Hot key Hide Active", L"Hot key Popup Menu"})
        EXPECT_NE(told.find(what + reason), std::wstring::npos) << what;
}

TEST_F(OptionsTest, Cancel_StoresNothing) {
    int result = OptionsWith([&](HWND options) {
        ClickButton(options, IDC_USE_HOTKEYS);
        ClickButton(options, IDC_USE_HELP_POPUPS);
        EXPECT_TRUE(PollUntil([&] { return !IsChecked(options, IDC_USE_HELP_POPUPS); }));
        ClickButton(options, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_FALSE(settings.AnyStored());
}

// Real keys, with the focus on the "Use Hot Keys" box that was just cleared.
TEST_F(OptionsTest, EscapeKey_StoresNothing_EnterKeyStoresAsOk) {
    auto clearHotkeysThenPress = [](WORD key) {
        return [key](HWND options) {
            ClickButton(options, IDC_USE_HOTKEYS);
            ASSERT_TRUE(PollUntil([&] { return !IsChecked(options, IDC_USE_HOTKEYS); }));
            ASSERT_TRUE(FocusControl(options, IDC_USE_HOTKEYS));
            PressKey(key);
        };
    };
    EXPECT_EQ(IDCANCEL, OptionsWith(clearHotkeysThenPress(VK_ESCAPE)));
    EXPECT_FALSE(settings.AnyStored());
    EXPECT_EQ(IDOK, OptionsWith(clearHotkeysThenPress(VK_RETURN)));
    EXPECT_EQ(0, settings.Dword(nullptr, "UseHotkey"));
    EXPECT_EQ(1, settings.Dword(nullptr, "UseHelpPopups"));
}

TEST_F(OptionsTest, StoredSwitches_AreShownTicked) {
    ASSERT_TRUE(settings.SetDword(nullptr, "UseHotkey", 0));
    ASSERT_TRUE(settings.SetDword(nullptr, "UseHelpPopups", 0));
    bool hotkeysTicked = true, helpTicked = true;
    OptionsWith([&](HWND options) {
        hotkeysTicked = IsChecked(options, IDC_USE_HOTKEYS);
        helpTicked = IsChecked(options, IDC_USE_HELP_POPUPS);
        ClickButton(options, IDCANCEL);
    });
    EXPECT_FALSE(hotkeysTicked);
    EXPECT_FALSE(helpTicked);
}

TEST_F(OptionsTest, ClearingUseHelpPopups_DropsTheTips_TickingItAgainRebuildsThem) {
    OptionsWith([&](HWND options) {
        EXPECT_EQ(OPTION_TOOLS, Tools(options));
        ClickButton(options, IDC_USE_HELP_POPUPS);
        EXPECT_TRUE(PollUntil([&] { return TooltipsOf(options).empty(); })) << "the tips stayed";
        ClickButton(options, IDC_USE_HELP_POPUPS);
        EXPECT_TRUE(PollUntil([&] { return Tools(options) == OPTION_TOOLS; })) << "tools: " << Tools(options);
        ClickButton(options, IDCANCEL);
    });
}

// "Change Keys" opens the editor over the same table; it has tips exactly
// when this dialog has them.
class ChangeKeysTest : public OptionsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ChangeKeysTest, OpensTheEditorWithTipsExactlyWhenTheOptionsHaveThem) {
    bool tips = GetParam();
    ASSERT_TRUE(settings.SetDword(nullptr, "UseHelpPopups", tips ? 1 : 0));
    int editorTooltips = -1, editorTools = -1;
    bool editorOpened = false;
    OptionsWith([&](HWND options) {
        EXPECT_EQ(tips ? 1u : 0u, TooltipsOf(options).size());
        ClickButton(options, IDC_CHANGE_KEYS);
        HWND editor = nullptr;
        editorOpened = PollUntil([&] { return (editor = FirstWindow(EditorDialog())) != nullptr; });
        ASSERT_TRUE(editorOpened) << "the editor did not open";
        EXPECT_EQ(options, GetWindow(editor, GW_OWNER));
        RoundTrip(editor);
        editorTooltips = static_cast<int>(TooltipsOf(editor).size());
        editorTools = Tools(editor);
        ClickButton(editor, IDCANCEL);
        EXPECT_TRUE(PollUntil([&] { return !IsWindow(editor); }));
        EXPECT_TRUE(PollUntil([&] { return TooltipsOf(options).size() == (tips ? 1u : 0u); }));
        ClickButton(options, IDCANCEL);
    });
    EXPECT_TRUE(editorOpened);
    EXPECT_EQ(tips ? 1 : 0, editorTooltips);
    EXPECT_EQ(tips ? EDITOR_TOOLS : -1, editorTools);
}

INSTANTIATE_TEST_SUITE_P(HelpPopups, ChangeKeysTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& tested) {
                             return std::string(tested.param ? "On" : "Off");
                         });

// The tip of "Use Hot Keys" lists the table as it stands; OK stores it.
TEST_F(OptionsTest, AfterAnExchangeInTheEditor_TheTipListsTheNewBindingsAndOkStoresThem) {
    std::string before, after;
    int result = OptionsWith([&](HWND options) {
        ASSERT_NE(OnlyTooltip(options), nullptr);
        before = TipText(OnlyTooltip(options), options, IDC_USE_HOTKEYS);
        ClickButton(options, IDC_CHANGE_KEYS);
        HWND editor = nullptr;
        ASSERT_TRUE(PollUntil([&] { return (editor = FirstWindow(EditorDialog())) != nullptr; }));
        ASSERT_TRUE(PressIntoCaptureField(editor, {VK_CONTROL, VK_SHIFT}, 'M'));
        ClickButton(editor, IDC_ASSIGN);
        ClickButton(editor, IDOK);
        ASSERT_TRUE(PollUntil([&] { return !IsWindow(editor) && OnlyTooltip(options) != nullptr; }));
        after = TipText(OnlyTooltip(options), options, IDC_USE_HOTKEYS);
        ClickButton(options, IDOK);
    });
    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(std::string(HOTKEYS_TIP) + "\nHide Active Ctrl+Shft+H\nPopup Menu Ctrl+Shft+M", before);
    EXPECT_EQ(std::string(HOTKEYS_TIP) + "\nPopup Menu Ctrl+Shft+H\nHide Active Ctrl+Shft+M", after);
    EXPECT_EQ("1,1,0,77,1009", settings.Text("Hide Active"));
    EXPECT_EQ("1,1,0,72,1010", settings.Text("Popup Menu"));
}
