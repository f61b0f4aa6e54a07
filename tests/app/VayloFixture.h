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

    // The tray menu's height without hidden-window items, measured once the
    // test has started; ASSERT on it being positive.
    int emptyMenuHeight = 0;
    void MeasureEmptyMenu() { emptyMenuHeight = vaylo.MenuHeightWithoutItems(); }
    int HiddenItems() const { return vaylo.CountHiddenItems(emptyMenuHeight); }

    TRAY_SETTINGS tray;
    TARGETS targets;
    TARGETS more;
    VAYLO vaylo;
    unsigned serial = 0;

  private:
    static inline unsigned lastSerial = 0;
};
