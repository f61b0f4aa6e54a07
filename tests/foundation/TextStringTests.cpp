#include "foundation/TextString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string Repeat(char c, unsigned n) {
    return std::string(n, c);
}

} // namespace

TEST(TextString, DefaultString_HasNoBufferAndAnswersEmpty) {
    STRING s;
    EXPECT_FALSE(s.HasBuffer());
    EXPECT_EQ(0u, s.Length());
    EXPECT_EQ(0u, s.Capacity());
    EXPECT_EQ(0, s.LastChar());
    EXPECT_TRUE(s.Equals(nullptr));
    EXPECT_FALSE(s.Equals(""));
    EXPECT_EQ(0, s.ToInteger());
    EXPECT_FALSE(s.Contains('a'));
    EXPECT_FALSE(s.Contains(""));
    EXPECT_EQ(0, s.CountOf("a"));
    EXPECT_STREQ("", s.c_str());
    EXPECT_FALSE(STRING(static_cast<const char*>(nullptr)).HasBuffer());

    // Editing a string without a buffer does nothing, except what sets a length.
    s.EnsureEndsWith('\\').Reverse().ToUpper().TrimRight(" ").Keep(0, 1).RemoveLeft(0);
    EXPECT_FALSE(s.HasBuffer());
    s.Append('x');
    EXPECT_TRUE(s.Equals("x"));
}

TEST(TextString, Capacity_GrowsInSteps_Of32AtLengths31And32) {
    STRING empty("");
    EXPECT_TRUE(empty.HasBuffer());
    EXPECT_EQ(32u, empty.Capacity());
    EXPECT_TRUE(empty.Equals(""));

    STRING s31(Repeat('a', 31).c_str());
    EXPECT_EQ(31u, s31.Length());
    EXPECT_EQ(32u, s31.Capacity());
    STRING s32(Repeat('a', 32).c_str());
    EXPECT_EQ(64u, s32.Capacity());
    EXPECT_EQ(96u, STRING(Repeat('a', 64).c_str()).Capacity());

    // Growing one character at a time crosses the boundary at the same place.
    STRING grown("");
    for (int i = 0; i < 31; ++i)
        grown.Append('b');
    EXPECT_EQ(32u, grown.Capacity());
    grown.Append('b');
    EXPECT_EQ(64u, grown.Capacity());
    EXPECT_EQ(Repeat('b', 32), grown.c_str());

    // Shrinking keeps the block.
    grown.Keep(3, 1);
    EXPECT_EQ(64u, grown.Capacity());
    EXPECT_STREQ("bbb", grown.c_str());

    STRING bounded(nullptr, 10);
    EXPECT_TRUE(bounded.HasBuffer());
    EXPECT_EQ(0u, bounded.Length());
    EXPECT_STREQ("abc", STRING("abcdef", 3).c_str());
    EXPECT_STREQ("ab", STRING("ab", 30).c_str());
}

TEST(TextString, Format_FillsExactlyTheBlockAtThe31And32Boundary) {
    STRING hotkey = STRING::Format("%u,%u,%u,%u,%u", 1u, 1u, 0u, 72u, 1009u);
    EXPECT_STREQ("1,1,0,72,1009", hotkey.c_str());
    EXPECT_EQ(13u, hotkey.Length());
    EXPECT_EQ(32u, hotkey.Capacity());

    std::string thirtyOne = Repeat('x', 31);
    STRING fits = STRING::Format("%s", thirtyOne.c_str());
    EXPECT_EQ(thirtyOne, fits.c_str());
    EXPECT_EQ(31u, fits.Length());
    EXPECT_EQ(32u, fits.Capacity());

    std::string thirtyTwo = Repeat('y', 32);
    STRING grows = STRING::Format("%s", thirtyTwo.c_str());
    EXPECT_EQ(thirtyTwo, grows.c_str());
    EXPECT_EQ(32u, grows.Length());
    EXPECT_EQ(64u, grows.Capacity());

    std::string long200 = Repeat('z', 200);
    STRING big = STRING::Format("<%s>%d", long200.c_str(), -7);
    EXPECT_EQ("<" + long200 + ">-7", big.c_str());
    EXPECT_EQ(224u, big.Capacity());

    // A null format takes the first argument as the format.
    STRING indirect = STRING::Format(nullptr, "%d-%s", 42, "x");
    EXPECT_STREQ("42-x", indirect.c_str());

    EXPECT_STREQ("", STRING::Format("").c_str());
    EXPECT_EQ(32u, STRING::Format("").Capacity());
}

TEST(TextString, ToInteger_TrimsPaddingAndRejectsNonDecimalText) {
    EXPECT_EQ(1009, STRING(" 1009 \r\n").ToInteger());
    EXPECT_EQ(1009, STRING("\t1009").ToInteger());
    EXPECT_EQ(-5, STRING("-5").ToInteger());
    EXPECT_EQ(7, STRING("+7").ToInteger());
    EXPECT_EQ(0, STRING("0x10").ToInteger());
    EXPECT_EQ(0, STRING("").ToInteger());
    EXPECT_EQ(0, STRING("   ").ToInteger());
    EXPECT_EQ(0, STRING("+").ToInteger());
    EXPECT_EQ(0, STRING("1.5").ToInteger());
    EXPECT_EQ(0, STRING("7a").ToInteger());
    EXPECT_EQ(0, STRING("1 2").ToInteger());
    // Out of range clamps rather than wrapping.
    EXPECT_EQ(2147483647L, STRING("99999999999").ToInteger());
    EXPECT_EQ(-2147483647L - 1, STRING("-99999999999").ToInteger());
    EXPECT_EQ(-2147483647L - 1, STRING("-2147483648").ToInteger());

    EXPECT_TRUE(IsIntegerText("7", "+-"));
    EXPECT_TRUE(IsIntegerText("+7", "+-"));
    EXPECT_TRUE(IsIntegerText("-12", "+-"));
    EXPECT_FALSE(IsIntegerText("+", "+-"));
    EXPECT_FALSE(IsIntegerText("7a", "+-"));
    EXPECT_FALSE(IsIntegerText("1.5", "+-"));
    EXPECT_FALSE(IsIntegerText(" 7", "+-"));
    EXPECT_FALSE(IsIntegerText("-7", "+"));
    EXPECT_FALSE(IsIntegerText("7", nullptr));
    EXPECT_FALSE(IsIntegerText(nullptr, "+-"));
    EXPECT_FALSE(IsIntegerText("", "+-"));
}

TEST(TextString, TokenAndSplitToken_CountFieldsFromBothEnds) {
    STRING abc("a,b,c");
    EXPECT_STREQ("c", abc.Token(2, ",", 1).c_str());
    EXPECT_STREQ("a", abc.Token(2, ",", 0).c_str());
    EXPECT_STREQ("b", abc.Token(1, ",", 0).c_str());
    EXPECT_FALSE(abc.Token(3, ",", 1).HasBuffer());
    EXPECT_FALSE(abc.Token(3, ",", 0).HasBuffer());
    EXPECT_FALSE(abc.Token(0, ",", 2).HasBuffer());
    EXPECT_FALSE(abc.Token(0, "", 1).HasBuffer());
    EXPECT_FALSE(STRING().Token(0, ",", 1).HasBuffer());
    STRING empties(",,");
    EXPECT_TRUE(empties.Token(1, ",", 1).HasBuffer());
    EXPECT_STREQ("", empties.Token(2, ",", 1).c_str());
    EXPECT_STREQ("ab", STRING("ab;cd,ef").Token(0, ",;", 1).c_str());
    EXPECT_STREQ("ef", STRING("ab;cd,ef").Token(0, ",;", 0).c_str());
    EXPECT_STREQ("cd", STRING("ab;cd,ef").Token(1, ",;", 0).c_str());

    STRING hotkey("1,1,0,72,1009");
    EXPECT_STREQ("1", hotkey.SplitToken(",", 1).c_str());
    EXPECT_STREQ("1,0,72,1009", hotkey.c_str());
    EXPECT_STREQ("1009", hotkey.SplitToken(",", 0).c_str());
    EXPECT_STREQ("1,0,72", hotkey.c_str());
    EXPECT_EQ(6u, hotkey.Length());

    STRING leading(",x");
    STRING field = leading.SplitToken(",", 1);
    EXPECT_TRUE(field.HasBuffer());
    EXPECT_STREQ("", field.c_str());
    EXPECT_STREQ("x", leading.c_str());

    STRING trailing("x,");
    EXPECT_STREQ("", trailing.SplitToken(",", 0).c_str());
    EXPECT_STREQ("x", trailing.c_str());

    STRING single("whole");
    EXPECT_STREQ("whole", single.SplitToken(",", 1).c_str());
    EXPECT_TRUE(single.HasBuffer());
    EXPECT_EQ(0u, single.Length());

    STRING unchanged("a,b");
    EXPECT_FALSE(unchanged.SplitToken(",", 5).HasBuffer());
    EXPECT_FALSE(unchanged.SplitToken(nullptr, 1).HasBuffer());
    EXPECT_STREQ("a,b", unchanged.c_str());
}

TEST(TextString, CountOfAndReplace_MatchWithoutOverlap) {
    STRING aaaa("aaaa");
    EXPECT_EQ(2, aaaa.CountOf("aa"));
    EXPECT_EQ(1, STRING("aaa").CountOf("aa"));
    EXPECT_EQ(-1, aaaa.CountOf(""));
    EXPECT_EQ(0, aaaa.CountOf("aaaaa"));
    EXPECT_EQ(0, aaaa.CountOf(nullptr));
    aaaa.Replace("aa", "b");
    EXPECT_STREQ("bb", aaaa.c_str());
    EXPECT_EQ(2u, aaaa.Length());

    STRING grow("a-b-c");
    grow.Replace("-", "<==>");
    EXPECT_STREQ("a<==>b<==>c", grow.c_str());
    EXPECT_EQ(11u, grow.Length());

    STRING erase("x--y--");
    erase.Replace("--", "");
    EXPECT_STREQ("xy", erase.c_str());

    STRING keeps("abc");
    keeps.Replace("z", "y").Replace("", "y").Replace(nullptr, "y").Replace("a", nullptr);
    EXPECT_STREQ("abc", keeps.c_str());

    // A replacement containing the pattern is not matched again.
    STRING nested("ab");
    nested.Replace("a", "aa");
    EXPECT_STREQ("aab", nested.c_str());

    // Pattern and replacement taken from the string's own text.
    STRING self("xyxyxyxyxyxyxyxyxyxyxyxyxyxyxy"); // 30 characters, the block grows
    self.Replace(self.Text() + 28, self.Text());
    EXPECT_EQ(450u, self.Length());
    std::string expected;
    for (int i = 0; i < 15; ++i)
        expected += "xyxyxyxyxyxyxyxyxyxyxyxyxyxyxy";
    EXPECT_EQ(expected, self.c_str());
}

TEST(TextString, Append_OfItselfAndOfItsOwnTail_SurvivesTheBlockMoving) {
    STRING doubled("0123456789abcdefghijklmnopqrstu"); // 31: the block must grow
    void* neighbour = std::malloc(8);                  // keeps realloc from growing in place
    doubled.Append(doubled);
    std::free(neighbour);
    EXPECT_STREQ("0123456789abcdefghijklmnopqrstu0123456789abcdefghijklmnopqrstu", doubled.c_str());
    EXPECT_EQ(62u, doubled.Length());
    EXPECT_EQ(64u, doubled.Capacity());

    for (unsigned size = 20; size < 200; size += 7) {
        std::string original;
        for (unsigned i = 0; i < size; ++i)
            original += static_cast<char>('A' + i % 26);
        STRING s(original.c_str());
        unsigned from = size / 3;
        neighbour = std::malloc(8);
        s.Append(s.Text() + from);
        s.Append(s.Text()); // whole text by pointer
        std::free(neighbour);
        std::string once = original + original.substr(from);
        EXPECT_EQ(once + once, s.c_str()) << "size " << size;
        EXPECT_EQ((once + once).size(), s.Length());
    }

    STRING withZero("ab");
    withZero.Append('\0');
    EXPECT_EQ(2u, withZero.Length());
    withZero.Append(static_cast<const char*>(nullptr)).Append(STRING());
    EXPECT_STREQ("ab", withZero.c_str());
}

TEST(TextString, AssignAndConcatenation_CopyOrMoveWithinTheirOwnText) {
    STRING s("Software\\Vaylo");
    s.Assign(s.Text() + 9);
    EXPECT_STREQ("Vaylo", s.c_str());
    EXPECT_EQ(5u, s.Length());
    s.Assign(s.Text() + s.Length()); // its own terminating zero
    EXPECT_TRUE(s.HasBuffer());
    EXPECT_EQ(0u, s.Length());
    s.Assign(static_cast<const char*>(nullptr));
    EXPECT_FALSE(s.HasBuffer());
    EXPECT_EQ(0u, s.Capacity());
    s.Assign(STRING("copy"));
    EXPECT_STREQ("copy", s.c_str());
    s = STRING();
    EXPECT_FALSE(s.HasBuffer());

    STRING left("ab"), right("cd");
    EXPECT_STREQ("abcd", (left + right).c_str());
    EXPECT_STREQ("abxy", (left + "xy").c_str());
    EXPECT_STREQ("xyab", ("xy" + left).c_str());
    EXPECT_STREQ("ab", left.c_str());
    EXPECT_STREQ("cd", (STRING() + right).c_str());
    EXPECT_FALSE((STRING() + STRING()).HasBuffer());

    STRING copy(left);
    copy.Append('!');
    EXPECT_STREQ("ab", left.c_str());
    STRING moved(static_cast<STRING&&>(copy));
    EXPECT_STREQ("ab!", moved.c_str());
    EXPECT_FALSE(copy.HasBuffer());
}

TEST(TextString, Queries_CompareAndSearchAsDocumented) {
    STRING s("Window Vaylo");
    EXPECT_TRUE(s.Equals("Window Vaylo"));
    EXPECT_FALSE(s.Equals("window vaylo"));
    EXPECT_TRUE(s.EqualsNoCase("window VAYLO"));
    EXPECT_FALSE(s.EqualsNoCase(nullptr));
    EXPECT_TRUE(s != "x");
    EXPECT_TRUE(s.StartsWithNoCase("WINDOW"));
    EXPECT_TRUE(s.StartsWithNoCase(""));
    EXPECT_FALSE(s.StartsWithNoCase("Window Vaylo!"));
    EXPECT_FALSE(s.StartsWithNoCase(nullptr));
    EXPECT_TRUE(s.Contains('V'));
    EXPECT_FALSE(s.Contains('\0'));
    EXPECT_TRUE(s.Contains("w V"));
    EXPECT_FALSE(s.Contains(static_cast<const char*>(nullptr)));
    EXPECT_EQ(2u, s.CountChar('o'));
    EXPECT_EQ('o', s.LastChar());
    EXPECT_EQ(0, STRING("").LastChar());
}

TEST(TextString, Editing_KeepRemoveExtractTrimAndSpan) {
    STRING s("abcdef");
    s.Keep(4, 1);
    EXPECT_STREQ("abcd", s.c_str());
    s.Keep(2, 0);
    EXPECT_STREQ("cd", s.c_str());
    s.Keep(2, 1).Keep(9, 0);
    EXPECT_STREQ("cd", s.c_str());

    STRING r("abcdef");
    r.RemoveLeft(7);
    EXPECT_STREQ("abcdef", r.c_str());
    r.RemoveLeft(6);
    EXPECT_STREQ("", r.c_str());

    STRING e("0123456789");
    STRING part = e.Extract(2, 4);
    EXPECT_STREQ("234", part.c_str());
    EXPECT_STREQ("0156789", e.c_str());
    EXPECT_EQ(7u, e.Length());
    EXPECT_FALSE(e.Extract(5, 4).HasBuffer());
    EXPECT_FALSE(e.Extract(0, 7).HasBuffer());
    EXPECT_STREQ("0156789", e.c_str());
    EXPECT_STREQ("9", e.Extract(6, 6).c_str());
    EXPECT_STREQ("015678", e.c_str());

    STRING path("Software\\");
    path.TrimRight("\\");
    EXPECT_STREQ("Software", path.c_str());
    EXPECT_EQ(8u, path.Length());
    STRING both("\\\\a\\b\\\\");
    both.Trim("\\");
    EXPECT_STREQ("a\\b", both.c_str());
    STRING all(" \t ");
    all.Trim(" \t");
    EXPECT_TRUE(all.HasBuffer());
    EXPECT_EQ(0u, all.Length());

    STRING span("xxabxx");
    EXPECT_EQ(2u, span.SpanCount("x", 1));
    EXPECT_EQ(2u, span.SpanCount("x", 0));
    EXPECT_EQ(6u, span.SpanCount("xab", 0));
    EXPECT_EQ(0u, span.SpanCount("", 1));

    STRING folder("C:\\app");
    folder.EnsureEndsWith('\\').EnsureEndsWith('\\');
    EXPECT_STREQ("C:\\app\\", folder.c_str());
    STRING emptyText("");
    emptyText.EnsureEndsWith('\\');
    EXPECT_STREQ("\\", emptyText.c_str());

    STRING c("AbC");
    EXPECT_STREQ("CbA", c.Reverse().c_str());
    EXPECT_STREQ("CBA", c.ToUpper().c_str());
    EXPECT_STREQ("cba", c.ToLower().c_str());
}

TEST(TextString, FromWindowText_ReadsTitlesAndNamesBadHandles) {
    EXPECT_STREQ("!!**NULL HWND**!!", STRING::FromWindowText(nullptr).c_str());
    HWND edit = CreateWindowA("EDIT", "", WS_POPUP, 0, 0, 100, 20, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(edit);
    EXPECT_STREQ("", STRING::FromWindowText(edit).c_str());
    std::string title(100, 'q');
    SetWindowTextA(edit, title.c_str());
    STRING read = STRING::FromWindowText(edit);
    EXPECT_EQ(title, read.c_str());
    EXPECT_EQ(100u, read.Length());
    DestroyWindow(edit);
    EXPECT_STREQ("!!**INVALID HWND**!!", STRING::FromWindowText(edit).c_str());
}

// A window that lies about its text: the length it answers, and a WM_GETTEXT
// that fills the whole room given and claims more than that.
LRESULT CALLBACK LyingTextProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_GETTEXTLENGTH)
        return static_cast<LRESULT>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (message == WM_GETTEXT) {
        if (wParam > 0) {
            std::memset(reinterpret_cast<char*>(lParam), 'z', wParam);
            reinterpret_cast<char*>(lParam)[wParam - 1] = '\0';
        }
        return static_cast<LRESULT>(wParam) + 1000;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(TextString, FromWindowText_OfAWindowThatLiesAboutItsLength_StaysWithinTheCap) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = LyingTextProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "LyingTextWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("LyingTextWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(window);
    for (LONG_PTR length : {LONG_PTR(-1), LONG_PTR(-100000), LONG_PTR(INT_MAX), LONG_PTR(5)}) {
        SetWindowLongPtrA(window, GWLP_USERDATA, length);
        STRING read = STRING::FromWindowText(window);
        EXPECT_LE(read.Length(), 65535u) << length;
        EXPECT_EQ(std::strlen(read.c_str()), read.Length()) << length;
        if (length == 5) {
            EXPECT_STREQ("zzzzz", read.c_str());
        }
    }
    DestroyWindow(window);
}

TEST(TextString, SetLength_WhoseCapacityWouldWrapAround_LeavesTheStringAsItWas) {
    STRING s("keep");
    void* block = s.Buffer();
    for (unsigned huge : {UINT_MAX, UINT_MAX - 1, UINT_MAX - 31}) {
        s.SetLength(huge);
        EXPECT_EQ(4u, s.Length()) << huge;
        EXPECT_EQ(32u, s.Capacity()) << huge;
        EXPECT_EQ(block, static_cast<void*>(s.Buffer())) << huge;
        EXPECT_STREQ("keep", s.c_str()) << huge;
    }
    STRING none;
    none.SetLength(UINT_MAX);
    EXPECT_FALSE(none.HasBuffer());
    EXPECT_EQ(0u, none.Length());
}
