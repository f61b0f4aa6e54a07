// Every value the program reads from its settings, stored as no writer of
// ours would, and read back by the very code the program reads it with:
// thousands of values from a seeded generator, one value changed at a time
// on top of all the others. Nothing crashes; a value of another type or size
// leaves the caller's default in place; what is used stays within bounds.

#include "framework/WindowBase.h"
#include "framework/WindowPlacement.h"
#include "hotkeys/HotkeyRegistration.h"
#include "support/Registry.h"
#include "support/StoredValues.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

char const NAME[] = "VayloStoredFaults";
char const KEY[] = "Software\\MorvaneUtilities\\VayloStoredFaults";
DWORD const PRESET = 0xA5A5A5A5u;

// The framework's window object, without a window: its settings key and
// the reads made through it.
class BARE_WINDOW : public MV_WINBASE {
  public:
    BARE_WINDOW() : MV_WINBASE(NAME, nullptr, GetModuleHandleA(nullptr)) {}
    INT_PTR DialogProc(UINT, WPARAM, LPARAM) override { return 0; }
};

// What the key holds now under that name; type REG_NONE and no bytes when
// nothing is stored.
STORED_VALUE StoredNow(const SCRATCH_KEY& key, const char* subkey, const char* name) {
    STORED_VALUE value{REG_NONE, "", name};
    if (!key.Read(subkey, name, value.type, value.bytes))
        value = STORED_VALUE{REG_NONE, "", name};
    return value;
}

bool Printable(const std::string& bytes) {
    for (char byte : bytes)
        if (byte < ' ' || byte > '~')
            return false;
    return true;
}

// Values a writer of ours would store, so that a read of the whole group can
// also succeed.
void StoreGoodValues(const SCRATCH_KEY& key) {
    for (const STORED_SETTING& setting : EVERY_SETTING)
        key.SetDword(setting.subkey, setting.name, 1);
    key.SetString(nullptr, "Hide Active", "1,0,1,72,1009");
    key.SetString(nullptr, "Popup Menu", "1,0,1,77,1010");
    key.SetString("Password", "Password", "secret");
    key.SetString("Font", "lfFaceName", "Arial");
    key.SetDword("MainWindow", "WinState", 2);
    key.SetDword("MainWindow", "WPLeft", 100);
    key.SetDword("MainWindow", "WPTop", 100);
    key.SetDword("MainWindow", "WPRight", 500);
    key.SetDword("MainWindow", "WPBottom", 400);
    key.SetDword("MainWindow", "WPDpi", 96);
}

class StoredSettingsFaults : public ::testing::Test {
  protected:
    void SetUp() override {
        StoreGoodValues(key);
        window = CreateWindowExA(0, "STATIC", "placed", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { DestroyWindow(window); }

    // The value just stored through the program's own reads.
    void ExpectRawReads(const STORED_SETTING& setting, const STORED_VALUE& value) {
        REGKEY holder = setting.subkey ? REGKEY(settings, setting.subkey) : settings;
        DWORD number = PRESET;
        EXPECT_EQ(holder.ReadDword(setting.name, number), value.IsDword());
        EXPECT_EQ(number, value.IsDword() ? value.Dword() : PRESET);

        STRING text("preset");
        bool read = holder.ReadString(setting.name, text);
        EXPECT_EQ(read, value.type == REG_SZ);
        if (!read) {
            EXPECT_STREQ(text.c_str(), "preset");
            return;
        }
        std::string expected = value.bytes.substr(0, value.bytes.find('\0'));
        EXPECT_LE(text.Length(), value.bytes.size());
        if (Printable(expected)) {
            EXPECT_STREQ(text.c_str(), expected.c_str());
        }
    }

    // Both bindings are the defaults unless their text is stored as a string
    // that names a key and a command with Ctrl, Alt or a function key, and
    // then they are what the text says, within the bounds of a binding, with
    // their own action's id.
    void ExpectHotkeys() {
        key.SetDword(nullptr, "UseHotkey", 0); // nothing registered, so no question is asked
        HOTKEY_TABLE table;
        LoadHotkeys(bare, table);
        ASSERT_EQ(table.size(), 2u);
        int const ids[2] = {HOTKEY_ID_HIDE_ACTIVE, HOTKEY_ID_POPUP_MENU};
        for (int i = 0; i < 2; ++i) {
            HOTKEY_BINDING expected = DefaultBinding(ids[i]);
            STORED_VALUE stored = StoredNow(key, nullptr, expected.name.c_str());
            STRING text;
            if (stored.type == REG_SZ && settings.ReadString(expected.name.c_str(), text)) {
                HOTKEY_BINDING parsed = ParseBinding(expected.name.c_str(), text.c_str());
                if (parsed.key != 0 && parsed.id != 0 && LeavesTypingAlone(parsed)) {
                    expected = parsed;
                    expected.id = ids[i];
                }
            }
            EXPECT_TRUE(SameBinding(table[static_cast<size_t>(i)], expected)) << expected.name.c_str();
            EXPECT_LE(table[static_cast<size_t>(i)].ctrl, 1);
            EXPECT_LE(table[static_cast<size_t>(i)].alt, 1);
            EXPECT_LE(table[static_cast<size_t>(i)].shift, 1);
            EXPECT_LE(table[static_cast<size_t>(i)].key, 0xFFFFu);
        }
    }

    // Read whole or not at all; the face name always ends within its field.
    void ExpectFont() {
        bool whole = StoredNow(key, "Font", "lfFaceName").type == REG_SZ;
        for (const STORED_SETTING& setting : EVERY_SETTING)
            if (setting.subkey != nullptr && std::strcmp(setting.subkey, "Font") == 0 &&
                std::strcmp(setting.name, "lfFaceName") != 0)
                whole = whole && StoredNow(key, "Font", setting.name).IsDword();
        LOGFONTA font = {}, before = {};
        std::memset(&font, 0x5A, sizeof font);
        before = font;
        COLORREF colour = PRESET;
        EXPECT_EQ(ReadFont(settings, "Font", font, &colour), whole);
        if (whole) {
            EXPECT_NE(std::memchr(font.lfFaceName, '\0', LF_FACESIZE), nullptr);
            EXPECT_EQ(colour, StoredNow(key, "Font", "ForeColor").Dword());
        } else {
            EXPECT_EQ(std::memcmp(&font, &before, sizeof font), 0);
            EXPECT_EQ(colour, PRESET);
        }
        bare.LoadFont(); // a font made of whatever was read, kept by the object
    }

    // The stored placement moved onto the desktop, whatever it says.
    void ExpectPlacement() {
        RestorePlacement(settings, "MainWindow", window, true);
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        GetWindowPlacement(window, &placement);
        RECT placed = placement.rcNormalPosition, desktop = {};
        GetWindowRect(GetDesktopWindow(), &desktop);
        EXPECT_TRUE(placed.left >= desktop.left && placed.top >= desktop.top &&
                    placed.right <= desktop.right && placed.bottom <= desktop.bottom)
            << placed.left << "," << placed.top << "," << placed.right << "," << placed.bottom;
        ShowWindow(window, SW_HIDE); // a maximized window back to a hidden normal one
        ShowWindow(window, SW_RESTORE);
        ShowWindow(window, SW_HIDE);
    }

    SCRATCH_KEY key{KEY};
    REGKEY settings{HKEY_LOCAL_MACHINE, KEY};
    BARE_WINDOW bare;
    HWND window = nullptr;
};

TEST_F(StoredSettingsFaults, ThousandsOfBadValues_ReadAsDefaultsOrWithinBounds) {
    std::mt19937 random(13u);
    int const cases = 4000;
    int generated = 0;
    for (int n = 0; n < cases; ++n) {
        const STORED_SETTING& setting = EVERY_SETTING[static_cast<size_t>(n) % EVERY_SETTING.size()];
        STORED_VALUE value = RandomStoredValue(random);
        ASSERT_TRUE(key.Set(setting.subkey, setting.name, value.type, value.bytes.data(),
                            static_cast<DWORD>(value.bytes.size())))
            << setting.name << " = " << value.label;
        ++generated;
        SCOPED_TRACE("case " + std::to_string(n) + ": " + setting.name + " = " + value.label);
        ExpectRawReads(setting, value);

        std::string group = setting.subkey ? setting.subkey : "";
        std::string name = setting.name;
        if (name == "UseHotkey") {
            EXPECT_EQ(HotkeysWanted(settings), !(value.IsDword() && value.Dword() == 0));
        } else if (name == "Hide Active" || name == "Popup Menu") {
            ExpectHotkeys();
        } else if (group == "Font") {
            ExpectFont();
        } else if (group == "MainWindow") {
            ExpectPlacement();
        } else if (name == "CloseToTray" || name == "MinimizeToTray") {
            EXPECT_EQ(bare.MayHideToTray(setting.name), value.IsDword() && value.Dword() != 0);
        }
        if (HasFatalFailure())
            return;
        // Half the time the value is mended again, so that a group is now
        // and then whole.
        if (random() % 2)
            StoreGoodValues(key);
    }
    std::printf("[ figures ] stored settings: %d generated values read in-process (seed 13)\n", generated);
}

} // namespace
