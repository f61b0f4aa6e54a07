#include "foundation/WideString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

TEST(WideString, FromAnsi_SizesTheBlockAndDropsTheConvertedZero) {
    WSTRING abc("abc");
    EXPECT_EQ(3u, abc.Length());
    EXPECT_EQ(32u, abc.Capacity());
    EXPECT_STREQ(L"abc", abc.c_str());

    WSTRING none(static_cast<const char*>(nullptr));
    EXPECT_FALSE(none.HasBuffer());
    EXPECT_EQ(0u, none.Length());

    WSTRING empty("");
    EXPECT_TRUE(empty.HasBuffer());
    EXPECT_EQ(0u, empty.Length());

    std::string thirty(30, 'k'); // asks for 31, the length is first set to 32
    WSTRING w30(thirty.c_str());
    EXPECT_EQ(30u, w30.Length());
    EXPECT_EQ(64u, w30.Capacity());

    STRING back = FromWide(L"abc", 0, 0);
    EXPECT_STREQ("abc", back.c_str());
    EXPECT_EQ(3u, back.Length());
    EXPECT_FALSE(FromWide(nullptr).HasBuffer());
    EXPECT_STREQ("ab", FromWide(L"abcdef", 2).c_str());
    EXPECT_EQ(2u, FromWide(L"abcdef", 2).Length());
    STRING emptyBack = FromWide(L"");
    EXPECT_EQ(0u, emptyBack.Length());
}

TEST(WideString, Conversions_RoundTripTheAnsiCodePageAndHonourAnExplicitOne) {
    // e-acute and the euro sign in code page 1252, as UTF-16.
    STRING latin = FromWide(L"caf\x00e9 \x20ac", 0, 1252);
    EXPECT_STREQ("caf\xe9 \x80", latin.c_str());
    EXPECT_EQ(6u, latin.Length());
    STRING utf8 = FromWide(L"\x00e9", 0, CP_UTF8);
    EXPECT_STREQ("\xc3\xa9", utf8.c_str());
    // The code page is taken as 16 bits: 65001 + 0x10000 is still UTF-8.
    EXPECT_STREQ("\xc3\xa9", FromWide(L"\x00e9", 0, CP_UTF8 + 0x10000u).c_str());

    // Every character of the ANSI code page survives the round trip.
    std::string all;
    for (int c = 0x20; c < 0x7f; ++c)
        all += static_cast<char>(c);
    WSTRING wide(all.c_str());
    EXPECT_EQ(all.size(), wide.Length());
    EXPECT_EQ(all, FromWide(wide.c_str()).c_str());
    char high[2] = {static_cast<char>(0xe9), 0};
    if (IsDBCSLeadByte(static_cast<BYTE>(high[0])) == FALSE) {
        EXPECT_STREQ(high, FromWide(WSTRING(high).c_str()).c_str());
    }
}

TEST(WideString, Format_FillsExactlyTheBlockAtThe31And32Boundary) {
    std::wstring thirtyOne(31, L'x');
    WSTRING fits = WSTRING::Format(L"%ls", thirtyOne.c_str());
    EXPECT_EQ(thirtyOne, fits.c_str());
    EXPECT_EQ(31u, fits.Length());
    EXPECT_EQ(32u, fits.Capacity());

    std::wstring thirtyTwo(32, L'y');
    WSTRING grows = WSTRING::Format(L"%ls", thirtyTwo.c_str());
    EXPECT_EQ(thirtyTwo, grows.c_str());
    EXPECT_EQ(64u, grows.Capacity());

    WSTRING numbers = WSTRING::Format(L"%u,%d", 72u, -3);
    EXPECT_STREQ(L"72,-3", numbers.c_str());
    EXPECT_STREQ(L"7-z", WSTRING::Format(nullptr, L"%d-%ls", 7, L"z").c_str());
}

TEST(WideString, AppendAndAssign_KeepLengthEqualToTheText) {
    WSTRING s;
    s.Append(L"ab");
    EXPECT_STREQ(L"ab", s.c_str());
    s.Append(static_cast<const wchar_t*>(nullptr)).Append(WSTRING()).Append(L'\0');
    EXPECT_EQ(2u, s.Length());
    s.Append(L'c').EnsureEndsWith(L'\\').EnsureEndsWith(L'\\');
    EXPECT_STREQ(L"abc\\", s.c_str());

    WSTRING doubled(L"0123456789abcdefghijklmnopqrstu"); // 31: the block must grow
    void* neighbour = std::malloc(8);
    doubled.Append(doubled);
    std::free(neighbour);
    EXPECT_STREQ(L"0123456789abcdefghijklmnopqrstu0123456789abcdefghijklmnopqrstu", doubled.c_str());
    EXPECT_EQ(62u, doubled.Length());
    EXPECT_EQ(64u, doubled.Capacity());

    WSTRING tail(L"0123456789abcdefghijklmnopqrstu");
    neighbour = std::malloc(8);
    tail.Append(tail.Text() + 20);
    std::free(neighbour);
    EXPECT_STREQ(L"0123456789abcdefghijklmnopqrstuklmnopqrstu", tail.c_str());

    WSTRING fromNothing;
    fromNothing.Append(WSTRING(L"x"));
    EXPECT_STREQ(L"x", fromNothing.c_str());

    WSTRING moved(L"Software\\Vaylo");
    moved.Assign(moved.Text() + 9);
    EXPECT_STREQ(L"Vaylo", moved.c_str());
    EXPECT_EQ(5u, moved.Length());
    moved.Assign(static_cast<const wchar_t*>(nullptr));
    EXPECT_FALSE(moved.HasBuffer());
    EXPECT_EQ(0u, moved.Capacity());

    EXPECT_STREQ(L"abcd", (WSTRING(L"ab") + WSTRING(L"cd")).c_str());
    EXPECT_STREQ(L"cd", (WSTRING() + WSTRING(L"cd")).c_str());
    EXPECT_STREQ(L"cd", (WSTRING() + L"cd").c_str());
    EXPECT_STREQ(L"xyab", (L"xy" + WSTRING(L"ab")).c_str());
    EXPECT_FALSE(WSTRING(static_cast<const wchar_t*>(nullptr), 4).HasBuffer());
    EXPECT_STREQ(L"abc", WSTRING(L"abcdef", 3).c_str());
    EXPECT_EQ(3u, WSTRING(L"abcdef", 3).Length());
}

TEST(WideString, Queries_CountWithinTheLength) {
    WSTRING s(L"a\\b\\c");
    EXPECT_EQ(2u, s.CountChar(L'\\'));
    EXPECT_EQ(L'c', s.LastChar());
    EXPECT_EQ(0u, WSTRING().CountChar(L'a'));
    EXPECT_EQ(0, WSTRING().LastChar());
    EXPECT_EQ(0, WSTRING(L"").LastChar());
    WSTRING copy(s);
    copy.Append(L'!');
    EXPECT_STREQ(L"a\\b\\c", s.c_str());
    EXPECT_FALSE(WSTRING(WSTRING()).HasBuffer());
    EXPECT_EQ(3u, BoundedLength(L"abcdef", 3));
    EXPECT_EQ(0u, BoundedLength(static_cast<const wchar_t*>(nullptr), 3));
}

TEST(WideString, SetLength_WhoseCapacityInBytesWouldWrapAround_LeavesTheStringAsItWas) {
    WSTRING s(L"keep");
    const wchar_t* block = s.c_str();
    for (unsigned huge : {UINT_MAX, UINT_MAX / 2, UINT_MAX / 2 - 31}) {
        s.SetLength(huge);
        EXPECT_EQ(4u, s.Length()) << huge;
        EXPECT_EQ(32u, s.Capacity()) << huge;
        EXPECT_EQ(block, s.c_str()) << huge;
        EXPECT_STREQ(L"keep", s.c_str()) << huge;
    }
}
