#pragma once
// Placement and font memory kept in a window's settings key.

#include "foundation/RegistryKey.h"

#include <windows.h>

bool SavePlacement(REGKEY& settings, const char* subkey, HWND window, int state);
bool RestorePlacement(REGKEY& settings, const char* subkey, HWND window, bool resizable);
// colour may be null: then "ForeColor" is neither read nor written.
bool ReadFont(REGKEY& settings, const char* subkey, LOGFONTA& font, COLORREF* colour);
bool SaveFont(REGKEY& settings, const char* subkey, const LOGFONTA& font, const COLORREF* colour);
