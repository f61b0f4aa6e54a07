#pragma once
// Placement and font memory kept in a subkey of a window's settings key. All
// four answer false instead of raising and show nothing; a failed read leaves
// the caller's values as they were.

#include "foundation/RegistryKey.h"

#include <windows.h>

#include <vector>

// The screens as the placement rules see them; a test may make up its own.
struct MONITOR_LAYOUT {
    RECT virtualScreen = {};     // the rectangle around every monitor
    RECT primary = {};           // where a rectangle on no monitor goes
    std::vector<RECT> monitors;  // each monitor's whole rectangle, the primary's too
    std::vector<RECT> workAreas; // each monitor's work area (without the taskbar), in
                                 // the same order; a monitor without one uses its rectangle
};

// The system's: the virtual screen from SM_XVIRTUALSCREEN to
// SM_CYVIRTUALSCREEN, the monitors as EnumDisplayMonitors lists them with
// GetMonitorInfo's work areas (the primary screen alone, with the work area
// SPI_GETWORKAREA gives, when it lists none).
MONITOR_LAYOUT CurrentMonitorLayout();

// The monitor MonitorFromRect would pick (the one sharing the largest area
// with the rectangle); null when the rectangle lies on none.
const RECT* MonitorHolding(const RECT& rect, const MONITOR_LAYOUT& layout);

// A normal window's rectangle is worth coming back to when it is at most
// 110 % of the virtual screen each way and lies at least partly on a monitor
// (a minimized window lies on none).
bool WorthStoring(const RECT& rect, const MONITOR_LAYOUT& layout);

// Where a stored rectangle goes: moved onto the monitor that holds it and cut
// to it, onto the primary screen when no monitor holds it. In a direction in
// which it is larger than that monitor (a window that spanned monitors) it is
// fitted to the virtual screen instead, its top edge kept on that monitor.
RECT FitToLayout(const RECT& wanted, const MONITOR_LAYOUT& layout);

// A rectangle stored at storedDpi, for a screen at currentDpi: its size
// scaled with MulDiv, its top-left corner kept (a DPI change moves no
// monitor). A stored DPI outside 48 to 960 (missing, damaged) or a size that
// cannot be scaled leaves the rectangle as it is.
RECT ScaleToDpi(const RECT& stored, int storedDpi, int currentDpi);

// The monitor MonitorFromRect would pick with MONITOR_DEFAULTTONEAREST: the
// one sharing the largest area, else the closest; its index in the layout,
// the number of monitors when there are none.
size_t NearestMonitor(const RECT& rect, const MONITOR_LAYOUT& layout);

// The work area of that monitor (the primary screen without monitors).
RECT WorkAreaNearest(const RECT& rect, const MONITOR_LAYOUT& layout);

// Where CentreWindow puts a window of rectangle own: centred over reference
// and kept inside the work area of the monitor nearest the reference, so that
// a dialog stays on its owner's monitor and off the taskbar. A window larger
// than that work area keeps its top-left corner in it. Halves truncate: a
// window of odd width or height loses a pixel that way.
RECT CentredInWorkArea(const RECT& own, const RECT& reference, const MONITOR_LAYOUT& layout);

// Stores "WinState" = state; for a normal window (state 2) first "WPLeft",
// "WPTop", "WPRight", "WPBottom" (its rectangle) and "WPDpi" (the system DPI
// it was taken at), and after it "TopMost".
// Maximized (0) or minimized (1), only "WinState" is written, so the last
// normal rectangle is kept. A rectangle not worth storing (WorthStoring, on
// the current layout) is not stored (false). True when every value was
// written.
bool SavePlacement(REGKEY& settings, const char* subkey, HWND window, int state);

// Puts the window back where the subkey says. Without a stored "WinState"
// (the first run) the window is centred on the desktop and that placement
// stored at once (false). Otherwise the stored rectangle (the screen quarters
// for a missing edge, an empty or inside-out one) goes where FitToLayout puts
// it on the current layout, scaled first (ScaleToDpi) when all four edges and
// "WPDpi" were read; a window that is not resizable keeps its size, which then is
// what has to fit. "TopMost" is applied and a stored "WinState" 0 maximizes
// the window through its own WM_SYSCOMMAND handling. True when all four edges
// were read.
bool RestorePlacement(REGKEY& settings, const char* subkey, HWND window, bool resizable);

// colour may be null: then "ForeColor" is neither read nor written. A read
// fails as a whole when any value is missing or of another type; the face
// name is cut to 31 bytes without splitting a double-byte character.
bool ReadFont(REGKEY& settings, const char* subkey, LOGFONTA& font, COLORREF* colour);
// Stops at the first value that cannot be written.
bool SaveFont(REGKEY& settings, const char* subkey, const LOGFONTA& font, const COLORREF* colour);
