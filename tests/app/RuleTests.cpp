// Rules against the real program: a program's windows go to the tray menu by
// themselves when minimised or when they open, come back restored and are not
// hidden again; malformed values are ignored and kept; the list's context
// menu switches the stored value, and the Rules dialog removes it.

#include "VayloFixture.h"

namespace {

// Once-a-second looks: a ruled window goes within about a second.
DWORD const RULE_WAIT_MS = 3000;

std::string Dword(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// The rule stored before the program starts (it reads the rules then).
struct STORED_RULE {
    const char* label;
    bool forTargets; // otherwise for another program
    DWORD type;
    std::string bytes;
    char expected; // 'M': held when minimised, 'O': held when opened, '-': untouched
};

void PrintTo(const STORED_RULE& rule, std::ostream* out) {
    *out << rule.label;
}

class RuleTest : public VayloTest, public ::testing::WithParamInterface<STORED_RULE> {
  protected:
    RuleTest() { ClearRules(); }
    ~RuleTest() override { ClearRules(); }
    void SetUp() override {
        ASSERT_FALSE(TargetsProgram().empty());
        ASSERT_TRUE(WriteRule(Program(), GetParam().type, GetParam().bytes));
        VayloTest::SetUp();
    }
    std::wstring Program() const {
        return GetParam().forTargets ? TargetsProgram() : std::wstring(L"C:\\Tools\\mail.exe");
    }
};

TEST_P(RuleTest, WindowOfTheProgram_IsHeldAsItsRuleSaysComesBackRestoredAndIsNotHiddenAgain) {
    const STORED_RULE& rule = GetParam();
    std::wstring title = Title(L"ruled");
    ASSERT_TRUE(targets.Start({Titled(title)}));
    HWND window = targets.Window(title);
    ASSERT_NE(window, nullptr);
    if (rule.expected != 'O') {
        ASSERT_TRUE(vaylo.WaitListed(title));
        ShowWindow(window, SW_MINIMIZE);
    }
    bool held = WaitVisible(window, false, RULE_WAIT_MS);
    EXPECT_EQ(held, rule.expected != '-');
    if (held) {
        HWND menu = vaylo.OpenMenu();
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 0));
        EXPECT_TRUE(WaitVisible(window, true));
        EXPECT_TRUE(PumpUntil([&] { return !IsIconic(window); }, RULE_WAIT_MS)) << "not restored";
        EXPECT_FALSE(WaitVisible(window, false, RULE_WAIT_MS)) << "hidden again";
    }
    if (rule.expected == 'M') { // minimised again: held again, and back restored at Exit
        ShowWindow(window, SW_MINIMIZE);
        EXPECT_TRUE(WaitVisible(window, false, RULE_WAIT_MS));
    }
    ASSERT_TRUE(vaylo.Exit());
    EXPECT_TRUE(!held ||
                PumpUntil([&] { return IsWindowVisible(window) && !IsIconic(window); }, RULE_WAIT_MS));
    DWORD type = REG_NONE;
    std::string bytes;
    EXPECT_TRUE(ReadRule(Program(), type, bytes) && type == rule.type && bytes == rule.bytes) << "changed";
}

INSTANTIATE_TEST_SUITE_P(
    Stored, RuleTest,
    ::testing::Values(STORED_RULE{"WhenMinimised", true, REG_DWORD, Dword(1), 'M'},
                      STORED_RULE{"WhenMinimisedAndBitsAbove", true, REG_DWORD, Dword(0x8001), 'M'},
                      STORED_RULE{"WhenOpened", true, REG_DWORD, Dword(2), 'O'},
                      STORED_RULE{"AnotherProgramBoth", false, REG_DWORD, Dword(3), '-'},
                      STORED_RULE{"Zero", true, REG_DWORD, Dword(0), '-'},
                      STORED_RULE{"OnlyBitsAbove", true, REG_DWORD, Dword(0xFFFC), '-'},
                      STORED_RULE{"String", true, REG_SZ, std::string("3\0", 2), '-'},
                      STORED_RULE{"ShortBinary", true, REG_BINARY, std::string("\3", 1), '-'},
                      STORED_RULE{"Qword", true, REG_QWORD, Dword(3) + Dword(0), '-'}),
    [](const ::testing::TestParamInfo<STORED_RULE>& row) { return std::string(row.param.label); });

class RuleMenuTest : public VayloTest {
  protected:
    RuleMenuTest() { ClearRules(); }
    ~RuleMenuTest() override { ClearRules(); }
};

// Switching a rule on takes no window already open; the bits above are kept,
// a value of another type is replaced, the last rule switched off goes.
TEST_F(RuleMenuTest, ChoosingARule_SwitchesItsBitInTheStoredValue) {
    struct TOGGLE {
        const char* label;
        DWORD type; // REG_NONE: nothing stored
        std::string bytes;
        int position;
        bool kept;
        DWORD after;
    } const toggles[] = {
        {"nothing stored", REG_NONE, "", 1, true, 1},
        {"when minimised switched off", REG_DWORD, Dword(1), 1, false, 0},
        {"bits above", REG_DWORD, Dword(0x101), 2, true, 0x103},
        {"a string", REG_SZ, std::string("x\0", 2), 1, true, 1},
    };
    std::wstring title = Title(L"menu");
    HWND window = StartListed(title);
    ASSERT_NE(window, nullptr);
    for (const TOGGLE& toggle : toggles) {
        SCOPED_TRACE(toggle.label);
        ClearRules();
        if (toggle.type != REG_NONE) {
            ASSERT_TRUE(WriteRule(TargetsProgram(), toggle.type, toggle.bytes));
        }
        ASSERT_TRUE(vaylo.ChooseFromContextMenu(title, toggle.position));
        DWORD type = REG_NONE;
        std::string bytes;
        EXPECT_TRUE(PumpUntil([&] {
            bool found = ReadRule(TargetsProgram(), type, bytes);
            return found == toggle.kept && (!found || (type == REG_DWORD && bytes == Dword(toggle.after)));
        })) << "type "
            << type << ", " << bytes.size() << " bytes";
        EXPECT_TRUE(IsWindowVisible(window));
    }
}

TEST_F(RuleMenuTest, RulesDialog_ListsEachProgramAndDeleteRemovesTheSelectedRule) {
    ASSERT_TRUE(WriteRule(TargetsProgram(), REG_DWORD, Dword(0x103)));
    ASSERT_TRUE(WriteRule(L"C:\\Tools\\a.exe", REG_DWORD, Dword(2)));
    std::wstring title = Title(L"dialog");
    ASSERT_NE(StartListed(title), nullptr);
    ASSERT_TRUE(vaylo.ChooseFromContextMenu(title, 3));
    HWND dialog = WaitForWindow(ProcessDialog(vaylo.process.Id(), L"Rules"));
    ASSERT_NE(dialog, nullptr) << "the Rules dialog did not open";
    HWND list = GetDlgItem(dialog, IDC_RULE_LIST);
    auto line = [&](int index) {
        wchar_t text[512] = {};
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        return std::wstring(text);
    };
    ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(line(0), L"a.exe: when opened");
    EXPECT_EQ(line(1), L"targets.exe: when minimised, when opened");
    SendMessageW(list, LB_SETCURSEL, 1, 0);
    PostMessageW(list, WM_KEYDOWN, VK_DELETE, 0);
    EXPECT_TRUE(PumpUntil([&] { return SendMessageW(list, LB_GETCOUNT, 0, 0) == 1; }));
    DWORD type = REG_NONE;
    std::string bytes;
    EXPECT_TRUE(ReadRule(TargetsProgram(), type, bytes) && bytes == Dword(0x100)) << "the bits above went";
    EXPECT_EQ(TitleOf(GetDlgItem(dialog, IDC_RULE_PATH)), L"C:\\Tools\\a.exe");
    Cancel(dialog);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }));
}

} // namespace
