// picker_probe.exe: the Windows side of the drag picker test. The script moves
// the real pointer with xdotool; this program finds where to move it and reads
// back what the running Vaylo.exe did. One command per start:
//
//   point-icon                 centre of the picker icon (control 1011)
//   point-background           a point on the main window's own background
//   point-list                 a point on the main window's list
//   point-child TITLE          a point on the child control of the window TITLE
//   point-desktop              a point where only the desktop lies
//   select TITLE | select-none set the list's selection from outside
//   selection                  print the selected entry's text
//   wait-listed TITLE          exit 0 once TITLE is listed
//   wait-main-visible 0|1      exit 0 once the main window's visibility is that
//   exit                       end Vaylo through its Exit button and wait
//   close TITLE                ask the window TITLE to close
//   window-at X Y              print the title of the outermost window at X Y
//   wait-pointer X Y           exit 0 once the pointer is seen at X Y
//
// Points are printed as "x y" in screen coordinates. With VAYLO_DESKTOP set,
// the probe works on that desktop (a Wine virtual desktop the script made),
// whose origin lies at the X screen's. Exit code 0 on success.

#include "Desktop.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND FindMain() {
    std::vector<HWND> mains = MainWindowsOfAnyProcess();
    return mains.empty() ? nullptr : mains.front();
}

std::wstring Wide(const char* text) {
    std::wstring wide;
    while (*text)
        wide.push_back(static_cast<unsigned char>(*text++));
    return wide;
}

// The first point of a grid over rect at which hit(WindowFromPoint) holds.
template <typename HIT> bool FindPoint(const RECT& rect, HIT hit, POINT& found) {
    for (LONG y = rect.top + 4; y < rect.bottom - 4; y += 6)
        for (LONG x = rect.left + 4; x < rect.right - 4; x += 6) {
            POINT point = {x, y};
            if (hit(WindowFromPoint(point))) {
                found = point;
                return true;
            }
        }
    return false;
}

int PrintPoint(bool ok, POINT point) {
    if (!ok)
        return 1;
    std::printf("%ld %ld\n", static_cast<long>(point.x), static_cast<long>(point.y));
    return 0;
}

// The visible top-level window with exactly that title, or null.
HWND Titled(const char* title) {
    std::wstring wide = Wide(title);
    WINDOW_QUERY query;
    query.title = wide.c_str();
    return FirstWindow(query);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    // Before any window of this thread exists, or the switch is refused.
    // The desktop appears once the script's first start on it has run.
    if (const char* desktopName = std::getenv("VAYLO_DESKTOP")) {
        HDESK desktop = nullptr;
        PollUntil([&] { return (desktop = OpenDesktopA(desktopName, 0, FALSE, GENERIC_ALL)) != nullptr; },
                  START_TIMEOUT_MS);
        if (desktop == nullptr || !SetThreadDesktop(desktop))
            return 4;
    }
    const char* command = argv[1];
    const char* argument = argc >= 3 ? argv[2] : "";
    // The running instance, attached to rather than started.
    VAYLO vaylo;
    vaylo.main = FindMain();
    vaylo.list = vaylo.main != nullptr ? GetDlgItem(vaylo.main, IDC_WINDOW_LIST) : nullptr;

    if (std::strcmp(command, "wait-main-visible") == 0) {
        bool visible = std::strcmp(argument, "1") == 0;
        return PumpUntil(
                   [&] {
                       HWND main = FindMain();
                       return main != nullptr && (IsWindowVisible(main) != FALSE) == visible;
                   },
                   WAIT_MS)
                   ? 0
                   : 1;
    }
    if (std::strcmp(command, "close") == 0) {
        HWND window = Titled(argument);
        return window != nullptr && PostMessageW(window, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (std::strcmp(command, "wait-pointer") == 0 && argc >= 4) {
        POINT wanted = {std::atol(argv[2]), std::atol(argv[3])};
        return PumpUntil(
                   [&] {
                       POINT at = {};
                       return GetCursorPos(&at) && at.x == wanted.x && at.y == wanted.y;
                   },
                   WAIT_MS)
                   ? 0
                   : 1;
    }
    if (std::strcmp(command, "window-at") == 0 && argc >= 4) {
        HWND window = WindowFromPoint(POINT{std::atol(argv[2]), std::atol(argv[3])});
        while (window != nullptr && GetParent(window) != nullptr)
            window = GetParent(window);
        std::printf("%s\n", Narrow(TitleOf(window)).c_str());
        return 0;
    }
    if (vaylo.main == nullptr)
        return 3;

    POINT point = {};
    if (std::strcmp(command, "point-icon") == 0) {
        RECT rect;
        if (!GetWindowRect(GetDlgItem(vaylo.main, IDC_PICKER), &rect))
            return 1;
        return PrintPoint(true, POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
    }
    if (std::strcmp(command, "point-background") == 0) {
        RECT rect;
        GetWindowRect(vaylo.main, &rect);
        return PrintPoint(FindPoint(
                              rect, [&](HWND hit) { return hit == vaylo.main; }, point),
                          point);
    }
    if (std::strcmp(command, "point-list") == 0) {
        RECT rect;
        GetWindowRect(vaylo.list, &rect);
        return PrintPoint(FindPoint(
                              rect, [&](HWND hit) { return hit == vaylo.list; }, point),
                          point);
    }
    if (std::strcmp(command, "point-child") == 0) {
        HWND found = Titled(argument);
        HWND child = found != nullptr ? GetWindow(found, GW_CHILD) : nullptr;
        RECT rect;
        if (child == nullptr || !GetWindowRect(child, &rect))
            return 1;
        return PrintPoint(FindPoint(
                              rect, [&](HWND hit) { return hit == child; }, point),
                          point);
    }
    if (std::strcmp(command, "point-desktop") == 0) {
        // From the bottom-right corner, where no test window lies.
        RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        RECT corner = {screen.right - 200, screen.bottom - 200, screen.right, screen.bottom};
        return PrintPoint(FindPoint(
                              corner, [&](HWND hit) { return hit == GetDesktopWindow(); }, point),
                          point);
    }
    if (std::strcmp(command, "select") == 0) {
        return vaylo.SelectEntry(Wide(argument)) ? 0 : 1;
    }
    if (std::strcmp(command, "select-none") == 0) {
        vaylo.Select(-1);
        return vaylo.Selection() == LB_ERR ? 0 : 1;
    }
    if (std::strcmp(command, "selection") == 0) {
        std::printf("%s\n", Narrow(vaylo.SelectedText()).c_str());
        return 0;
    }
    if (std::strcmp(command, "wait-listed") == 0)
        return vaylo.WaitListed(Wide(argument)) ? 0 : 1;
    if (std::strcmp(command, "exit") == 0) {
        PostMessageW(vaylo.main, WM_COMMAND, IDC_EXIT, 0);
        return PumpUntil([] { return FindMain() == nullptr; }, EXIT_TIMEOUT_MS) ? 0 : 1;
    }
    return 2;
}
