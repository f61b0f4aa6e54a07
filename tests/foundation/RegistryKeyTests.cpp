#include "foundation/RegistryKey.h"

#include "support/Registry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string ScratchPath() {
    return "Software\\VayloFoundationTest" + std::to_string(GetCurrentProcessId());
}

// A throw-away key under HKLM\Software, gone before and after each test;
// values are stored and read behind REGKEY's back through it.
class RegistryKeyTest : public ::testing::Test {
  protected:
    SCRATCH_KEY scratch{ScratchPath()};
    const std::string base = scratch.Path();
};

} // namespace

TEST_F(RegistryKeyTest, Construction_TrimsBackslashesAndJoinsSubKeys) {
    REGKEY key(HKEY_LOCAL_MACHINE, "Software\\MorvaneUtilities\\");
    EXPECT_STREQ("Software\\MorvaneUtilities", key.Path().c_str());
    EXPECT_EQ(0, key.status);
    EXPECT_STREQ("Software", REGKEY(HKEY_LOCAL_MACHINE, "\\\\Software\\").Path().c_str());

    REGKEY empty(HKEY_LOCAL_MACHINE, "");
    EXPECT_EQ(3, empty.status);
    EXPECT_EQ(3, REGKEY(HKEY_LOCAL_MACHINE, nullptr).status);
    EXPECT_EQ(3, REGKEY(reinterpret_cast<HKEY>(0x1234), "Software").status);
    EXPECT_EQ(0, REGKEY(HKEY_PERFORMANCE_DATA, "").status);

    REGKEY settings(HKEY_LOCAL_MACHINE, "Software\\MorvaneUtilities\\Vaylo");
    REGKEY sub(settings, "CloseToTray");
    EXPECT_STREQ("Software\\MorvaneUtilities\\Vaylo\\CloseToTray", sub.Path().c_str());
    EXPECT_EQ(HKEY_LOCAL_MACHINE, sub.Root());
    EXPECT_EQ(0, sub.status);
    EXPECT_STREQ("Software\\MorvaneUtilities\\Vaylo\\Font", REGKEY(settings, "Font\\").Path().c_str());
}

TEST_F(RegistryKeyTest, Writes_CreateMissingKeysAndReadBack) {
    REGKEY deep(HKEY_LOCAL_MACHINE, (base + "\\One\\Two\\").c_str());
    EXPECT_FALSE(deep.ValueExists("WPLeft"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, deep.status);

    EXPECT_TRUE(deep.WriteDword("WPLeft", 0xFFFFFFF6u));
    EXPECT_EQ(0, deep.status);
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(scratch.Read("One\\Two", "WPLeft", type, bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(std::string("\xF6\xFF\xFF\xFF", 4), bytes);

    EXPECT_TRUE(deep.ValueExists("WPLeft"));
    DWORD value = 1;
    EXPECT_TRUE(deep.ReadDword("WPLeft", value));
    EXPECT_EQ(0xFFFFFFF6u, value);

    EXPECT_TRUE(deep.WriteString("Hide Active", "1,1,0,72,1009"));
    ASSERT_TRUE(scratch.Read("One\\Two", "Hide Active", type, bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("1,1,0,72,1009", 14), bytes); // the zero is stored too
    STRING text("preset");
    EXPECT_TRUE(deep.ReadString("Hide Active", text));
    EXPECT_STREQ("1,1,0,72,1009", text.c_str());

    EXPECT_TRUE(deep.WriteString("Password", ""));
    ASSERT_TRUE(scratch.Read("One\\Two", "Password", type, bytes));
    EXPECT_EQ(std::string(1, '\0'), bytes);
    EXPECT_TRUE(deep.ReadString("Password", text));
    EXPECT_TRUE(text.HasBuffer());
    EXPECT_EQ(0u, text.Length());

    EXPECT_FALSE(deep.WriteString("Password", nullptr));
    EXPECT_FALSE(deep.WriteDword(nullptr, 1));
    EXPECT_TRUE(deep.ReadString("Password", text));
    EXPECT_EQ(0u, text.Length());
}

TEST_F(RegistryKeyTest, Reads_OfMissingOrMistypedValues_KeepThePreset) {
    REGKEY key(HKEY_LOCAL_MACHINE, base.c_str());
    DWORD value = 77;
    STRING text("preset");
    EXPECT_FALSE(key.ReadDword("UseHotkey", value)); // the key itself is missing
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.status);
    EXPECT_EQ(77u, value);

    EXPECT_TRUE(scratch.Set(nullptr, "AsText", REG_SZ, "1", 2));
    const BYTE four[4] = {1, 0, 0, 0};
    EXPECT_TRUE(scratch.Set(nullptr, "AsBinary", REG_BINARY, four, 4));
    EXPECT_TRUE(scratch.Set(nullptr, "Short", REG_DWORD, four, 2));
    EXPECT_TRUE(scratch.Set(nullptr, "Expand", REG_EXPAND_SZ, "%WINDIR%", 9));
    EXPECT_TRUE(scratch.Set(nullptr, "Multi", REG_MULTI_SZ, "a\0b\0", 5));
    EXPECT_TRUE(scratch.Set(nullptr, "Number", REG_DWORD, four, 4));
    EXPECT_TRUE(scratch.Set(nullptr, "Unterminated", REG_SZ, "abc", 3));

    EXPECT_FALSE(key.ReadString("Missing", text));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, key.status);
    EXPECT_STREQ("preset", text.c_str());
    EXPECT_FALSE(key.ReadDword("Missing", value));
    EXPECT_EQ(2, key.status);

    for (const char* name : {"AsText", "AsBinary", "Short"}) {
        value = 77;
        EXPECT_FALSE(key.ReadDword(name, value)) << name;
        EXPECT_EQ(1010, key.status) << name;
        EXPECT_EQ(77u, value) << name;
    }
    for (const char* name : {"Expand", "Multi", "Number"}) {
        EXPECT_FALSE(key.ReadString(name, text)) << name;
        EXPECT_EQ(1010, key.status) << name;
        EXPECT_STREQ("preset", text.c_str()) << name;
    }

    // A string stored without its zero still reads as the bytes stored.
    EXPECT_TRUE(key.ReadString("Unterminated", text));
    EXPECT_STREQ("abc", text.c_str());

    // A null name touches nothing, not even the status.
    key.status = 1234;
    EXPECT_FALSE(key.ReadDword(nullptr, value));
    EXPECT_FALSE(key.ReadString(nullptr, text));
    EXPECT_FALSE(key.ValueExists(nullptr));
    EXPECT_EQ(1234, key.status);
}

TEST_F(RegistryKeyTest, PerformanceDataRoot_RefusesWritesWithoutTouchingTheStatus) {
    REGKEY performance(HKEY_PERFORMANCE_DATA, "Global");
    performance.status = 4321;
    EXPECT_FALSE(performance.WriteDword("Anything", 1));
    EXPECT_FALSE(performance.WriteString("Anything", "x"));
    EXPECT_EQ(4321, performance.status);
}
