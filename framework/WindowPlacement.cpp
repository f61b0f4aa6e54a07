#include "framework/WindowBase.h"
#include "framework/WindowPlacement.h"

#include "framework/Metrics.h"
#include "framework/WindowUtilities.h"

#include <algorithm>
#include <climits>

namespace {

char const* const kPlacementValues[4] = {"WPLeft", "WPTop", "WPRight", "WPBottom"};
char const kDpiValue[] = "WPDpi"; // the DPI the rectangle was taken at

long long const kFarAway = 1LL << 30; // farther than any two monitors lie apart

// The LOGFONTA fields kept as DWORDs, in the order they are stored.
struct FONT_FIELD {
    const char* name;
    LONG LOGFONTA::*number; // the five LONG fields
    BYTE LOGFONTA::*byte;   // the eight BYTE fields
};

FONT_FIELD const kFontFields[13] = {
    {"lfHeight", &LOGFONTA::lfHeight, nullptr},
    {"lfWidth", &LOGFONTA::lfWidth, nullptr},
    {"lfEscapement", &LOGFONTA::lfEscapement, nullptr},
    {"lfOrientation", &LOGFONTA::lfOrientation, nullptr},
    {"lfWeight", &LOGFONTA::lfWeight, nullptr},
    {"lfItalic", nullptr, &LOGFONTA::lfItalic},
    {"lfUnderline", nullptr, &LOGFONTA::lfUnderline},
    {"lfStrikeOut", nullptr, &LOGFONTA::lfStrikeOut},
    {"lfCharSet", nullptr, &LOGFONTA::lfCharSet},
    {"lfOutPrecision", nullptr, &LOGFONTA::lfOutPrecision},
    {"lfClipPrecision", nullptr, &LOGFONTA::lfClipPrecision},
    {"lfQuality", nullptr, &LOGFONTA::lfQuality},
    {"lfPitchAndFamily", nullptr, &LOGFONTA::lfPitchAndFamily},
};

// The settings key's status tells the last operation's error, not whether the
// key is usable: that shows in the subkey's status as it is made.
bool UsableKey(const char* subkey) {
    return subkey && *subkey;
}

// Stored rectangles come from anywhere (an old screen, a hand edit), so the
// arithmetic is done wide enough that no value can overflow it.
struct SPAN {
    long long low, high;
};

// Moved onto [low, high] when it sticks out, or cut to it when it is longer.
void FitSpan(SPAN& span, long long low, long long high) {
    long long length = span.high - span.low;
    if (length > high - low) {
        span = SPAN{low, high};
    } else if (span.low < low) {
        span = SPAN{low, low + length};
    } else if (span.high > high) {
        span = SPAN{high - length, high};
    }
}

LONG ClampToLong(long long value) {
    return static_cast<LONG>(std::min<long long>(std::max<long long>(value, LONG_MIN), LONG_MAX));
}

// The DPIs a stored value may name: 50 % to 1000 % of 96. Anything else is
// damage, and the rectangle is taken as it is.
bool PlausibleDpi(int dpi) {
    return dpi >= 48 && dpi <= 960;
}

long long Width(const RECT& rect) {
    return static_cast<long long>(rect.right) - rect.left;
}

long long Height(const RECT& rect) {
    return static_cast<long long>(rect.bottom) - rect.top;
}

// The area two rectangles share; 0 when they do not meet.
long long Overlap(const RECT& a, const RECT& b) {
    long long width = std::min<long long>(a.right, b.right) - std::max<long long>(a.left, b.left);
    long long height = std::min<long long>(a.bottom, b.bottom) - std::max<long long>(a.top, b.top);
    return width > 0 && height > 0 ? width * height : 0;
}

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT bounds, LPARAM layoutAddress) {
    MONITOR_LAYOUT* layout = reinterpret_cast<MONITOR_LAYOUT*>(layoutAddress);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    layout->monitors.push_back(*bounds);
    layout->workAreas.push_back(GetMonitorInfoA(monitor, &info) ? info.rcWork : *bounds);
    return TRUE;
}

void PlaceWindow(HWND window, RECT wanted, bool resizable) {
    MONITOR_LAYOUT layout = CurrentMonitorLayout();
    RECT current = {};
    GetWindowRect(window, &current);
    if (!resizable) { // keeps its own size: that size has to fit, not the stored one
        wanted.right = wanted.left + (current.right - current.left);
        wanted.bottom = wanted.top + (current.bottom - current.top);
    }
    RECT fitted = FitToLayout(wanted, layout);
    MoveWindowTo(window, fitted, resizable);

    // The window may refuse the size (a minimum tracking size, say); then the
    // size it took is what must fit.
    RECT taken = {};
    if (!GetWindowRect(window, &taken) || EqualRect(&taken, &fitted))
        return;
    RECT refitted = FitToLayout(taken, layout);
    if (refitted.left != taken.left || refitted.top != taken.top)
        MoveWindowTo(window, refitted, false);
}

// The screen quarters: where a window goes without a usable stored rectangle.
RECT DefaultRect() {
    unsigned width = static_cast<unsigned>(GetSystemMetrics(SM_CXSCREEN));
    unsigned height = static_cast<unsigned>(GetSystemMetrics(SM_CYSCREEN));
    return RECT{static_cast<LONG>(width / 4), static_cast<LONG>(height / 4), static_cast<LONG>(3 * width / 4),
                static_cast<LONG>(3 * height / 4)};
}

// At most LF_FACESIZE - 1 bytes, and never the first half of a double-byte
// character.
void CopyFaceName(char (&target)[LF_FACESIZE], const STRING& name) {
    const char* source = name.c_str();
    const char* end = source;
    while (*end) {
        const char* next = CharNextA(end);
        if (next - source > LF_FACESIZE - 1)
            break;
        end = next;
    }
    ZeroMemory(target, sizeof target);
    CopyMemory(target, source, static_cast<size_t>(end - source));
}

} // namespace

// Only a window constructed with a name remembers where it was.
bool MV_WINBASE::IsNamed() const {
    STRING path = settings.Path();
    path.Append("\\");
    return !path.Equals("Software\\MorvaneUtilities\\");
}

void MV_WINBASE::RestoreWindowPlacement() {
    if (settings.Path().Length() == 0 || !IsNamed()) {
        CentreWindow(hwnd, parent);
        return;
    }
    RestorePlacement(settings, "MainWindow", hwnd, (GetWindowLongA(hwnd, GWL_STYLE) & WS_THICKFRAME) != 0);
    if (parent)
        CentreWindow(hwnd, parent);
}

void MV_WINBASE::SaveWindowPlacement() {
    if (parent || !IsNamed())
        return;
    SavePlacement(settings, "MainWindow", hwnd, winState);
}

bool SavePlacement(REGKEY& settings, const char* subkey, HWND window, int state) {
    if (!IsWindow(window) || !UsableKey(subkey))
        return false;
    REGKEY placement(settings, subkey);
    if (placement.status != 0)
        return false;
    // Maximized or minimized: the rectangle on screen is not the one to come
    // back to, so the last normal one stays.
    if (state == WINSTATE_MAXIMIZED || state == WINSTATE_HIDDEN)
        return placement.WriteDword("WinState", static_cast<DWORD>(state));

    RECT rect = {};
    if (!GetWindowRect(window, &rect))
        return false;
    if (!WorthStoring(rect, CurrentMonitorLayout()))
        return false;

    LONG const edges[4] = {rect.left, rect.top, rect.right, rect.bottom};
    for (int i = 0; i < 4; ++i)
        if (!placement.WriteDword(kPlacementValues[i], static_cast<DWORD>(edges[i])))
            return false;
    if (!placement.WriteDword(kDpiValue, static_cast<DWORD>(SystemDpi())))
        return false;
    bool topMost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return placement.WriteDword("WinState", static_cast<DWORD>(state)) &&
           placement.WriteDword("TopMost", topMost ? 1 : 0);
}

bool RestorePlacement(REGKEY& settings, const char* subkey, HWND window, bool resizable) {
    if (!IsWindow(window) || !UsableKey(subkey))
        return false;
    REGKEY placement(settings, subkey);
    if (placement.status != 0)
        return false;

    DWORD stored = 0;
    if (!placement.ReadDword("WinState", stored)) { // the first run
        CentreWindow(window, nullptr);
        SavePlacement(settings, subkey, window, WINSTATE_NORMAL);
        return false;
    }
    int state = stored == 0 ? WINSTATE_MAXIMIZED : stored == 1 ? WINSTATE_HIDDEN : WINSTATE_NORMAL;

    RECT defaults = DefaultRect();
    LONG edges[4] = {defaults.left, defaults.top, defaults.right, defaults.bottom};
    bool allRead = true;
    for (int i = 0; i < 4; ++i) {
        DWORD value = static_cast<DWORD>(edges[i]);
        allRead = placement.ReadDword(kPlacementValues[i], value) && allRead;
        edges[i] = static_cast<LONG>(value);
    }
    RECT wanted = {edges[0], edges[1], edges[2], edges[3]};
    DWORD storedDpi = 0; // missing: taken at the DPI of today
    if (allRead && placement.ReadDword(kDpiValue, storedDpi))
        wanted = ScaleToDpi(wanted, static_cast<int>(storedDpi), SystemDpi());
    // Nothing sensible can be made of an empty or inside-out rectangle.
    if (wanted.right <= wanted.left || wanted.bottom <= wanted.top)
        wanted = defaults;
    PlaceWindow(window, wanted, resizable);

    DWORD topMost = 0;
    placement.ReadDword("TopMost", topMost);
    bool isTopMost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    if (isTopMost != (topMost != 0)) // already so: no round trip through the window manager
        SetWindowPos(window, topMost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // The window's own handling first keeps the normal rectangle just set.
    if (state == WINSTATE_MAXIMIZED)
        SendMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    return allRead;
}

bool ReadFont(REGKEY& settings, const char* subkey, LOGFONTA& font, COLORREF* colour) {
    if (!UsableKey(subkey))
        return false;
    REGKEY stored(settings, subkey);
    if (stored.status != 0)
        return false;
    LOGFONTA read = font;
    for (const FONT_FIELD& field : kFontFields) {
        DWORD value = 0;
        if (!stored.ReadDword(field.name, value))
            return false;
        if (field.number)
            read.*field.number = static_cast<LONG>(value);
        else
            read.*field.byte = static_cast<BYTE>(value);
    }
    DWORD readColour = 0;
    if (colour && !stored.ReadDword("ForeColor", readColour))
        return false;
    STRING faceName;
    if (!stored.ReadString("lfFaceName", faceName))
        return false;
    CopyFaceName(read.lfFaceName, faceName);
    font = read;
    if (colour)
        *colour = readColour;
    return true;
}

bool SaveFont(REGKEY& settings, const char* subkey, const LOGFONTA& font, const COLORREF* colour) {
    if (!UsableKey(subkey))
        return false;
    REGKEY stored(settings, subkey);
    if (stored.status != 0)
        return false;
    for (const FONT_FIELD& field : kFontFields) {
        DWORD value = field.number ? static_cast<DWORD>(font.*field.number) : font.*field.byte;
        if (!stored.WriteDword(field.name, value))
            return false;
    }
    if (colour && !stored.WriteDword("ForeColor", *colour))
        return false;
    char faceName[LF_FACESIZE + 1] = {};
    CopyMemory(faceName, font.lfFaceName, LF_FACESIZE); // a full field need not end in a zero
    return stored.WriteString("lfFaceName", faceName);
}

MONITOR_LAYOUT CurrentMonitorLayout() {
    MONITOR_LAYOUT layout;
    layout.primary = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    layout.virtualScreen = RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                                top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    // Without an answer (no monitor support, a failed call) the primary
    // screen is the whole desktop.
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&layout));
    if (layout.monitors.empty()) {
        RECT work = layout.primary;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        layout.monitors.push_back(layout.primary);
        layout.workAreas.push_back(work);
    }
    if (IsRectEmpty(&layout.virtualScreen))
        layout.virtualScreen = layout.primary;
    return layout;
}

const RECT* MonitorHolding(const RECT& rect, const MONITOR_LAYOUT& layout) {
    const RECT* holder = nullptr;
    long long most = 0;
    for (const RECT& monitor : layout.monitors) {
        long long shared = Overlap(rect, monitor);
        if (shared > most) {
            most = shared;
            holder = &monitor;
        }
    }
    return holder;
}

bool WorthStoring(const RECT& rect, const MONITOR_LAYOUT& layout) {
    if (Width(rect) * 10 > Width(layout.virtualScreen) * 11 ||
        Height(rect) * 10 > Height(layout.virtualScreen) * 11)
        return false;
    return MonitorHolding(rect, layout) != nullptr;
}

RECT FitToLayout(const RECT& wanted, const MONITOR_LAYOUT& layout) {
    const RECT* holder = MonitorHolding(wanted, layout);
    RECT area = holder ? *holder : layout.primary;
    SPAN horizontal = {wanted.left, wanted.right};
    SPAN vertical = {wanted.top, wanted.bottom};
    // A window spanning monitors keeps its size as far as the virtual screen
    // allows, but only in the direction in which it is larger than the
    // monitor holding most of it; its top edge, the caption, stays on that
    // monitor, never in a corner of the virtual screen that no monitor shows.
    if (holder && Width(wanted) > Width(area))
        FitSpan(horizontal, layout.virtualScreen.left, layout.virtualScreen.right);
    else
        FitSpan(horizontal, area.left, area.right);
    if (holder && Height(wanted) > Height(area))
        FitSpan(vertical, area.top, std::max(area.bottom, layout.virtualScreen.bottom));
    else
        FitSpan(vertical, area.top, area.bottom);
    return RECT{static_cast<LONG>(horizontal.low), static_cast<LONG>(vertical.low),
                static_cast<LONG>(horizontal.high), static_cast<LONG>(vertical.high)};
}

RECT ScaleToDpi(const RECT& stored, int storedDpi, int currentDpi) {
    if (storedDpi == currentDpi || !PlausibleDpi(storedDpi) || !PlausibleDpi(currentDpi))
        return stored;
    long long width = Width(stored), height = Height(stored);
    if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX)
        return stored; // nothing to scale, or too large to scale: fitting deals with it
    int scaledWidth = MulDiv(static_cast<int>(width), currentDpi, storedDpi);
    int scaledHeight = MulDiv(static_cast<int>(height), currentDpi, storedDpi);
    if (scaledWidth < 0 || scaledHeight < 0) // MulDiv's overflow
        return stored;
    return RECT{stored.left, stored.top, ClampToLong(stored.left + static_cast<long long>(scaledWidth)),
                ClampToLong(stored.top + static_cast<long long>(scaledHeight))};
}

size_t NearestMonitor(const RECT& rect, const MONITOR_LAYOUT& layout) {
    size_t nearest = layout.monitors.size();
    long long mostShared = 0, leastDistance = 0;
    for (size_t i = 0; i < layout.monitors.size(); ++i) {
        const RECT& monitor = layout.monitors[i];
        long long shared = Overlap(rect, monitor);
        long long dx = std::max<long long>({0, static_cast<long long>(monitor.left) - rect.right,
                                            static_cast<long long>(rect.left) - monitor.right});
        long long dy = std::max<long long>({0, static_cast<long long>(monitor.top) - rect.bottom,
                                            static_cast<long long>(rect.top) - monitor.bottom});
        dx = std::min<long long>(dx, kFarAway); // squared and summed, still far inside a long long
        dy = std::min<long long>(dy, kFarAway);
        long long distance = dx * dx + dy * dy;
        bool better = nearest == layout.monitors.size() || shared > mostShared ||
                      (mostShared == 0 && shared == 0 && distance < leastDistance);
        if (better) {
            nearest = i;
            mostShared = shared;
            leastDistance = distance;
        }
    }
    return nearest;
}

RECT WorkAreaNearest(const RECT& rect, const MONITOR_LAYOUT& layout) {
    size_t index = NearestMonitor(rect, layout);
    if (index >= layout.monitors.size())
        return layout.primary;
    if (index < layout.workAreas.size() && !IsRectEmpty(&layout.workAreas[index]))
        return layout.workAreas[index];
    return layout.monitors[index];
}

RECT CentredInWorkArea(const RECT& own, const RECT& reference, const MONITOR_LAYOUT& layout) {
    RECT area = WorkAreaNearest(reference, layout);
    long long cx = (static_cast<long long>(reference.left) + reference.right) / 2;
    long long cy = (static_cast<long long>(reference.top) + reference.bottom) / 2;
    long long rh = Height(reference) / 2;
    long long h = Height(own), hw = Width(own) / 2, hh = h / 2;

    if (cx + hw > area.right)
        cx = area.right - hw;
    else if (cx - hw < area.left)
        cx = area.left + hw;

    if (hh <= rh) {
        if (cy + hh > area.bottom)
            cy = area.bottom - hh;
        else if (cy - hh < area.top)
            cy = area.top + hh;
    } else if (reference.top < area.top) { // taller than a reference reaching above the area
        cy = area.top + hh;
    } else {
        cy = reference.top + hh - (h - Height(reference)) / 2;
        if (cy - hh < area.top)
            cy = area.top + hh;
        if (cy + hh > area.bottom)
            cy = area.bottom - hh;
    }
    // Larger than the work area: the top-left corner, and so the caption, stays in it.
    long long left = std::max<long long>(cx - hw, area.left);
    long long top = std::max<long long>(cy - hh, area.top);
    return RECT{ClampToLong(left), ClampToLong(top), ClampToLong(left + 2 * hw), ClampToLong(top + 2 * hh)};
}
