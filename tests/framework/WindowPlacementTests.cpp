// Remembered placement and font, read back from the real registry and the
// real windows: a named dialog of the framework puts itself back at
// WM_INITDIALOG and stores itself on the system commands and at WM_DESTROY.

#include "ProbeIds.h"

#include "framework/Metrics.h"
#include "framework/ModalDialog.h"
#include "framework/WindowPlacement.h"
#include "support/ModalProbe.h"
#include "support/Registry.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

char const kName[] = "VayloPlacementTest";
char const kKeyPath[] = "Software\\MorvaneUtilities\\VayloPlacementTest";
char const kSubkey[] = "MainWindow";

// A window with a name, so it remembers its placement under kKeyPath.
class NAMED_PROBE : public MODAL_PROBE<NAMED_PROBE, MV_MODALDIALOG> {
  public:
    NAMED_PROBE(UINT dialogTemplate, BODY testBody, const char* name = kName)
        : MODAL_PROBE(std::move(testBody), name, dialogTemplate, nullptr, GetModuleHandleA(nullptr)) {}
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM) override {
        ProbeMessage(message, wParam);
        return FALSE;
    }
};

RECT Desktop() {
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    return desktop;
}

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

// The rectangle a maximized or minimized window comes back to, in screen
// coordinates (the placement's are relative to the work area).
RECT NormalRect(HWND window) {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    RECT work = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    OffsetRect(&placement.rcNormalPosition, work.left, work.top);
    return placement.rcNormalPosition;
}

std::string Describe(const RECT& rect) {
    return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," + std::to_string(rect.right) +
           "," + std::to_string(rect.bottom);
}

bool IsTopMost(HWND window) {
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

class PLACEMENT_KEY : public SCRATCH_KEY {
  public:
    PLACEMENT_KEY() : SCRATCH_KEY(kKeyPath) {}
    void Store(const RECT& rect, DWORD state, DWORD topMost = 0) const {
        SetDword(kSubkey, "WPLeft", static_cast<DWORD>(rect.left));
        SetDword(kSubkey, "WPTop", static_cast<DWORD>(rect.top));
        SetDword(kSubkey, "WPRight", static_cast<DWORD>(rect.right));
        SetDword(kSubkey, "WPBottom", static_cast<DWORD>(rect.bottom));
        SetDword(kSubkey, "WinState", state);
        SetDword(kSubkey, "TopMost", topMost);
    }
    // The stored rectangle, the edges read as signed numbers.
    std::string Stored() const {
        RECT rect = {static_cast<LONG>(Dword(kSubkey, "WPLeft")), static_cast<LONG>(Dword(kSubkey, "WPTop")),
                     static_cast<LONG>(Dword(kSubkey, "WPRight")),
                     static_cast<LONG>(Dword(kSubkey, "WPBottom"))};
        return Describe(rect);
    }
    long long State() const { return Dword(kSubkey, "WinState"); }
};

// The size a dialog template gets on screen, from an unnamed run that
// remembers nothing.
SIZE TemplateSize(UINT dialogTemplate) {
    SIZE size = {};
    NAMED_PROBE measured(
        dialogTemplate,
        [&](NAMED_PROBE& d) {
            RECT rect = WindowRect(d.Handle());
            size = SIZE{rect.right - rect.left, rect.bottom - rect.top};
        },
        nullptr);
    measured.Run();
    return size;
}

// ---------------------------------------------------------------- restore

TEST(Placement, FirstRun_OpensCentredAndStoresAllSevenValuesAtOnce) {
    PLACEMENT_KEY key;
    RECT seen = {};
    std::string stored;
    long long state = -1, topMost = -1, dpi = -1;
    NAMED_PROBE dialog(IDD_PROBE, [&](NAMED_PROBE& d) {
        seen = WindowRect(d.Handle());
        stored = key.Stored();
        state = key.State();
        topMost = key.Dword(kSubkey, "TopMost");
        dpi = key.Dword(kSubkey, "WPDpi");
    });
    dialog.Run();
    RECT desktop = Desktop();
    EXPECT_LE(std::abs((seen.left + seen.right) / 2 - desktop.right / 2), 1);
    EXPECT_LE(std::abs((seen.top + seen.bottom) / 2 - desktop.bottom / 2), 1);
    EXPECT_EQ(Describe(seen), stored);
    EXPECT_EQ(WINSTATE_NORMAL, state);
    EXPECT_EQ(0, topMost);
    EXPECT_EQ(SystemDpi(), dpi);
}

TEST(Placement, StoredMaximised_OpensAtTheStoredNormalRectangleThenMaximised) {
    PLACEMENT_KEY key;
    RECT normal = {100, 80, 700, 580};
    key.Store(normal, 0);
    bool zoomed = false;
    RECT comesBackTo = {};
    int winState = -1;
    NAMED_PROBE dialog(IDD_PROBE, [&](NAMED_PROBE& d) {
        zoomed = IsZoomed(d.Handle()) != FALSE;
        comesBackTo = NormalRect(d.Handle());
        winState = d.WinState();
    });
    dialog.Run();
    EXPECT_TRUE(zoomed);
    EXPECT_EQ(Describe(normal), Describe(comesBackTo));
    EXPECT_EQ(WINSTATE_MAXIMIZED, winState);
    // Closed while maximized: the state is kept, the normal rectangle too.
    EXPECT_EQ(WINSTATE_MAXIMIZED, key.State());
    EXPECT_EQ(Describe(normal), key.Stored());
}

// The dialog manager shows the window only after the probe's body: "not
// hidden" shows in the state the window keeps (stored again when it closes).
TEST(Placement, StoredMinimisedOrHidden_OpensAsANormalWindow) {
    PLACEMENT_KEY key;
    RECT normal = {150, 120, 650, 520};
    key.Store(normal, 1);
    bool iconic = true, zoomed = true;
    int winState = -1;
    RECT seen = {};
    NAMED_PROBE dialog(IDD_PROBE, [&](NAMED_PROBE& d) {
        iconic = IsIconic(d.Handle()) != FALSE;
        zoomed = IsZoomed(d.Handle()) != FALSE;
        winState = d.WinState();
        seen = WindowRect(d.Handle());
    });
    dialog.Run();
    EXPECT_FALSE(iconic);
    EXPECT_FALSE(zoomed);
    EXPECT_EQ(WINSTATE_NORMAL, winState);
    EXPECT_EQ(Describe(normal), Describe(seen));
    EXPECT_EQ(WINSTATE_NORMAL, key.State());
}

TEST(Placement, OffTheDesktop_IsMovedOntoItAndCutToIt) {
    RECT desktop = Desktop();
    LONG W = desktop.right, H = desktop.bottom;
    struct CASE {
        const char* name;
        RECT stored, expected;
    } const cases[] = {
        {"negative top: at the top edge, stored height", {200, -50, 600, 350}, {200, 0, 600, 400}},
        {"negative left: at the left edge, stored width", {-80, 100, 420, 500}, {0, 100, 500, 500}},
        {"wider than the desktop", {-10, 100, W + 300, 500}, {0, 100, W, 500}},
        {"taller than the desktop", {50, 10, 450, H + 500}, {50, 0, 450, H}},
        {"past the bottom right: moved back whole",
         {W - 100, H - 50, W + 300, H + 250},
         {W - 400, H - 300, W, H}},
        {"wholly off screen", {W + 500, H + 500, W + 900, H + 800}, {W - 400, H - 300, W, H}},
    };
    PLACEMENT_KEY key;
    for (const CASE& tested : cases) {
        key.Store(tested.stored, 2);
        RECT seen = {};
        NAMED_PROBE dialog(IDD_PROBE, [&](NAMED_PROBE& d) { seen = WindowRect(d.Handle()); });
        dialog.Run();
        EXPECT_EQ(Describe(tested.expected), Describe(seen)) << tested.name;
    }
}

// Missing edges take the screen quarters; so does a rectangle that is empty
// or inside out, of which nothing sensible can be made.
TEST(Placement, MissingEdgesOrAnInsideOutRectangle_TakeTheScreenQuarters) {
    unsigned width = static_cast<unsigned>(GetSystemMetrics(SM_CXSCREEN));
    unsigned height = static_cast<unsigned>(GetSystemMetrics(SM_CYSCREEN));
    RECT quarters = {static_cast<LONG>(width / 4), static_cast<LONG>(height / 4),
                     static_cast<LONG>(3 * width / 4), static_cast<LONG>(3 * height / 4)};
    PLACEMENT_KEY key;
    RECT seen = {};
    bool allRead = true;
    NAMED_PROBE dialog(IDD_PROBE, [&](NAMED_PROBE& d) {
        key.Delete(kSubkey, "WPLeft");
        key.Delete(kSubkey, "WPBottom");
        allRead = RestorePlacement(d.Settings(), kSubkey, d.Handle(), true);
        seen = WindowRect(d.Handle());
    });
    key.SetDword(kSubkey, "WinState", 2);
    dialog.Run();
    EXPECT_FALSE(allRead);
    EXPECT_EQ(Describe(quarters), Describe(seen));

    key.Store(RECT{600, 500, 100, 80}, 2);
    NAMED_PROBE insideOut(IDD_PROBE, [&](NAMED_PROBE& d) { seen = WindowRect(d.Handle()); });
    insideOut.Run();
    EXPECT_EQ(Describe(quarters), Describe(seen));
}

TEST(Placement, NotResizable_KeepsItsOwnSizeAndThatSizeIsWhatFits) {
    SIZE own = TemplateSize(IDD_PROBE_CHILD);
    ASSERT_GT(own.cx, 0);
    PLACEMENT_KEY key;
    key.Store(RECT{150, 120, 900, 900}, 2);
    RECT seen = {};
    NAMED_PROBE dialog(IDD_PROBE_CHILD, [&](NAMED_PROBE& d) { seen = WindowRect(d.Handle()); });
    dialog.Run();
    EXPECT_EQ(Describe(RECT{150, 120, 150 + own.cx, 120 + own.cy}), Describe(seen));

    // A stored rectangle smaller than the window at the far corner: the
    // window's own size would stick out, so it moves in.
    RECT desktop = Desktop();
    key.Store(RECT{desktop.right - 10, desktop.bottom - 10, desktop.right, desktop.bottom}, 2);
    NAMED_PROBE corner(IDD_PROBE_CHILD, [&](NAMED_PROBE& d) { seen = WindowRect(d.Handle()); });
    corner.Run();
    EXPECT_EQ(Describe(RECT{desktop.right - own.cx, desktop.bottom - own.cy, desktop.right, desktop.bottom}),
              Describe(seen));
}

TEST(Placement, TopMost_StoredOneMakesTheWindowTopMost_ZeroTakesItAway) {
    PLACEMENT_KEY key;
    key.Store(RECT{100, 100, 500, 400}, 2, 1);
    bool topMostOnOpening = false, stillTopMost = true, storedAgain = false;
    NAMED_PROBE dialog(IDD_PROBE, [&](NAMED_PROBE& d) {
        topMostOnOpening = IsTopMost(d.Handle());
        DWORD missing = 0; // a failed read of the window's own key must not stop the save
        d.Settings().ReadDword("NoSuchValue", missing);
        storedAgain = SavePlacement(d.Settings(), kSubkey, d.Handle(), WINSTATE_NORMAL) &&
                      key.Dword(kSubkey, "TopMost") == 1;
        key.SetDword(kSubkey, "TopMost", 0);
        RestorePlacement(d.Settings(), kSubkey, d.Handle(), true);
        stillTopMost = IsTopMost(d.Handle());
    });
    dialog.Run();
    EXPECT_TRUE(topMostOnOpening);
    EXPECT_TRUE(storedAgain);
    EXPECT_FALSE(stillTopMost);
    EXPECT_EQ(0, key.Dword(kSubkey, "TopMost"));
}

// A rectangle taken at another DPI has its size scaled to today's, its
// top-left corner kept; without a usable "WPDpi" it is applied as it is.
TEST(Placement, StoredAtAnotherDpi_ItsSizeIsScaledBeforeItIsApplied) {
    PLACEMENT_KEY key;
    REGKEY settings(HKEY_LOCAL_MACHINE, kKeyPath);
    HWND window = CreateWindowExA(0, "STATIC", "popup", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    int const now = SystemDpi();
    RECT const stored = {100, 100, 400, 300};
    struct CASE {
        const char* name;
        long long dpi; // -1: no value
        RECT placed;
    } const cases[] = {
        {"taken at half today's DPI: twice the size", now / 2, {100, 100, 700, 500}},
        {"taken at 1.5 times today's: two thirds, rounded", now * 3 / 2, {100, 100, 300, 233}},
        {"taken at today's DPI", now, stored},
        {"stored without a DPI", -1, stored},
        {"a DPI of 0", 0, stored},
        {"a damaged DPI", 0xFFFFFFFFLL, stored},
        {"a DPI above 960", 961, stored},
    };
    for (const CASE& tested : cases) {
        key.Store(stored, 2);
        if (tested.dpi < 0)
            key.Delete(kSubkey, "WPDpi");
        else
            key.SetDword(kSubkey, "WPDpi", static_cast<DWORD>(tested.dpi));
        RestorePlacement(settings, kSubkey, window, true);
        EXPECT_EQ(Describe(tested.placed), Describe(WindowRect(window))) << tested.name;
    }
    DestroyWindow(window);
    // Too large for MulDiv: left as it is, for fitting to deal with.
    RECT huge = {0, 0, INT_MAX, 10};
    EXPECT_EQ(Describe(huge), Describe(ScaleToDpi(huge, 48, 960)));
}

// ---------------------------------------------------------------- save

TEST(Placement, SavingWhileMaximisedOrMinimised_WritesOnlyWinState) {
    PLACEMENT_KEY key;
    RECT marker = {11, 22, 333, 444};
    key.Store(RECT{100, 100, 500, 400}, 2);
    bool savedMaximised = false, savedMinimised = false;
    std::string afterMaximised, afterMinimised;
    long long stateMaximised = -1, stateMinimised = -1;
    NAMED_PROBE dialog(IDD_PROBE, [&](NAMED_PROBE& d) {
        HWND window = d.Handle();
        SendMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        key.Store(marker, 7);
        savedMaximised = SavePlacement(d.Settings(), kSubkey, window, d.WinState());
        stateMaximised = key.State();
        afterMaximised = key.Stored();

        SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        key.Store(marker, 7);
        savedMinimised = SavePlacement(d.Settings(), kSubkey, window, d.WinState());
        stateMinimised = key.State();
        afterMinimised = key.Stored();
        key.Store(marker, 7); // the save at WM_DESTROY comes next, still minimized
    });
    dialog.Run();
    EXPECT_TRUE(savedMaximised);
    EXPECT_EQ(WINSTATE_MAXIMIZED, stateMaximised);
    EXPECT_EQ(Describe(marker), afterMaximised);
    EXPECT_TRUE(savedMinimised);
    EXPECT_EQ(WINSTATE_HIDDEN, stateMinimised);
    EXPECT_EQ(Describe(marker), afterMinimised);
    EXPECT_EQ(WINSTATE_HIDDEN, key.State());
    EXPECT_EQ(Describe(marker), key.Stored());
}

// Larger than 110 % of the screen, or wholly left of or above it: the values
// stored before stay. A popup without a sizing frame takes any size it is
// given, so the rectangles really are on screen as written.
TEST(Placement, RectanglesNotWorthComingBackTo_AreNotStored) {
    PLACEMENT_KEY key;
    REGKEY settings(HKEY_LOCAL_MACHINE, kKeyPath);
    HWND window = CreateWindowExA(0, "STATIC", "popup", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT kept = {100, 100, 500, 400};
    RECT const refused[] = {
        {0, 0, screenWidth * 12 / 10, 300},
        {0, 0, 300, screenHeight * 12 / 10},
        {-600, 100, -10, 400},
        {100, -600, 400, -10},
    };
    for (const RECT& rect : refused) {
        key.Store(kept, 2);
        MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, FALSE);
        ASSERT_EQ(Describe(rect), Describe(WindowRect(window)));
        EXPECT_FALSE(SavePlacement(settings, kSubkey, window, WINSTATE_NORMAL)) << Describe(rect);
        EXPECT_EQ(Describe(kept), key.Stored()) << Describe(rect);
    }
    RECT accepted = {-100, -100, screenWidth * 105 / 100 - 100, 300}; // 105 %, partly on screen
    MoveWindow(window, accepted.left, accepted.top, accepted.right - accepted.left,
               accepted.bottom - accepted.top, FALSE);
    EXPECT_TRUE(SavePlacement(settings, kSubkey, window, WINSTATE_NORMAL));
    EXPECT_EQ(Describe(accepted), key.Stored());
    DestroyWindow(window);
}

// ---------------------------------------------------------------- other monitors

// Wine has one screen, so the rules are fed a layout: the primary 1024 x 768
// at the origin, a 1280 x 1024 monitor left of it and an 800 x 600 one above
// it. The virtual screen is the rectangle around all three; its corners
// beside the primary hold no monitor.
MONITOR_LAYOUT ThreeMonitors() {
    MONITOR_LAYOUT layout;
    layout.primary = RECT{0, 0, 1024, 768};
    layout.monitors = {RECT{-1280, 0, 0, 1024}, layout.primary, RECT{0, -600, 800, 0}};
    layout.virtualScreen = RECT{-1280, -600, 1024, 1024};
    return layout;
}

TEST(Placement, MonitorsLeftOfAndAboveThePrimary_KeepTheirWindows) {
    MONITOR_LAYOUT const layout = ThreeMonitors();
    struct CASE {
        const char* name;
        RECT stored;
        bool worthStoring;
        RECT placed;
    } const cases[] = {
        {"on the left monitor", {-1000, 100, -600, 400}, true, {-1000, 100, -600, 400}},
        {"on the monitor above", {100, -500, 500, -200}, true, {100, -500, 500, -200}},
        {"mostly on the left monitor, its bottom below it: moved up onto it",
         {-900, 900, -500, 1100},
         true,
         {-900, 824, -500, 1024}},
        {"partly off the left edge of the left monitor",
         {-1400, 100, -1000, 400},
         true,
         {-1280, 100, -880, 400}},
        {"across the left monitor and the primary, wider than either: kept",
         {-900, 100, 500, 400},
         true,
         {-900, 100, 500, 400}},
        {"in the empty corner right of the monitor above: on the primary",
         {850, -500, 1000, -300},
         false,
         {850, 0, 1000, 200}},
        {"where a minimised window lies: on the primary",
         {-32000, -32000, -31840, -31970},
         false,
         {0, 0, 160, 30}},
        {"wider than 110 % of the virtual screen", {-1280, 0, 1300, 400}, false, {-1280, 0, 1024, 400}},
        {"wider than the primary, its bottom in the empty corner below it: fitted up onto it",
         {-300, 600, 900, 900},
         true,
         {-300, 468, 900, 768}},
        {"taller than the left monitor, its caption in the empty corner above it: down onto it",
         {-1100, -200, -700, 900},
         true,
         {-1100, 0, -700, 1024}},
    };
    for (const CASE& tested : cases) {
        EXPECT_EQ(tested.worthStoring, WorthStoring(tested.stored, layout)) << tested.name;
        EXPECT_EQ(Describe(tested.placed), Describe(FitToLayout(tested.stored, layout))) << tested.name;
    }
}

// Dialogs are centred over their owner inside the work area of the monitor
// nearest it. The same three monitors, each with a taskbar: the primary's
// and the left one's at the bottom, the upper one's at its top.
TEST(Placement, CentredDialogs_StayInTheWorkAreaOfTheirOwnersMonitor) {
    MONITOR_LAYOUT layout = ThreeMonitors();
    layout.workAreas = {RECT{-1280, 0, 0, 984}, RECT{0, 0, 1024, 728}, RECT{0, -570, 800, 0}};
    struct CASE {
        const char* name;
        RECT owner;
        SIZE own;
        RECT placed;
    } const cases[] = {
        {"over an owner on the left monitor", {-1000, 100, -600, 400}, {200, 100}, {-900, 200, -700, 300}},
        {"owner at the left monitor's right edge: kept on it, not on the primary",
         {-300, 100, 0, 400},
         {400, 100},
         {-400, 200, 0, 300}},
        {"owner low on the primary: above its taskbar",
         {100, 600, 500, 760},
         {200, 200},
         {200, 528, 400, 728}},
        {"owner at the top of the upper monitor: below its taskbar",
         {100, -600, 500, -500},
         {200, 100},
         {200, -570, 400, -470}},
        {"owner on no monitor: onto the nearest", {1100, 100, 1300, 300}, {100, 100}, {924, 150, 1024, 250}},
        {"larger than the work area: its top-left corner in it",
         {0, 0, 1024, 768},
         {1100, 900},
         {0, 0, 1100, 900}},
    };
    for (const CASE& tested : cases) {
        RECT own = {0, 0, tested.own.cx, tested.own.cy};
        EXPECT_EQ(Describe(tested.placed), Describe(CentredInWorkArea(own, tested.owner, layout)))
            << tested.name;
    }
}

// ---------------------------------------------------------------- generated

// Whatever is stored, by an old screen, a hand edit or a broken write: the
// window ends up on the desktop, its normal rectangle too when maximized. The
// windows are hidden, as a dialog is at WM_INITDIALOG (and under Wine a
// hidden window moves several times faster).
TEST(Placement, ThousandsOfRandomStoredPlacements_NeverLeaveTheDesktop) {
    PLACEMENT_KEY key;
    REGKEY settings(HKEY_LOCAL_MACHINE, kKeyPath);
    HWND windows[2] = {
        CreateWindowExA(0, "STATIC", "resizable", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr,
                        GetModuleHandleA(nullptr), nullptr),
        CreateWindowExA(0, "STATIC", "fixed", WS_POPUP | WS_CAPTION | WS_SYSMENU, 10, 10, 240, 160, nullptr,
                        nullptr, GetModuleHandleA(nullptr), nullptr),
    };
    ASSERT_NE(nullptr, windows[0]);
    ASSERT_NE(nullptr, windows[1]);
    RECT desktop = Desktop();
    LONG width = desktop.right, height = desktop.bottom;

    std::mt19937 random(20261207u);
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    auto edge = [&](LONG size) -> LONG {
        switch (random() % 6) {
        case 0: return static_cast<LONG>(random()); // any bits at all
        case 1: return random() % 2 ? INT_MIN : INT_MAX;
        case 2: return static_cast<LONG>(random() % 21) - 10;        // about the origin
        case 3: return size + static_cast<LONG>(random() % 21) - 10; // about the far edge
        default: return static_cast<LONG>(random() % (6u * static_cast<unsigned>(size))) - 3 * size;
        }
    };

    DWORD const kStates[5] = {0, 1, 1, 2, 2}; // maximizing is the slow part under Wine
    int const kRuns = 2000;
    int offDesktop = 0;
    std::string firstOff;
    for (int run = 0; run < kRuns; ++run) {
        bool resizable = chance(50);
        HWND window = windows[resizable ? 0 : 1];

        char const* names[4] = {"WPLeft", "WPTop", "WPRight", "WPBottom"};
        LONG sizes[4] = {width, height, width, height};
        for (int i = 0; i < 4; ++i) {
            if (chance(10))
                key.Delete(kSubkey, names[i]);
            else if (chance(5))
                key.SetString(kSubkey, names[i], "12"); // of another type
            else
                key.SetDword(kSubkey, names[i], static_cast<DWORD>(edge(sizes[i])));
        }
        if (chance(3))
            key.Delete(kSubkey, "WinState");
        else
            key.SetDword(kSubkey, "WinState", chance(90) ? kStates[random() % 5] : random());
        key.SetDword(kSubkey, "TopMost", chance(20) ? 1 : 0);
        if (chance(30))
            key.SetDword(kSubkey, "WPDpi", static_cast<DWORD>(chance(50) ? 48 + random() % 913 : random()));
        else
            key.Delete(kSubkey, "WPDpi");

        RestorePlacement(settings, kSubkey, window, resizable);
        RECT placed = IsZoomed(window) ? NormalRect(window) : WindowRect(window);
        if (IsWindowVisible(window)) { // maximized: back to a hidden normal window, cheap to move
            ShowWindow(window, SW_RESTORE);
            ShowWindow(window, SW_HIDE);
        }

        if (placed.left < 0 || placed.top < 0 || placed.right > width || placed.bottom > height) {
            if (++offDesktop == 1)
                firstOff = "run " + std::to_string(run) + ": " + Describe(placed) + " stored " + key.Stored();
        }
    }
    for (HWND window : windows)
        DestroyWindow(window);
    EXPECT_EQ(0, offDesktop) << "first: " << firstOff;
}

// ---------------------------------------------------------------- font

char const kFontKey[] = "Software\\MorvaneUtilities\\VayloFontTest";

LOGFONTA SampleFont() {
    LOGFONTA font = {};
    font.lfHeight = -13;
    font.lfWidth = 7;
    font.lfEscapement = 900;
    font.lfOrientation = 450;
    font.lfWeight = FW_BOLD;
    font.lfItalic = 1;
    font.lfUnderline = 1;
    font.lfStrikeOut = 0;
    font.lfCharSet = SHIFTJIS_CHARSET;
    font.lfOutPrecision = OUT_TT_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfQuality = ANTIALIASED_QUALITY;
    font.lfPitchAndFamily = 0x2B;
    lstrcpynA(font.lfFaceName, "Courier New", LF_FACESIZE);
    return font;
}

TEST(Font, SavedFontAndColour_ReadBackFieldForField) {
    SCRATCH_KEY key(kFontKey);
    REGKEY settings(HKEY_LOCAL_MACHINE, kFontKey);
    LOGFONTA saved = SampleFont();
    COLORREF colour = RGB(12, 34, 56);
    ASSERT_TRUE(SaveFont(settings, "Font", saved, &colour));
    EXPECT_EQ(-13, static_cast<LONG>(key.Dword("Font", "lfHeight")));
    EXPECT_EQ(SHIFTJIS_CHARSET, key.Dword("Font", "lfCharSet")); // zero-extended byte

    LOGFONTA read = {};
    COLORREF readColour = 0;
    ASSERT_TRUE(ReadFont(settings, "Font", read, &readColour));
    EXPECT_EQ(0, std::memcmp(&saved, &read, sizeof read));
    EXPECT_EQ(colour, readColour);

    // Without "ForeColor", a read that asks for the colour fails; one that
    // does not still succeeds.
    ASSERT_TRUE(key.Delete("Font", "ForeColor"));
    LOGFONTA untouched = {};
    EXPECT_FALSE(ReadFont(settings, "Font", untouched, &readColour));
    EXPECT_EQ(0, untouched.lfHeight);
    EXPECT_TRUE(ReadFont(settings, "Font", untouched, nullptr));
}

TEST(Font, MissingQuality_FailsTheWholeReadAndLeavesTheFontAsItWas) {
    SCRATCH_KEY key(kFontKey);
    REGKEY settings(HKEY_LOCAL_MACHINE, kFontKey);
    ASSERT_TRUE(SaveFont(settings, "Font", SampleFont(), nullptr));
    ASSERT_TRUE(key.Delete("Font", "lfQuality"));
    LOGFONTA font = {};
    font.lfHeight = 8;
    lstrcpynA(font.lfFaceName, "Arial", LF_FACESIZE);
    LOGFONTA before = font;
    EXPECT_FALSE(ReadFont(settings, "Font", font, nullptr));
    EXPECT_EQ(0, std::memcmp(&before, &font, sizeof font));

    // Of another type counts as missing.
    ASSERT_TRUE(key.SetString("Font", "lfQuality", "4"));
    EXPECT_FALSE(ReadFont(settings, "Font", font, nullptr));
    EXPECT_EQ(0, std::memcmp(&before, &font, sizeof font));
}

TEST(Font, FaceNameLongerThan31Characters_IsCutTo31) {
    SCRATCH_KEY key(kFontKey);
    REGKEY settings(HKEY_LOCAL_MACHINE, kFontKey);
    ASSERT_TRUE(SaveFont(settings, "Font", SampleFont(), nullptr));
    std::string longName = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcdef"; // 42
    ASSERT_TRUE(key.SetString("Font", "lfFaceName", longName.c_str()));
    LOGFONTA font = {};
    ASSERT_TRUE(ReadFont(settings, "Font", font, nullptr));
    EXPECT_EQ(longName.substr(0, 31), font.lfFaceName);
}

} // namespace
