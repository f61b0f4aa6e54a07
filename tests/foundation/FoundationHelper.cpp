// Helper program for the foundation tests.
//   foundation_helper folders OUTFILE  writes its application, bin and licence folders
//   foundation_helper window TITLE     shows a window until it is closed (or 2 minutes pass)
//   foundation_helper hang TITLE       shows a window and never reads its messages
#include "foundation/SystemUtilities.h"
#include "support/Window.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

const DWORD kLifetimeMs = 120000; // never outlive a test run that lost track of us

LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER) {
        DestroyWindow(window);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND MakeWindow(HINSTANCE instance, const char* title) {
    RegisterClassOnce("VayloFoundationHelper", HelperProc);
    HWND window =
        CreateWindowA("VayloFoundationHelper", title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

int WriteFolders(const char* outFile) {
    STRING report = STRING("app=") + ApplicationFolder().c_str() + "\nbin=" + BinFolder().c_str() +
                    "\nlicence=" + LicenceFolder().c_str() + "\nagain=" + ApplicationFolder().c_str() + "\n";
    HANDLE file =
        CreateFileA(outFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    DWORD written = 0;
    WriteFile(file, report.c_str(), report.Length(), &written, nullptr);
    CloseHandle(file);
    return written == report.Length() ? 0 : 3;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (__argc < 3)
        return 1;
    const char* mode = __argv[1];
    if (std::strcmp(mode, "folders") == 0)
        return WriteFolders(__argv[2]);

    HWND window = MakeWindow(instance, __argv[2]);
    if (!window)
        return 4;
    if (std::strcmp(mode, "hang") == 0) {
        Sleep(kLifetimeMs); // the test ends us long before this
        return 0;
    }
    SetTimer(window, 1, kLifetimeMs, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
