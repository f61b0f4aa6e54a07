// Traces of failures that the program otherwise passes over in silence.

#include "foundation/Diagnostics.h"
#include "foundation/RegistryKey.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> traced;

void Record(const char* line) {
    traced.push_back(line);
}

class Diagnostics : public ::testing::Test {
  protected:
    void SetUp() override {
        traced.clear();
        before = SetTraceListener(Record);
    }
    void TearDown() override { SetTraceListener(before); }

    TRACE_LISTENER before = nullptr;
};

} // namespace

TEST_F(Diagnostics, Trace_OneLinePerCall_PrefixedAndCutToItsBuffer) {
    Trace("tray: error %d", 5);
    Trace("%s", std::string(2000, 'x').c_str());
    ASSERT_EQ(2u, traced.size());
    EXPECT_EQ("Vaylo: tray: error 5\n", traced[0]);
    EXPECT_EQ(511u, traced[1].size());
    EXPECT_EQ(0u, traced[1].find("Vaylo: xxx"));
    EXPECT_EQ('\n', traced[1].back());
}

TEST_F(Diagnostics, SettingsWrite_Refused_LeavesATraceNamingTheValue_AReadDoesNot) {
    // The settings store makes lasting keys, and a volatile key takes no
    // lasting key below it: the write is refused on Windows and Wine alike.
    const char* volatilePath = "Software\\VayloVolatileTest"; // below a lasting key
    HKEY parent = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, volatilePath, 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &parent, nullptr));
    RegCloseKey(parent);
    REGKEY refused(HKEY_CURRENT_USER, (std::string(volatilePath) + "\\VayloChild").c_str());
    EXPECT_FALSE(refused.WriteDword("Setting", 1));
    EXPECT_FALSE(refused.WriteString("Other", "text"));
    DWORD value = 7;
    EXPECT_FALSE(refused.ReadDword("Setting", value));
    EXPECT_EQ(7u, value);

    ASSERT_EQ(2u, traced.size());
    EXPECT_NE(std::string::npos, traced[0].find("\"Setting\""));
    EXPECT_NE(std::string::npos, traced[0].find("VayloChild"));
    EXPECT_NE(std::string::npos, traced[1].find("\"Other\""));
    RegDeleteKeyA(HKEY_CURRENT_USER, volatilePath);
}

TEST_F(Diagnostics, SettingsWrite_Accepted_LeavesNoTrace) {
    REGKEY key(HKEY_CURRENT_USER, "Software\\MorvaneUtilities\\VayloDiagnosticsTest");
    EXPECT_TRUE(key.WriteDword("Setting", 1));
    EXPECT_TRUE(traced.empty());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\MorvaneUtilities\\VayloDiagnosticsTest");
}
