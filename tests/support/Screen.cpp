#include "support/Screen.h"

#include "support/Poll.h"
#include "support/Window.h"

#include <cstdio>

PIXELS ReadPixels(HDC source, int x, int y, int width, int height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    PIXELS pixels;
    if (target && memory) {
        HGDIOBJ old = SelectObject(memory, target);
        BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
        GdiFlush();
        const BYTE* bgra = static_cast<const BYTE*>(bits);
        for (int i = 0; i < width * height; ++i, bgra += 4)
            pixels.push_back(RGB(bgra[2], bgra[1], bgra[0]));
        SelectObject(memory, old);
    }
    if (memory)
        DeleteDC(memory);
    if (target)
        DeleteObject(target);
    return pixels;
}

PIXELS ScreenPixels(const RECT& rect) {
    HDC screen = GetDC(nullptr);
    PIXELS pixels = ReadPixels(screen, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    ReleaseDC(nullptr, screen);
    return pixels;
}

bool AwaitScreenshot(const std::string& folder, const char* name, const RECT& rect) {
    std::string base = folder + "\\" + name;
    FILE* file = std::fopen((base + ".tmp").c_str(), "w");
    if (file == nullptr)
        return false;
    std::fprintf(file, "%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top);
    std::fclose(file);
    // Renamed into place: the script never reads a half-written file.
    MoveFileA((base + ".tmp").c_str(), (base + ".ready").c_str());
    std::string done = base + ".done";
    bool answered =
        PumpUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
    DeleteFileA(done.c_str());
    return answered;
}

bool PhotographWindow(const std::string& folder, const char* name, HWND window) {
    PollUntil([&] { return GetForegroundWindow() == window; }, 5000);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RoundTrip(window);
    RECT frame = {};
    GetWindowRect(window, &frame);
    bool shot = AwaitScreenshot(folder, name, frame);
    if (!shot)
        std::printf("no screenshot of %s\n", name);
    return shot;
}
