// Loading, registering and releasing the hotkey table on a small named probe
// window with its own settings key, against combinations that another
// process (hotkey_holder.exe) holds. The registration question is a message
// box owned by the window, answered from a second thread.

#include "HotkeyTestIds.h"

#include "framework/ModalDialog.h"
#include "hotkeys/HotkeyRegistration.h"
#include "support/Dialog.h"
#include "support/ModalProbe.h"
#include "support/Process.h"
#include "support/Registry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

char const PROBE_NAME[] = "VayloHotkeyTest";
char const PROBE_KEY[] = "Software\\MorvaneUtilities\\VayloHotkeyTest"; // the probe's settings
int const MESSAGE_TEXT_ID = 0xFFFF;                                     // a message box's text
UINT const CTRL_SHIFT = MOD_CONTROL | MOD_SHIFT;
int const FREE_ID = 0xB000; // this thread's own tries, on no window

wchar_t const QUESTION_TAIL[] =
    L"\nis already in use by another application\nand will only work for the "
    L"application\nthat registered it for on this desktop.\n\nWould you like to stop "
    L"key registration?";

// The window the table is registered for; the test body runs inside its
// modal loop, so its messages (and the question's) are dispatched.
class HOTKEY_PROBE : public MODAL_PROBE<HOTKEY_PROBE, MV_MODALDIALOG> {
  public:
    explicit HOTKEY_PROBE(BODY testBody)
        : MODAL_PROBE(std::move(testBody), PROBE_NAME, IDD_HOTKEY_PROBE, nullptr, GetModuleHandleA(nullptr)) {
    }

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM) override {
        return ProbeMessage(message, wParam) ? TRUE : FALSE;
    }
};

// Runs the body in a fresh probe over a settings key holding nothing more
// than `prepare` puts there.
void WithProbe(const std::function<void(const SCRATCH_KEY&)>& prepare, const HOTKEY_PROBE::BODY& body) {
    SCRATCH_KEY settings(PROBE_KEY);
    prepare(settings);
    HOTKEY_PROBE probe(body);
    probe.Run();
}

void NothingStored(const SCRATCH_KEY&) {}

// Another process holding combinations, until the object goes.
class HOLDER {
  public:
    explicit HOLDER(std::initializer_list<std::pair<UINT, UINT>> combinations) {
        std::string line = "\"" + ProgramPath("hotkey_holder.exe") + "\" " + ready.name;
        for (const auto& combination : combinations)
            line += " " + std::to_string(combination.first) + "," + std::to_string(combination.second);
        holding = process.Start(nullptr, line) &&
                  PumpUntil([&] { return ready.Wait(0) || !process.IsRunning(); }, START_TIMEOUT_MS) &&
                  ready.Wait(0);
    }
    bool Holding() const { return holding; }

  private:
    NAMED_EVENT ready{"holder"};
    CHILD_PROCESS process;
    bool holding = false;
};

// Whether someone else (this thread, without a window) can register the
// combination now; released again at once.
bool FreeForOthers(UINT modifiers, UINT key) {
    if (!RegisterHotKey(nullptr, FREE_ID, modifiers, key))
        return false;
    UnregisterHotKey(nullptr, FREE_ID);
    return true;
}

std::string Names(const HOTKEY_TABLE& table) {
    std::string names;
    for (const HOTKEY_BINDING& binding : table)
        names += (names.empty() ? "" : ", ") + std::string(binding.name.c_str());
    return names;
}

std::vector<int> Registered(const HOTKEY_TABLE& table) {
    std::vector<int> marks;
    for (const HOTKEY_BINDING& binding : table)
        marks.push_back(binding.registered);
    return marks;
}

// What a call showed: the text of each question, answered with `answer`.
struct QUESTIONS {
    std::vector<std::wstring> texts;
};

// Calls `registration` while every question the probe shows is answered.
QUESTIONS Answering(HOTKEY_PROBE& probe, int answer, const std::function<void()>& registration) {
    QUESTIONS shown;
    ANSWERER answerer(OwnedDialog(probe.Handle()), [&](HWND box, int) {
        shown.texts.push_back(ControlText(box, MESSAGE_TEXT_ID));
        ClickButton(box, answer);
    });
    registration();
    answerer.Stop();
    return shown;
}

} // namespace

TEST(Registration, NothingStored_LoadsHideActiveThenPopupMenuAndRegistersBoth) {
    WithProbe(NothingStored, [](HOTKEY_PROBE& probe) {
        HOTKEY_TABLE table;
        QUESTIONS asked = Answering(probe, IDNO, [&] { LoadHotkeys(probe, table); });
        EXPECT_TRUE(asked.texts.empty());
        EXPECT_EQ("Hide Active, Popup Menu", Names(table));
        ASSERT_EQ(2u, table.size());
        EXPECT_STREQ("1,1,0,72,1009", FormatBinding(table[0]).c_str());
        EXPECT_STREQ("1,1,0,77,1010", FormatBinding(table[1]).c_str());
        EXPECT_EQ((std::vector<int>{1, 1}), Registered(table));
        EXPECT_FALSE(FreeForOthers(CTRL_SHIFT, 'H'));
        EXPECT_FALSE(FreeForOthers(CTRL_SHIFT, 'M'));
        UnregisterHotkeys(probe, table);
    });
}

TEST(Registration, StoredAltF9_IsRegisteredWithTheAltModifier) {
    WithProbe(
        [](const SCRATCH_KEY& settings) { settings.SetString(nullptr, "Popup Menu", "0,0,1,120,1010"); },
        [](HOTKEY_PROBE& probe) {
            HOTKEY_TABLE table;
            LoadHotkeys(probe, table);
            ASSERT_EQ(2u, table.size());
            EXPECT_STREQ("Alt+F9", DescribeBinding(table[1]).c_str());
            EXPECT_EQ(HOTKEY_ID_POPUP_MENU, table[1].id);
            EXPECT_EQ((std::vector<int>{1, 1}), Registered(table));
            EXPECT_FALSE(FreeForOthers(MOD_ALT, VK_F9));
            EXPECT_TRUE(FreeForOthers(CTRL_SHIFT, 'M'));
            UnregisterHotkeys(probe, table);
        });
}

// Texts that name no key or no command keep the defaults, registered without
// a question; a text that names both is taken as it reads.
TEST(Registration, DamagedTexts_KeepTheDefaultsWithoutAQuestion) {
    WithProbe(
        [](const SCRATCH_KEY& settings) {
            settings.SetString(nullptr, "Hide Active", "abc");
            settings.SetString(nullptr, "Popup Menu", "1,1,0,77");
        },
        [](HOTKEY_PROBE& probe) {
            HOTKEY_TABLE table;
            QUESTIONS asked = Answering(probe, IDNO, [&] { LoadHotkeys(probe, table); });
            EXPECT_TRUE(asked.texts.empty());
            ASSERT_EQ(2u, table.size());
            EXPECT_STREQ("1,1,0,72,1009", FormatBinding(table[0]).c_str());
            EXPECT_STREQ("1,1,0,77,1010", FormatBinding(table[1]).c_str());
            EXPECT_EQ((std::vector<int>{1, 1}), Registered(table));
            UnregisterHotkeys(probe, table);
        });
}

// A combination that would swallow typing (only a hand edit stores one)
// reads as damaged.
TEST(Registration, StoredCombinationsWithoutCtrlOrAlt_KeepTheDefaults) {
    WithProbe(
        [](const SCRATCH_KEY& settings) {
            settings.SetString(nullptr, "Hide Active", "0,0,0,13,1009");
            settings.SetString(nullptr, "Popup Menu", "0,1,0,77,1010");
        },
        [](HOTKEY_PROBE& probe) {
            HOTKEY_TABLE table;
            LoadHotkeys(probe, table);
            ASSERT_EQ(2u, table.size());
            EXPECT_STREQ("1,1,0,72,1009", FormatBinding(table[0]).c_str());
            EXPECT_STREQ("1,1,0,77,1010", FormatBinding(table[1]).c_str());
            EXPECT_TRUE(FreeForOthers(0, VK_RETURN));
            UnregisterHotkeys(probe, table);
        });
}

// The id in the text is no command of its own: 2 would end the program and
// 4000 restore a held window. Each binding keeps its own action's id.
TEST(Registration, StoredIdsOfOtherCommands_EachBindingKeepsItsOwnAction) {
    WithProbe(
        [](const SCRATCH_KEY& settings) {
            settings.SetString(nullptr, "Hide Active", "1,1,0,72,2");
            settings.SetString(nullptr, "Popup Menu", "0,0,1,120,4000");
        },
        [](HOTKEY_PROBE& probe) {
            HOTKEY_TABLE table;
            LoadHotkeys(probe, table);
            ASSERT_EQ(2u, table.size());
            EXPECT_STREQ("1,1,0,72,1009", FormatBinding(table[0]).c_str());
            EXPECT_STREQ("0,0,1,120,1010", FormatBinding(table[1]).c_str());
            EXPECT_EQ((std::vector<int>{1, 1}), Registered(table));
            UnregisterHotkeys(probe, table);
        });
}

TEST(Registration, UseHotkeyZero_LoadsTheStoredTableButRegistersNothing) {
    WithProbe(
        [](const SCRATCH_KEY& settings) {
            settings.SetDword(nullptr, "UseHotkey", 0);
            settings.SetString(nullptr, "Hide Active", "0,0,1,120,1009");
        },
        [](HOTKEY_PROBE& probe) {
            HOTKEY_TABLE table;
            LoadHotkeys(probe, table);
            EXPECT_EQ("Hide Active, Popup Menu", Names(table));
            ASSERT_EQ(2u, table.size());
            EXPECT_STREQ("Alt+F9", DescribeBinding(table[0]).c_str());
            EXPECT_EQ((std::vector<int>{0, 0}), Registered(table));
            EXPECT_TRUE(FreeForOthers(MOD_ALT, VK_F9));
            EXPECT_TRUE(FreeForOthers(CTRL_SHIFT, 'M'));
        });
}

TEST(Registration, Unregister_ClearsTheMarksAndFreesTheCombinations) {
    WithProbe(NothingStored, [](HOTKEY_PROBE& probe) {
        HOTKEY_TABLE table;
        LoadHotkeys(probe, table);
        ASSERT_EQ((std::vector<int>{1, 1}), Registered(table));
        UnregisterHotkeys(probe, table);
        EXPECT_EQ((std::vector<int>{0, 0}), Registered(table));
        EXPECT_TRUE(FreeForOthers(CTRL_SHIFT, 'H'));
        EXPECT_TRUE(FreeForOthers(CTRL_SHIFT, 'M'));
    });
}

struct HELD_CASE {
    const char* name;
    UINT key;             // held by the other process, with Ctrl and Shift
    const wchar_t* named; // in the question
    std::vector<int> registered;
};

class HeldElsewhereTest : public ::testing::TestWithParam<HELD_CASE> {};

// Answering No goes on with the rest of the table.
TEST_P(HeldElsewhereTest, AsksOnceNamingThatBinding_NoGoesOn) {
    HOLDER other({{CTRL_SHIFT, GetParam().key}});
    ASSERT_TRUE(other.Holding()) << "the other process could not register the combination";
    WithProbe(NothingStored, [](HOTKEY_PROBE& probe) {
        HOTKEY_TABLE table;
        QUESTIONS asked = Answering(probe, IDNO, [&] { LoadHotkeys(probe, table); });
        ASSERT_EQ(1u, asked.texts.size());
        EXPECT_EQ(std::wstring(L"The hotkey ") + GetParam().named + QUESTION_TAIL, asked.texts[0]);
        EXPECT_EQ(GetParam().registered, Registered(table));
        UnregisterHotkeys(probe, table);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Bindings, HeldElsewhereTest,
    ::testing::Values(HELD_CASE{"HideActive", 'H', L"Ctrl+Shft+H for Hide Active", {0, 1}},
                      HELD_CASE{"PopupMenu", 'M', L"Ctrl+Shft+M for Popup Menu", {1, 0}}),
    [](const ::testing::TestParamInfo<HELD_CASE>& tested) { return tested.param.name; });

TEST(Registration, YesToTheQuestion_LeavesTheRestUnregistered) {
    HOLDER other({{CTRL_SHIFT, 'H'}});
    ASSERT_TRUE(other.Holding());
    WithProbe(NothingStored, [](HOTKEY_PROBE& probe) {
        HOTKEY_TABLE table;
        QUESTIONS asked = Answering(probe, IDYES, [&] { LoadHotkeys(probe, table); });
        EXPECT_EQ(1u, asked.texts.size());
        EXPECT_EQ((std::vector<int>{0, 0}), Registered(table));
        EXPECT_TRUE(FreeForOthers(CTRL_SHIFT, 'M'));
    });
}

// The second refusal leaves nothing registered: there is nothing to stop.
TEST(Registration, BothHeldElsewhere_AsksOnlyForTheFirst) {
    HOLDER other({{CTRL_SHIFT, 'H'}, {CTRL_SHIFT, 'M'}});
    ASSERT_TRUE(other.Holding());
    WithProbe(NothingStored, [](HOTKEY_PROBE& probe) {
        HOTKEY_TABLE table;
        QUESTIONS asked = Answering(probe, IDNO, [&] { LoadHotkeys(probe, table); });
        ASSERT_EQ(1u, asked.texts.size());
        EXPECT_EQ(0u, asked.texts[0].find(L"The hotkey Ctrl+Shft+H for Hide Active\n"));
        EXPECT_EQ((std::vector<int>{0, 0}), Registered(table));
    });
}

TEST(Registration, TheOnlyBindingHeldElsewhere_AsksNothing) {
    HOLDER other({{CTRL_SHIFT, 'H'}});
    ASSERT_TRUE(other.Holding());
    WithProbe(NothingStored, [](HOTKEY_PROBE& probe) {
        HOTKEY_TABLE table = {DefaultBinding(HOTKEY_ID_HIDE_ACTIVE)};
        QUESTIONS asked = Answering(probe, IDNO, [&] { RegisterHotkeys(probe, table); });
        EXPECT_TRUE(asked.texts.empty());
        EXPECT_EQ((std::vector<int>{0}), Registered(table));
    });
}
