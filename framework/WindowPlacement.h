#pragma once
// Placement and font memory kept in a subkey of a window's settings key. All
// four answer false instead of raising and show nothing; a failed read leaves
// the caller's values as they were.

#include "foundation/RegistryKey.h"

#include <windows.h>

// Stores "WinState" = state; for a normal window (state 2) first "WPLeft",
// "WPTop", "WPRight", "WPBottom" (its rectangle) and after it "TopMost".
// Maximized (0) or minimized (1), only "WinState" is written, so the last
// normal rectangle is kept. A rectangle larger than 110 % of the screen or
// wholly left of or above it is not stored (false). True when every value
// was written.
bool SavePlacement(REGKEY& settings, const char* subkey, HWND window, int state);

// Puts the window back where the subkey says. Without a stored "WinState"
// (the first run) the window is centred on the desktop and that placement
// stored at once (false). Otherwise the stored rectangle (the screen quarters
// for a missing edge, an empty or inside-out one) is moved onto the desktop
// and cut to it; a window that is not resizable keeps its size, which then is
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
