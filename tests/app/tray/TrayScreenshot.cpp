// tray_screenshot.exe FOLDER: not a test. Opens the tray menu with three
// hidden-window items and holds it open while scripts/screenshots.sh tray
// photographs it (the hand-shake of support/Screen.h in FOLDER).

#include "Desktop.h"

#include "support/Screen.h"

#include <cstdio>

namespace {

bool Fail(const char* what) {
    std::printf("%s\n", what);
    return false;
}

bool PhotographMenu(const std::string& folder) {
    SCRATCH_KEY settings(VAYLO_KEY);
    HideToTrayQuietly(settings);
    VAYLO vaylo;
    TARGETS targets;
    if (!vaylo.Start())
        return Fail("Vaylo.exe did not show its main window");
    const std::wstring names[3] = {L"Notes - report.txt", L"Calculator", L"Inbox - Mail"};
    if (!targets.Start({L"titled:" + names[0], L"titled:" + names[1], L"titled:" + names[2]}))
        return Fail("targets.exe did not show its windows");
    for (const std::wstring& name : names)
        if (!vaylo.WaitListed(name) || !vaylo.DoubleClickEntry(name) ||
            !WaitVisible(targets.Window(name), false))
            return Fail("a window was not hidden into the menu");
    PostMessageW(vaylo.main, WM_CLOSE, 0, 0);
    if (!WaitVisible(vaylo.main, false))
        return Fail("the main window did not go to the tray");

    SetCursorPos(620, 300);
    PostMessageW(vaylo.main, WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    if (!PumpUntil([&] { return (menu = vaylo.MenuWindow()) != nullptr; }))
        return Fail("the tray menu did not open");
    // Drawn once two looks a moment apart see the same pixels.
    RECT rect = {};
    GetWindowRect(menu, &rect);
    PIXELS before;
    for (int look = 0; look < 50; ++look) {
        PIXELS now = ScreenPixels(rect);
        if (!now.empty() && now == before)
            break;
        before = now;
        PumpFor(100);
    }
    bool shot = AwaitScreenshot(folder, "tray-menu", rect);
    vaylo.CloseMenu(menu);
    vaylo.Exit();
    return shot || Fail("no screenshot of the tray menu");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: tray_screenshot FOLDER\n");
        return 2;
    }
    if (!MainWindowsOfAnyProcess().empty()) {
        std::printf("an instance of Vaylo.exe is already running\n");
        return 1;
    }
    return PhotographMenu(argv[1]) ? 0 : 1;
}
