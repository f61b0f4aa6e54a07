#include "foundation/Handles.h"

#include <utility>

// ---------------------------------------------------------------- WINDOW_DC

WINDOW_DC::WINDOW_DC(HWND owner) : window(owner), dc(GetDC(owner)) {
    if (!dc)
        return;
    stretchMode = GetStretchBltMode(dc);
    backgroundMode = GetBkMode(dc);
    textColour = GetTextColor(dc);
}

WINDOW_DC::~WINDOW_DC() {
    if (!dc)
        return;
    SetStretchBltMode(dc, stretchMode);
    SetBkMode(dc, backgroundMode);
    SetTextColor(dc, textColour);
    ReleaseDC(window, dc);
}

// ---------------------------------------------------------------- MEMORY_DC

MEMORY_DC::MEMORY_DC(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {
    if (!dc)
        return;
    stretchMode = GetStretchBltMode(dc);
    backgroundMode = GetBkMode(dc);
    textColour = GetTextColor(dc);
    backgroundColour = GetBkColor(dc);
    mappingMode = GetMapMode(dc);
}

MEMORY_DC::~MEMORY_DC() {
    if (!dc)
        return;
    if (originalBrush)
        SelectObject(dc, originalBrush);
    if (originalBitmap)
        SelectObject(dc, originalBitmap);
    SetStretchBltMode(dc, stretchMode);
    SetBkMode(dc, backgroundMode);
    SetTextColor(dc, textColour);
    SetBkColor(dc, backgroundColour);
    SetMapMode(dc, mappingMode);
    DeleteDC(dc);
}

void MEMORY_DC::SelectBrush(HBRUSH created) {
    BRUSH_HANDLE owned(created); // deleted here unless the DC takes it
    if (!created || !dc)
        return;
    HGDIOBJ replaced = SelectObject(dc, created);
    if (!replaced)
        return;
    if (!originalBrush)
        originalBrush = replaced;
    brush = std::move(owned); // the brush selected before is out of the DC now
}

void MEMORY_DC::SelectBitmap(HBITMAP picture, bool owned) {
    BITMAP_HANDLE ours(owned ? picture : nullptr);
    if (!picture || !dc)
        return;
    HGDIOBJ replaced = SelectObject(dc, picture);
    if (!replaced)
        return;
    if (!originalBitmap)
        originalBitmap = replaced;
    bitmap = picture;
    ownedBitmap = std::move(ours);
}
