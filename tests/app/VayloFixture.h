#pragma once
// A fresh Vaylo.exe for each test, with its settings key thrown away before
// and after (closing and minimising then go to the tray without a question
// unless the test asks otherwise), and up to two helper processes of target
// windows. The members end in reverse order: Vaylo first, then the targets,
// then the settings, also when an assertion failed half-way.

#include "Desktop.h"

#include "support/Dialog.h"

#include <gtest/gtest.h>

class VayloTest : public ::testing::Test {
  protected:
    explicit VayloTest(bool quietTray = true) {
        if (quietTray)
            HideToTrayQuietly();
        ClearHeldRecord(); // a killed run's windows are none of this test's
    }
    void SetUp() override {
        ASSERT_TRUE(MainWindowsOfAnyProcess().empty()) << "an instance is already running";
        serial = ++lastSerial;
        ASSERT_TRUE(vaylo.Start(program)) << program << " did not show its main window";
    }
    void TearDown() override {
        // A dialog left open would hold the main window's end back.
        if (vaylo.process.IsRunning()) {
            for (HWND dialog : FindWindows(ProcessDialog(vaylo.process.Id())))
                if (GetWindow(dialog, GW_OWNER) != nullptr)
                    Cancel(dialog);
            PumpUntil([&] { return !HasOwnedDialog(); }, 5000);
        }
        vaylo.Exit();
    }

    // Closing and minimising go to the tray without a question or a notice.
    void HideToTrayQuietly() const { ::HideToTrayQuietly(settings); }
    void UsePassword(const char* password) const {
        settings.SetDword("Password", "UseSystrayPassword", 1);
        settings.SetString("Password", "Password", password);
    }

    // Unique to this test; titles of one test sort by name.
    std::wstring Title(const wchar_t* name) const { return RunTitle(serial, name); }
    static std::wstring Titled(const std::wstring& title) { return L"titled:" + title; }
    static bool MakeForeground(HWND window) { return BringToFront(window); }

    // Titled target windows, started together; true once Vaylo lists them all.
    bool StartListedTargets(const std::vector<std::wstring>& titles) {
        std::vector<std::wstring> specs;
        for (const std::wstring& title : titles)
            specs.push_back(Titled(title));
        if (!targets.Start(specs))
            return false;
        for (const std::wstring& title : titles)
            if (!vaylo.WaitListed(title))
                return false;
        return true;
    }
    // One titled target window, once Vaylo lists it; null when it never shows.
    HWND StartListed(const std::wstring& title) {
        return StartListedTargets({title}) ? targets.Window(title) : nullptr;
    }

    // The tray menu's height without hidden-window items, measured once the
    // test has started; false when the menu did not open.
    int emptyMenuHeight = 0;
    bool MeasureEmptyMenu() { return (emptyMenuHeight = vaylo.MenuHeightWithoutItems()) > 0; }
    int HiddenItems() const { return vaylo.CountHiddenItems(emptyMenuHeight); }

    // The three listed windows are hidden; then the first comes back by other
    // means and the second closes, so the opened menu holds only the third,
    // and choosing it shows it again. Needs MeasureEmptyMenu first.
    void HideThreeThenExpectOnlyTheThirdInTheMenu(const std::wstring& shownTitle,
                                                  const std::wstring& closedTitle,
                                                  const std::wstring& keptTitle) {
        HWND shown = targets.Window(shownTitle), closed = targets.Window(closedTitle),
             kept = targets.Window(keptTitle);
        for (const std::wstring& title : {shownTitle, closedTitle, keptTitle})
            ASSERT_TRUE(vaylo.DoubleClickEntry(title));
        ASSERT_TRUE(WaitVisible(kept, false));
        ShowWindow(shown, SW_SHOWNOACTIVATE);
        PostMessageW(closed, WM_CLOSE, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindow(closed); }));

        HWND menu = vaylo.OpenMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(VAYLO::HiddenItems(menu, emptyMenuHeight), 1)
            << "menu height " << Height(menu) << ", without items " << emptyMenuHeight;
        ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 0));
        EXPECT_TRUE(WaitVisible(kept, true));
    }

    SCRATCH_KEY settings{VAYLO_KEY};
    std::string program = VayloPath(); // the build each test starts; a derived fixture may set another
    TARGETS targets;
    TARGETS more;
    VAYLO vaylo;
    unsigned serial = 0;

  private:
    bool HasOwnedDialog() const {
        for (HWND dialog : FindWindows(ProcessDialog(vaylo.process.Id())))
            if (GetWindow(dialog, GW_OWNER) != nullptr)
                return true;
        return false;
    }
    static inline unsigned lastSerial = 0;
};

// Wine's notepad, a real program, with its listable window.
class NOTEPAD {
  public:
    bool Start() {
        if (!process.Start(nullptr, "notepad.exe"))
            return false;
        WINDOW_QUERY windows;
        windows.processId = process.Id();
        return PumpUntil(
            [&] {
                window = nullptr;
                for (HWND candidate : FindWindows(windows))
                    if (ListableWindow(candidate))
                        window = candidate;
                return window != nullptr;
            },
            START_TIMEOUT_MS);
    }
    CHILD_PROCESS process;
    HWND window = nullptr;
};
