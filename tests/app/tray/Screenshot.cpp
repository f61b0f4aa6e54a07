// Not a check: with VAYLO_SCREENSHOT_DIR set (scripts/screenshots.sh tray does it) the
// open tray menu with three hidden-window items is held open for the script
// to photograph. Skipped otherwise.

#include "TrayDesktop.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool FileThere(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// "<name>.ready" holds the rectangle; the script answers with "<name>.done".
bool Photograph(const std::string& folder, const char* name, const RECT& rect) {
    std::string base = folder + "\\" + name;
    FILE* file = std::fopen((base + ".tmp").c_str(), "w");
    if (file == nullptr)
        return false;
    std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    std::fclose(file);
    MoveFileA((base + ".tmp").c_str(), (base + ".ready").c_str());
    bool done = PumpUntil([&] { return FileThere(base + ".done"); }, 60000);
    DeleteFileA((base + ".done").c_str());
    return done;
}

using Screenshot = TrayTest;

TEST_F(Screenshot, TrayMenuWithHiddenWindows) {
    const char* folder = std::getenv("VAYLO_SCREENSHOT_DIR");
    if (folder == nullptr)
        GTEST_SKIP() << "VAYLO_SCREENSHOT_DIR not set";
    std::wstring names[3] = {L"Notes - report.txt", L"Calculator", L"Inbox - Mail"};
    ASSERT_TRUE(targets.Start({Titled(names[0]), Titled(names[1]), Titled(names[2])}));
    for (const std::wstring& name : names) {
        ASSERT_TRUE(vaylo.WaitListed(name));
        ASSERT_TRUE(vaylo.DoubleClickEntry(name));
        ASSERT_TRUE(WaitVisible(targets.Window(name), false));
    }
    ASSERT_TRUE(HideMain());

    SetCursorPos(620, 300);
    Tray(WM_RBUTTONUP);
    HWND menu = WaitMenuWindow();
    ASSERT_NE(menu, nullptr);
    // Let the items draw.
    PumpUntil([] { return false; }, 500);
    RECT rect = {};
    GetWindowRect(menu, &rect);
    EXPECT_TRUE(Photograph(folder, "tray-menu", rect));
    EXPECT_TRUE(vaylo.CloseMenu(menu));
}

} // namespace
