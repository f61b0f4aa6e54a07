#include "framework/Metrics.h"

namespace {

int const BASE_DPI = 96;
int const ICON_TEXT_GAP = 2; // pixels at 96 DPI between an entry's icon and its title

int ReadSystemDpi() {
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : BASE_DPI;
}

} // namespace

// Read once: a system DPI aware process keeps the DPI it started with.
int SystemDpi() {
    static int const dpi = ReadSystemDpi();
    return dpi;
}

int ScaledPixels(int pixelsAt96) {
    return MulDiv(pixelsAt96, SystemDpi(), BASE_DPI);
}

int SmallIconSize() {
    int side = GetSystemMetrics(SM_CXSMICON);
    return side > 0 ? side : ScaledPixels(16);
}

int FontLineHeight(HFONT font) {
    HDC screen = GetDC(nullptr);
    if (!screen)
        return 0;
    HGDIOBJ old = font ? SelectObject(screen, font) : nullptr;
    TEXTMETRICA metrics = {};
    int height = GetTextMetricsA(screen, &metrics) ? metrics.tmHeight + metrics.tmExternalLeading : 0;
    if (old)
        SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return height;
}

FONT_HANDLE MenuFont() {
    // The size of the structure before Vista's padded border: every system
    // from XP on answers it.
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        return FONT_HANDLE();
    return FONT_HANDLE(CreateFontIndirectA(&metrics.lfMenuFont));
}

ENTRY_LAYOUT EntryLayout(HFONT font) {
    ENTRY_LAYOUT layout;
    layout.icon = SmallIconSize();
    layout.textIndent = layout.icon + ScaledPixels(ICON_TEXT_GAP);
    int line = FontLineHeight(font);
    layout.height = line > layout.icon ? line : layout.icon;
    return layout;
}
