#pragma once
// What the screen shows: pixels read back, and the hand-shake with
// scripts/screenshots.sh, which photographs a rectangle of the screen.

#include <windows.h>

#include <string>
#include <vector>

// COLORREF values (as GetPixel answers), row by row from the top; empty when
// nothing could be read.
typedef std::vector<COLORREF> PIXELS;
PIXELS ReadPixels(HDC source, int x, int y, int width, int height);
PIXELS ScreenPixels(const RECT& rect);

// Announces the rectangle in "<folder>\<name>.ready" ("x y width height") and
// pumps this thread's messages until the script answers with
// "<folder>\<name>.done" (bounded); false when it never did.
bool AwaitScreenshot(const std::string& folder, const char* name, const RECT& rect);

// Waits (bounded) until the window is in front and drawn, then for the
// photograph of its frame; says so on the standard output when none came.
bool PhotographWindow(const std::string& folder, const char* name, HWND window);
