#pragma once
// A fresh Vaylo.exe for each test, with closing set to hide it to the tray
// without a question, and up to two helper processes of target windows. The
// members end in reverse order: Vaylo first, then the targets, then the
// settings go back, also when an assertion failed half-way.

#include "Desktop.h"

#include <gtest/gtest.h>

class VayloTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(MainWindowsOfAnyProcess().empty()) << "an instance is already running";
        serial = ++lastSerial;
        ASSERT_TRUE(vaylo.Start()) << "Vaylo.exe did not show its main window";
    }
    void TearDown() override { vaylo.Exit(); }

    // Unique to this test; titles of one test sort by name.
    std::wstring Title(const wchar_t* name) const { return RunTitle(serial, name); }
    static std::wstring Titled(const std::wstring& title) { return L"titled:" + title; }

    // One titled target window, once Vaylo lists it; null when it never shows.
    HWND StartListed(const std::wstring& title) {
        if (!targets.Start({Titled(title)}) || !vaylo.WaitListed(title))
            return nullptr;
        return targets.Window(title);
    }

    // The tray menu's height without hidden-window items, measured once the
    // test has started; ASSERT on it being positive.
    int emptyMenuHeight = 0;
    void MeasureEmptyMenu() { emptyMenuHeight = vaylo.MenuHeightWithoutItems(); }
    int HiddenItems() const { return vaylo.CountHiddenItems(emptyMenuHeight); }

    // The three listed windows are hidden; then the first comes back by other
    // means and the second closes, so the opened menu holds only the third,
    // and choosing it shows it again. Needs MeasureEmptyMenu first.
    void HideThreeThenExpectOnlyTheThirdInTheMenu(const std::wstring& shownTitle, const std::wstring& closedTitle,
                                                 const std::wstring& keptTitle) {
        HWND shown = targets.Window(shownTitle), closed = targets.Window(closedTitle),
             kept = targets.Window(keptTitle);
        for (const std::wstring& title : {shownTitle, closedTitle, keptTitle})
            ASSERT_TRUE(vaylo.DoubleClickEntry(title));
        ASSERT_TRUE(WaitVisible(kept, false));
        ShowWindow(shown, SW_SHOWNOACTIVATE);
        PostMessageW(closed, WM_CLOSE, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(closed); }, WAIT_MS));

        HWND menu = vaylo.OpenMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(VAYLO::HiddenItems(menu, emptyMenuHeight), 1)
            << "menu height " << Height(menu) << ", without items " << emptyMenuHeight;
        ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 0));
        EXPECT_TRUE(WaitVisible(kept, true));
    }

    TRAY_SETTINGS tray;
    TARGETS targets;
    TARGETS more;
    VAYLO vaylo;
    unsigned serial = 0;

  private:
    static inline unsigned lastSerial = 0;
};

// Wine's notepad, a real program, with its listable window.
class NOTEPAD {
  public:
    bool Start() {
        if (!process.Start(nullptr, "notepad.exe"))
            return false;
        return PumpUntil(
            [&] {
                window = nullptr;
                for (HWND candidate : VisibleTopLevelWindows(process.Id()))
                    if (ListableWindow(candidate))
                        window = candidate;
                return window != nullptr;
            },
            START_TIMEOUT_MS);
    }
    CHILD_PROCESS process;
    HWND window = nullptr;
};
