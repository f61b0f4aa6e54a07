// viewer_screenshot.exe FOLDER [main NAME | rules]: not a test. With "main",
// holds the main window listing three windows, photographed as NAME (the
// gallery's main window, at 96 DPI and at 144). With "rules", the context
// menu of an entry and then the Rules dialog. Otherwise holds the "Hidden Windows" viewer
// with three hidden windows listed, then, with those windows back, the main
// window with the picker icon's help popup, while
// scripts/screenshots.sh viewer photographs each (the hand-shake of
// support/Screen.h in FOLDER).

#include "ViewerDesktop.h"

#include "support/Screen.h"

#include <cstdio>

namespace {

bool Fail(const char* what) {
    std::printf("%s\n", what);
    return false;
}

// Drawn once two looks a moment apart see the same pixels.
void WaitUntilDrawn(const RECT& rect) {
    PIXELS before;
    for (int look = 0; look < 50; ++look) {
        PIXELS now = ScreenPixels(rect);
        if (!now.empty() && now == before)
            return;
        before = now;
        PumpFor(100);
    }
}

bool Photograph(const std::string& folder, const char* name, const RECT& rect) {
    WaitUntilDrawn(rect);
    return AwaitScreenshot(folder, name, rect);
}

bool PhotographViewer(const std::string& folder, const VAYLO& vaylo, TARGETS& targets) {
    const std::wstring names[3] = {L"Notes - report.txt", L"Calculator", L"Inbox - Mail"};
    if (!targets.Start({L"titled:" + names[0], L"titled:" + names[1], L"titled:" + names[2]}))
        return Fail("targets.exe did not show its windows");
    for (const std::wstring& name : names)
        if (!HideFromOutside(targets.Window(name)))
            return Fail("a target window did not stay hidden");
    HWND viewer = OpenViewer(vaylo);
    if (viewer == nullptr)
        return Fail("the viewer did not open");
    RECT rect = {};
    GetWindowRect(viewer, &rect);
    bool shot = Photograph(folder, "hidden-windows-viewer", rect);
    CloseViewer(viewer);
    if (!shot)
        return Fail("no screenshot of the viewer");
    // Back in the main window's list for the next picture.
    for (const std::wstring& name : names) {
        ShowWindow(targets.Window(name), SW_SHOWNOACTIVATE);
        if (!vaylo.WaitListed(name))
            return Fail("a target window did not come back into the list");
    }
    return true;
}

// The pointer comes from beside the icon and rests on it, as a user's does.
bool PhotographPickerTip(const std::string& folder, const VAYLO& vaylo) {
    RECT icon = {};
    GetWindowRect(GetDlgItem(vaylo.main, PICKER_ID), &icon);
    // Above the target windows, which came back where they were.
    SetWindowPos(vaylo.main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(vaylo.main);
    MovePointer(POINT{icon.left - 8, (icon.top + icon.bottom) / 2});
    MovePointer(POINT{(icon.left + icon.right) / 2, (icon.top + icon.bottom) / 2});
    std::vector<HWND> tooltips = TooltipsOf(vaylo.main);
    if (tooltips.empty() || !PumpUntil([&] { return IsWindowVisible(tooltips.front()); }))
        return Fail("the picker icon's tip did not show");
    RECT window = {}, tip = {}, both = {};
    GetWindowRect(vaylo.main, &window);
    GetWindowRect(tooltips.front(), &tip);
    UnionRect(&both, &window, &tip);
    return Photograph(folder, "help-popup", both) || Fail("no screenshot of the help popup");
}

// The main window listing three windows, photographed as name.
bool PhotographMain(const std::string& folder, const char* name) {
    SCRATCH_KEY settings(VAYLO_KEY);
    VAYLO vaylo;
    TARGETS targets;
    if (!vaylo.Start())
        return Fail("Vaylo.exe did not show its main window");
    const std::wstring names[3] = {L"Notes - report.txt", L"Calculator", L"Inbox - Mail"};
    bool listed = targets.Start({L"titled:" + names[0], L"titled:" + names[1], L"titled:" + names[2]});
    for (const std::wstring& title : names)
        listed = listed && vaylo.WaitListed(title);
    SetWindowPos(vaylo.main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(vaylo.main);
    RECT rect = {};
    GetWindowRect(vaylo.main, &rect);
    bool shot = listed && Photograph(folder, name, rect);
    vaylo.Exit();
    return shot || Fail("no screenshot of the main window");
}

// Two rules stored: the entry's menu shows one checked; the dialog lists both.
bool PhotographRules(const std::string& folder) {
    ClearRules();
    DWORD const whenMinimised = 1, both = 3;
    WriteRule(TargetsProgram(), REG_DWORD, std::string(reinterpret_cast<const char*>(&whenMinimised), 4));
    WriteRule(L"C:\\Program Files\\Chat\\chat.exe", REG_DWORD,
              std::string(reinterpret_cast<const char*>(&both), 4));
    SCRATCH_KEY settings(VAYLO_KEY);
    VAYLO vaylo;
    TARGETS targets;
    if (!vaylo.Start())
        return Fail("Vaylo.exe did not show its main window");
    const std::wstring names[3] = {L"Notes - report.txt", L"Calculator", L"Inbox - Mail"};
    bool listed = targets.Start({L"titled:" + names[0], L"titled:" + names[1], L"titled:" + names[2]});
    for (const std::wstring& title : names)
        listed = listed && vaylo.WaitListed(title);
    SetWindowPos(vaylo.main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(vaylo.main);
    RECT entry = {};
    HWND menu = nullptr;
    bool opened = listed && vaylo.SelectEntry(names[2]) && vaylo.EntryRect(vaylo.IndexOf(names[2]), entry) &&
                  PostMessageW(vaylo.main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(vaylo.list),
                               MAKELPARAM(entry.left + 40, (entry.top + entry.bottom) / 2)) &&
                  PumpUntil([&] { return (menu = vaylo.MenuWindow()) != nullptr && IsWindowVisible(menu); });
    RECT window = {}, popup = {}, whole = {};
    GetWindowRect(vaylo.main, &window);
    if (menu != nullptr)
        GetWindowRect(menu, &popup);
    UnionRect(&whole, &window, &popup);
    bool shot = opened && Photograph(folder, "list-context-menu", whole);
    HWND dialog = nullptr;
    if (shot && vaylo.ChooseMenuItem(menu, 3) &&
        (dialog = WaitForWindow(ProcessDialog(vaylo.process.Id(), L"Rules"))) != nullptr) {
        SendDlgItemMessageW(dialog, IDC_RULE_LIST, LB_SETCURSEL, 1, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_RULE_LIST, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDC_RULE_LIST)));
        RECT rect = {};
        GetWindowRect(dialog, &rect);
        shot = Photograph(folder, "rules-dialog", rect);
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        PumpUntil([&] { return !IsWindow(dialog); });
    } else {
        shot = false;
    }
    vaylo.Exit();
    ClearRules();
    return shot || Fail("no screenshot of the context menu or the Rules dialog");
}

bool PhotographAll(const std::string& folder) {
    SCRATCH_KEY settings(VAYLO_KEY);
    VAYLO vaylo;
    TARGETS targets;
    if (!vaylo.Start())
        return Fail("Vaylo.exe did not show its main window");
    bool shot = PhotographViewer(folder, vaylo, targets) && PhotographPickerTip(folder, vaylo);
    vaylo.Exit();
    return shot;
}

} // namespace

int main(int argc, char** argv) {
    bool rules = argc == 3 && std::string(argv[2]) == "rules";
    if (argc < 2 || (argc > 2 && !rules && (argc != 4 || std::string(argv[2]) != "main"))) {
        std::printf("usage: viewer_screenshot FOLDER [main NAME | rules]\n");
        return 2;
    }
    if (!MainWindowsOfAnyProcess().empty()) {
        std::printf("an instance of Vaylo.exe is already running\n");
        return 1;
    }
    if (argc == 4)
        return PhotographMain(argv[1], argv[3]) ? 0 : 1;
    if (rules)
        return PhotographRules(argv[1]) ? 0 : 1;
    return PhotographAll(argv[1]) ? 0 : 1;
}
