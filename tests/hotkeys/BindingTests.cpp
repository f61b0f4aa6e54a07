// The text form of a binding and its display texts: pure logic, no window.

#include "hotkeys/HotkeyBinding.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

HOTKEY_BINDING Binding(int ctrl, int shift, int alt, WORD key, int id) {
    HOTKEY_BINDING binding;
    binding.name = "Test";
    binding.ctrl = ctrl;
    binding.shift = shift;
    binding.alt = alt;
    binding.key = key;
    binding.id = id;
    return binding;
}

std::string Fields(const HOTKEY_BINDING& b) {
    return std::to_string(b.ctrl) + "," + std::to_string(b.shift) + "," + std::to_string(b.alt) + "," +
           std::to_string(b.key) + "," + std::to_string(b.id);
}

// Five fields of decimal digits, nothing else.
bool FiveNumberFields(const char* text) {
    int commas = 0;
    bool digitSeen = false;
    for (const char* p = text;; ++p) {
        if (*p == ',' || *p == '\0') {
            if (!digitSeen)
                return false;
            if (*p == '\0')
                return commas == 4;
            ++commas;
            digitSeen = false;
        } else if (*p >= '0' && *p <= '9') {
            digitSeen = true;
        } else {
            return false;
        }
    }
}

} // namespace

struct PARSE_CASE {
    const char* text;
    const char* fields; // ctrl,shift,alt,key,id as parsed
};

class ParseTest : public ::testing::TestWithParam<PARSE_CASE> {};

TEST_P(ParseTest, FieldsFollowTheIntegerRule) {
    HOTKEY_BINDING parsed = ParseBinding("Popup Menu", GetParam().text);
    EXPECT_EQ(GetParam().fields, Fields(parsed)) << "text [" << GetParam().text << "]";
    EXPECT_STREQ("Popup Menu", parsed.name.c_str());
    EXPECT_EQ(0, parsed.registered);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseTest,
    ::testing::Values(PARSE_CASE{"1,1,0,72,1009", "1,1,0,72,1009"},
                      PARSE_CASE{"0,0,1,120,1010", "0,0,1,120,1010"},
                      PARSE_CASE{"1,1", "1,1,0,0,0"}, // missing fields count as 0
                      PARSE_CASE{" 1 ,\t1, 0 ,  72\r\n, 1009 \n", "1,1,0,72,1009"}, // blanks at both ends
                      PARSE_CASE{"1,1,0,0x48,1009", "1,1,0,0,1009"},    // hexadecimal is no number
                      PARSE_CASE{"1,1,0,7 2,1009", "1,1,0,0,1009"},     // a blank inside is junk
                      PARSE_CASE{"1,1,0,72,1009,5", "1,1,0,72,0"},      // a sixth field spoils the id
                      PARSE_CASE{"1,1,0,72,4294967295", "1,1,0,72,-1"}, // as %u writes a negative id
                      PARSE_CASE{"5,-1,+7,72,1009", "1,1,1,72,1009"},   // any nonzero flag is 1
                      PARSE_CASE{"-0,+0,00,72,1009", "0,0,0,72,1009"},
                      PARSE_CASE{"1,1,0,65608,1009", "1,1,0,72,1009"}, // the key's low 16 bits
                      PARSE_CASE{"1,1,0,-1,1009", "1,1,0,65535,1009"},
                      PARSE_CASE{"1,1,0,++72,--1009", "1,1,0,0,0"}, // one sign at most
                      PARSE_CASE{"1,1,0,+,-", "1,1,0,0,0"},         // a lone sign is junk
                      PARSE_CASE{",,,,", "0,0,0,0,0"}, PARSE_CASE{"", "0,0,0,0,0"}));

TEST(Binding, NonzeroFlag_IsSavedBackAsOne) {
    EXPECT_STREQ("1,0,1,72,1009", FormatBinding(ParseBinding("Hide Active", "5,0,-3,72,1009")).c_str());
}

// The options dialog and the question put Alt before Shft; the editor after.
TEST(Binding, EveryModifier_DescribedInEachTextsOwnOrder) {
    HOTKEY_BINDING all = Binding(1, 1, 1, VK_F9, 1);
    EXPECT_STREQ("Ctrl+Alt+Shft+F9", DescribeBinding(all).c_str());
    EXPECT_STREQ("Ctrl+Shft+Alt+F9", CombinationText(all).c_str());
    HOTKEY_BINDING shiftAlt = Binding(0, 1, 1, 'Q', 1);
    EXPECT_STREQ("Alt+Shft+Q", DescribeBinding(shiftAlt).c_str());
    EXPECT_STREQ("Shft+Alt+Q", CombinationText(shiftAlt).c_str());
    EXPECT_STREQ("", DescribeBinding(Binding(0, 0, 0, 0, 1)).c_str());
}

// Only Ctrl, Alt or a function key keeps a hotkey from swallowing typing.
TEST(Binding, LeavesTypingAlone_WithCtrlOrAltOrOnAFunctionKey) {
    struct CASE {
        HOTKEY_BINDING binding;
        bool leaves;
    } const cases[] = {
        {Binding(0, 0, 0, VK_RETURN, 1009), false},  {Binding(0, 0, 0, 'H', 1009), false},
        {Binding(0, 1, 0, 'H', 1009), false},        {Binding(0, 1, 0, VK_F1 - 1, 1009), false},
        {Binding(0, 0, 0, VK_F24 + 1, 1009), false}, {Binding(1, 0, 0, 'H', 1009), true},
        {Binding(0, 0, 1, VK_RETURN, 1009), true},   {Binding(0, 0, 0, VK_F1, 1009), true},
        {Binding(0, 1, 0, VK_F24, 1009), true},
    };
    for (const CASE& tested : cases)
        EXPECT_EQ(tested.leaves, LeavesTypingAlone(tested.binding)) << Fields(tested.binding);
}

TEST(Binding, KeyName_NamedConstantsElseTheCharacterOfTheLowByte) {
    EXPECT_STREQ("H", KeyName(0x48).c_str());
    EXPECT_STREQ("5", KeyName(0x35).c_str());
    EXPECT_STREQ("RETURN", KeyName(13).c_str());
    EXPECT_STREQ("F24", KeyName(135).c_str());
    EXPECT_STREQ("VK_OEM_CLEAR", KeyName(254).c_str());
    EXPECT_STREQ("", KeyName(0).c_str());
    EXPECT_STREQ("H", KeyName(0x148).c_str());
    // Every code from 1 to 255 is either named (a word) or one character: the
    // table holds 91 names.
    int named = 0;
    for (unsigned key = 1; key <= 255; ++key) {
        unsigned length = KeyName(key).Length();
        EXPECT_GE(length, 1u) << "key " << key;
        named += length > 1 ? 1 : 0;
    }
    EXPECT_EQ(91, named);
}

// ------------------------------------------------------------ generated texts

unsigned const SEED = 20240611;
int const ROUNDS = 5000;

TEST(BindingRoundTrip, FormatThenParse_GivesBackEveryNormalisedBinding) {
    std::mt19937 random(SEED);
    std::uniform_int_distribution<int> flag(0, 1);
    std::uniform_int_distribution<int> key(0, 0xFFFF);
    std::uniform_int_distribution<int> id(INT_MIN, INT_MAX);
    for (int round = 0; round < ROUNDS; ++round) {
        HOTKEY_BINDING original =
            Binding(flag(random), flag(random), flag(random), static_cast<WORD>(key(random)),
                    round % 4 == 0 ? 1009 + round % 2 : id(random));
        STRING text = FormatBinding(original);
        HOTKEY_BINDING parsed = ParseBinding("Test", text.c_str());
        ASSERT_TRUE(SameBinding(original, parsed)) << "round " << round << ": " << Fields(original) << " -> ["
                                                   << text.c_str() << "] -> " << Fields(parsed);
    }
}

// Texts of digits, commas, signs, blanks and junk: whatever they hold, the
// binding they give is saved as five plain numbers that read back the same.
// Most texts are made of fields, so that numbers land in every position.
TEST(BindingRoundTrip, ParseThenFormat_AlwaysFiveNumbersThatParseBackTheSame) {
    static const char* const numbers[] = {"0",
                                          "1",
                                          "7",
                                          "42",
                                          "72",
                                          "1009",
                                          "65535",
                                          "65608",
                                          "2147483647",
                                          "2147483648",
                                          "4294967295",
                                          "4294967296",
                                          "99999999999999999999"};
    static const char* const junk[] = {"+", "-", " ", "\t", "\r\n", "x", "0x", ".", "H", ";", "\xE9", ","};
    int const numberCount = static_cast<int>(sizeof numbers / sizeof numbers[0]);
    int const junkCount = static_cast<int>(sizeof junk / sizeof junk[0]);
    std::mt19937 random(SEED + 1);
    std::uniform_int_distribution<int> fieldCount(0, 7);
    std::uniform_int_distribution<int> kind(0, 9);
    std::uniform_int_distribution<int> number(0, numberCount - 1);
    std::uniform_int_distribution<int> junkPiece(0, junkCount - 1);
    std::uniform_int_distribution<int> junkLength(1, 4);
    int clean = 0;
    for (int round = 0; round < ROUNDS; ++round) {
        std::string text;
        for (int field = 0, fields = fieldCount(random); field < fields; ++field) {
            if (field > 0)
                text += ",";
            int k = kind(random);
            if (k <= 5) { // a number, perhaps signed, perhaps with blanks around it
                text += k == 1 ? " " : k == 2 ? "\t" : "";
                text += k == 3 ? "-" : k == 4 ? "+" : "";
                text += numbers[number(random)];
                text += k == 5 ? " \r\n" : "";
                ++clean;
            } else if (k <= 8) { // junk, a number among it perhaps
                for (int n = junkLength(random); n > 0; --n)
                    text += k == 8 && n == 2 ? numbers[number(random)] : junk[junkPiece(random)];
            } // else an empty field
        }
        HOTKEY_BINDING parsed = ParseBinding("Hide Active", text.c_str());
        STRING saved = FormatBinding(parsed);
        ASSERT_TRUE(FiveNumberFields(saved.c_str())) << "[" << text << "] saved as [" << saved.c_str() << "]";
        HOTKEY_BINDING again = ParseBinding("Hide Active", saved.c_str());
        ASSERT_TRUE(SameBinding(parsed, again)) << "[" << text << "] -> " << Fields(parsed) << " saved as ["
                                                << saved.c_str() << "] -> " << Fields(again);
        ASSERT_TRUE(parsed.ctrl == 0 || parsed.ctrl == 1);
        ASSERT_TRUE(parsed.shift == 0 || parsed.shift == 1);
        ASSERT_TRUE(parsed.alt == 0 || parsed.alt == 1);
        ASSERT_STREQ("Hide Active", parsed.name.c_str());
    }
    EXPECT_GT(clean, ROUNDS); // the texts held numbers in many positions
}
