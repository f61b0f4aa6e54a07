// The key binding editor over a table, run modally in the test thread and
// driven from a second thread: keys pressed into its capture field, the
// action holding a combination shown, "Assign" exchanging combinations.

#include "HotkeyDialogs.h"

#include "hotkeys/KeyBindingEditor.h"
#include "resources/resource.h"
#include "support/Input.h"
#include "support/Poll.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int const MESSAGE_TEXT_ID = 0xFFFF; // a message box's text

HOTKEY_TABLE DefaultTable() {
    return {DefaultBinding(HOTKEY_ID_HIDE_ACTIVE), DefaultBinding(HOTKEY_ID_POPUP_MENU)};
}

// "Name=ctrl,shift,alt,key,id" for each binding, in table order.
std::string Dump(const HOTKEY_TABLE& table) {
    std::string dump;
    for (const HOTKEY_BINDING& binding : table)
        dump += (dump.empty() ? "" : " ") + std::string(binding.name.c_str()) + "=" +
                FormatBinding(binding).c_str();
    return dump;
}

// What the editor shows: current binding, capture field, collision.
struct SHOWN {
    std::string current, pending, collision;
};

SHOWN Shown(HWND editor) {
    return {TextOf(editor, IDC_CURRENT_BINDING), TextOf(editor, IDC_KEY_CAPTURE),
            TextOf(editor, IDC_COLLISION)};
}

::testing::AssertionResult Showing(HWND editor, const char* current, const char* pending,
                                   const char* collision) {
    SHOWN shown = Shown(editor);
    if (shown.current == current && shown.pending == pending && shown.collision == collision)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "shows [" << shown.current << "] [" << shown.pending << "] [" << shown.collision
           << "], expected [" << current << "] [" << pending << "] [" << collision << "]";
}

// Runs the editor (without help popups) while the script drives it; the
// script ends it, else the driver closes it with Cancel as a failure.
bool EditWith(HOTKEY_TABLE& table, const std::function<void(HWND)>& script) {
    DRIVER driver(EditorDialog(), script);
    bool ok = EditKeyBindings(nullptr, table, false);
    driver.Finish();
    return ok;
}

// Sent, not posted: a round trip after a post can overtake it, since the
// dialog's thread takes sent messages before posted ones.
void Assign(HWND editor) {
    BoundedSend(editor, WM_COMMAND, MAKEWPARAM(IDC_ASSIGN, BN_CLICKED),
                reinterpret_cast<LPARAM>(GetDlgItem(editor, IDC_ASSIGN)));
}

} // namespace

TEST(KeyBindingEditor, DefaultTable_OpensOnHideActiveShowingItsCombination_CancelAnswersFalse) {
    HOTKEY_TABLE table = DefaultTable();
    std::vector<std::string> listed;
    bool cancelled = !EditWith(table, [&](HWND editor) {
        listed = ListTexts(editor);
        EXPECT_EQ(0, SendMessageA(GetDlgItem(editor, IDC_BINDING_LIST), LB_GETCURSEL, 0, 0));
        EXPECT_TRUE(Showing(editor, "Ctrl+Shft+H", "Ctrl+Shft+H", ""));
        PressButton(editor, IDCANCEL);
    });
    EXPECT_TRUE(cancelled);
    EXPECT_EQ((std::vector<std::string>{"Hide Active", "Popup Menu"}), listed);
    EXPECT_EQ(Dump(DefaultTable()), Dump(table));
}

// The exchange happens at "Assign": Cancel afterwards keeps it.
TEST(KeyBindingEditor, CombinationOfAnotherAction_ShowsItsName_AssignExchangesTheTwo) {
    HOTKEY_TABLE table = DefaultTable();
    bool ok = EditWith(table, [&](HWND editor) {
        ASSERT_TRUE(PressIntoCaptureField(editor, {VK_CONTROL, VK_SHIFT}, 'M'));
        EXPECT_TRUE(Showing(editor, "Ctrl+Shft+H", "Ctrl+Shft+M", "Popup Menu"));
        EXPECT_EQ(Dump(DefaultTable()), Dump(table)) << "changed before Assign";
        Assign(editor);
        EXPECT_TRUE(Showing(editor, "Ctrl+Shft+M", "Ctrl+Shft+M", ""));
        EXPECT_EQ((std::vector<std::string>{"Hide Active", "Popup Menu"}), ListTexts(editor));
        PressButton(editor, IDCANCEL);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ("Popup Menu=1,1,0,72,1010 Hide Active=1,1,0,77,1009", Dump(table));
}

TEST(KeyBindingEditor, ModifiersAlone_ChangeNothing) {
    HOTKEY_TABLE table = DefaultTable();
    EditWith(table, [&](HWND editor) {
        ASSERT_TRUE(PressIntoCaptureField(editor, {}, VK_MENU));
        ASSERT_TRUE(PressIntoCaptureField(editor, {VK_CONTROL, VK_SHIFT}, VK_MENU));
        ASSERT_TRUE(PressIntoCaptureField(editor, {VK_CONTROL}, VK_SHIFT));
        ASSERT_TRUE(PressIntoCaptureField(editor, {VK_SHIFT}, VK_CONTROL));
        EXPECT_TRUE(Showing(editor, "Ctrl+Shft+H", "Ctrl+Shft+H", ""));
        Assign(editor);
        EXPECT_TRUE(Showing(editor, "Ctrl+Shft+H", "Ctrl+Shft+H", ""));
        ClickButton(editor, IDOK);
    });
    EXPECT_EQ("Popup Menu=1,1,0,77,1010 Hide Active=1,1,0,72,1009", Dump(table));
}

// With Alt held and Ctrl not, a key arrives as a system key.
TEST(KeyBindingEditor, AltCombination_IsCapturedLikeAnyOther) {
    HOTKEY_TABLE table = DefaultTable();
    EditWith(table, [&](HWND editor) {
        ASSERT_TRUE(PressIntoCaptureField(editor, {VK_MENU}, VK_F9));
        EXPECT_TRUE(Showing(editor, "Ctrl+Shft+H", "Alt+F9", ""));
        ASSERT_TRUE(PressIntoCaptureField(editor, {}, VK_F10));
        EXPECT_TRUE(Showing(editor, "Ctrl+Shft+H", "F10", ""));
        ClickButton(editor, IDCANCEL);
    });
}

TEST(KeyBindingEditor, FreeCombination_AssignGivesItToTheSelectedActionAndMovesItLast) {
    HOTKEY_TABLE table = DefaultTable();
    bool ok = EditWith(table, [&](HWND editor) {
        ASSERT_TRUE(PressIntoCaptureField(editor, {VK_SHIFT, VK_MENU}, VK_F9));
        EXPECT_TRUE(Showing(editor, "Ctrl+Shft+H", "Shft+Alt+F9", ""));
        Assign(editor);
        EXPECT_TRUE(Showing(editor, "Shft+Alt+F9", "Shft+Alt+F9", ""));
        ClickButton(editor, IDOK);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ("Popup Menu=1,1,0,77,1010 Hide Active=0,1,1,120,1009", Dump(table));
}

TEST(KeyBindingEditor, AssignWithoutANewKey_OnlyMovesTheBindingToTheEnd) {
    HOTKEY_TABLE table = DefaultTable();
    EditWith(table, [&](HWND editor) {
        Assign(editor);
        EXPECT_TRUE(Showing(editor, "Ctrl+Shft+H", "Ctrl+Shft+H", ""));
        ClickButton(editor, IDOK);
    });
    EXPECT_EQ("Popup Menu=1,1,0,77,1010 Hide Active=1,1,0,72,1009", Dump(table));
}

// Selecting shows the other action's binding, but the name of the action
// that collided stays until the next key or "Assign".
TEST(KeyBindingEditor, AfterACollision_SelectingAnotherActionLeavesTheCollidingName) {
    HOTKEY_TABLE table = DefaultTable();
    EditWith(table, [&](HWND editor) {
        ASSERT_TRUE(PressIntoCaptureField(editor, {VK_CONTROL, VK_SHIFT}, 'M'));
        ASSERT_TRUE(Showing(editor, "Ctrl+Shft+H", "Ctrl+Shft+M", "Popup Menu"));
        SelectAction(editor, 1);
        EXPECT_TRUE(Showing(editor, "Ctrl+Shft+M", "Ctrl+Shft+M", "Popup Menu"));
        Assign(editor); // the selected action's own combination: no exchange
        EXPECT_TRUE(Showing(editor, "Ctrl+Shft+M", "Ctrl+Shft+M", ""));
        PressButton(editor, IDCANCEL);
    });
    EXPECT_EQ(Dump(DefaultTable()), Dump(table));
}

// Real Enter keys: in the capture field a key like any other, in the list OK.
TEST(KeyBindingEditor, EnterKey_InTheCaptureFieldIsCaptured_InTheListEndsWithOk) {
    HOTKEY_TABLE table = DefaultTable();
    bool stayedOpen = false;
    bool ok = EditWith(table, [&](HWND editor) {
        ASSERT_TRUE(FocusControl(editor, IDC_KEY_CAPTURE));
        PressKey(VK_RETURN);
        EXPECT_TRUE(PollUntil([&] { return TextOf(editor, IDC_KEY_CAPTURE) == "RETURN"; }))
            << "the field shows [" << TextOf(editor, IDC_KEY_CAPTURE) << "]";
        stayedOpen = IsWindowVisible(editor) != FALSE;
        ASSERT_TRUE(FocusControl(editor, IDC_BINDING_LIST));
        PressKey(VK_RETURN);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(ok);
    EXPECT_EQ(Dump(DefaultTable()), Dump(table)) << "a captured key changed the table without Assign";
}

TEST(KeyBindingEditor, EmptyTable_SaysNoKeysToEditAndAnswersFalse) {
    HOTKEY_TABLE table;
    std::wstring said;
    ANSWERER answerer(ProcessDialog(GetCurrentProcessId()), [&](HWND box, int) {
        said = ControlText(box, MESSAGE_TEXT_ID);
        PressButton(box, IDOK);
    });
    EXPECT_FALSE(EditKeyBindings(nullptr, table, true));
    EXPECT_EQ(1, answerer.Stop());
    EXPECT_EQ(L"No keys to edit", said);
    EXPECT_TRUE(table.empty());
}
