#include "framework/WindowBase.h"
#include "framework/WindowPlacement.h"

#include "framework/WindowUtilities.h"

// Only a window constructed with a name remembers where it was.
bool MV_WINBASE::IsNamed() const
{
    STRING path = settings.Path();
    path.Append("\\");
    return !path.Equals("Software\\MorvaneUtilities\\");
}

void MV_WINBASE::RestoreWindowPlacement()
{
    if (settings.Path().Length() == 0 || !IsNamed()) {
        CentreWindow(hwnd, parent);
        return;
    }
    RestorePlacement(settings, "MainWindow", hwnd, (GetWindowLongA(hwnd, GWL_STYLE) & WS_THICKFRAME) != 0);
    if (parent) CentreWindow(hwnd, parent);
}

void MV_WINBASE::SaveWindowPlacement()
{
    if (parent || !IsNamed()) return;
    SavePlacement(settings, "MainWindow", hwnd, winState);
}

// The stored placement and font are not kept yet: every read and write fails,
// so windows open centred and keep the built-in font description.

bool SavePlacement(REGKEY&, const char*, HWND, int) { return false; }

bool RestorePlacement(REGKEY&, const char*, HWND, bool) { return false; }

bool ReadFont(REGKEY&, const char*, LOGFONTA&, COLORREF*) { return false; }

bool SaveFont(REGKEY&, const char*, const LOGFONTA&, const COLORREF*) { return false; }
