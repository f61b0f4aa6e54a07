#pragma once
// Sizes of the program's own drawing, taken from the system instead of fixed
// pixels, so that the owner-drawn list and menu fit their icon and text at
// any DPI. The process is system DPI aware (its manifest says so): the DPI is
// the screen's, fixed for the life of the process, and the system's metrics
// and fonts already follow it.

#include "foundation/Handles.h"

#include <windows.h>

// The screen's logical DPI; 96 when it cannot be read.
int SystemDpi();

// A length given in pixels at 96 DPI, at the system's DPI.
int ScaledPixels(int pixelsAt96);

// The side of a small icon as the system wants it drawn (SM_CXSMICON).
int SmallIconSize();

// The height of a line of `font` on the screen (null: the system font),
// leading included; 0 when it cannot be measured.
int FontLineHeight(HFONT font);

// The font the system draws menus in; empty when it cannot be made.
FONT_HANDLE MenuFont();

// The layout of an owner-drawn entry: a small icon at the left edge, the
// title after it.
struct ENTRY_LAYOUT {
    int icon;       // the icon's side; the icon's column is this wide
    int textIndent; // where the title starts: past the icon and a small gap
    int height;     // the icon or a line of the font, whichever is taller
};
ENTRY_LAYOUT EntryLayout(HFONT font);
