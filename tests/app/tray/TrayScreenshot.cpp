// tray_screenshot.exe FOLDER [titles]: not a test. Opens the tray menu with
// three hidden-window items and holds it open while scripts/screenshots.sh
// tray photographs it (the hand-shake of support/Screen.h in FOLDER). With
// "titles", the main window and the menu beside it, listing and holding
// windows titled in Japanese, Cyrillic and Greek and with an emoji.

#include "Desktop.h"

#include "support/Screen.h"

#include <cstdio>

namespace {

bool Fail(const char* what) {
    std::printf("%s\n", what);
    return false;
}

// Opens the tray menu at the point and waits until it is drawn; null when it
// did not open.
HWND OpenMenuAt(const VAYLO& vaylo, POINT point) {
    SetCursorPos(point.x, point.y);
    PostMessageW(vaylo.main, WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    if (!PumpUntil([&] { return (menu = vaylo.MenuWindow()) != nullptr; }))
        return nullptr;
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
    return menu;
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

    HWND menu = OpenMenuAt(vaylo, POINT{620, 300});
    if (menu == nullptr)
        return Fail("the tray menu did not open");
    RECT rect = {};
    GetWindowRect(menu, &rect);
    bool shot = AwaitScreenshot(folder, "tray-menu", rect);
    vaylo.CloseMenu(menu);
    vaylo.Exit();
    return shot || Fail("no screenshot of the tray menu");
}

// Three windows stay listed, three more are held in the menu, which opens
// beside the main window; both are photographed together.
bool PhotographTitles(const std::string& folder) {
    SCRATCH_KEY settings(VAYLO_KEY);
    HideToTrayQuietly(settings);
    VAYLO vaylo;
    TARGETS targets;
    if (!vaylo.Start())
        return Fail("Vaylo.exe did not show its main window");
    const std::wstring listed[3] = {L"\u6771\u4eac\u306e\u5929\u6c17 - \u30d6\u30e9\u30a6\u30b6",
                                    L"\u041c\u043e\u0441\u043a\u0432\u0430 - \u041a\u0430\u0440\u0442\u044b",
                                    L"\u0391\u03b8\u03ae\u03bd\u03b1 \u2615 "
                                    L"\u03a3\u03b7\u03bc\u03b5\u03b9\u03ce\u03c3\u03b5\u03b9\u03c2"};
    const std::wstring held[3] = {
        L"\u4f1a\u8b70\u30e1\u30e2.txt - \u30e1\u30e2\u5e33",
        L"\u041e\u0442\u0447\u0451\u0442 \u0437\u0430 \u043a\u0432\u0430\u0440\u0442\u0430\u043b",
        L"\u0397\u03bc\u03b5\u03c1\u03bf\u03bb\u03cc\u03b3\u03b9\u03bf \u2615"};
    std::vector<std::wstring> specs;
    for (const std::wstring& title : listed)
        specs.push_back(L"titled:" + title);
    for (const std::wstring& title : held)
        specs.push_back(L"titled:" + title);
    if (!targets.Start(specs))
        return Fail("targets.exe did not show its windows");
    for (const std::wstring& title : held)
        if (!vaylo.WaitListed(title) || !vaylo.DoubleClickEntry(title) ||
            !WaitVisible(targets.Window(title), false))
            return Fail("a window was not hidden into the menu");
    for (const std::wstring& title : listed)
        if (!vaylo.WaitListed(title))
            return Fail("a window was not listed");

    SetWindowPos(vaylo.main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(vaylo.main);
    RECT window = {};
    GetWindowRect(vaylo.main, &window);
    HWND menu = OpenMenuAt(vaylo, POINT{window.right + 16, window.top + 24});
    if (menu == nullptr)
        return Fail("the tray menu did not open");
    RECT rect = {}, both = {};
    GetWindowRect(menu, &rect);
    UnionRect(&both, &window, &rect);
    bool shot = AwaitScreenshot(folder, "unicode-titles", both);
    vaylo.CloseMenu(menu);
    vaylo.Exit();
    return shot || Fail("no screenshot of the titles");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (argc > 2 && (argc != 3 || std::string(argv[2]) != "titles"))) {
        std::printf("usage: tray_screenshot FOLDER [titles]\n");
        return 2;
    }
    if (!MainWindowsOfAnyProcess().empty()) {
        std::printf("an instance of Vaylo.exe is already running\n");
        return 1;
    }
    if (argc == 3)
        return PhotographTitles(argv[1]) ? 0 : 1;
    return PhotographMenu(argv[1]) ? 0 : 1;
}
