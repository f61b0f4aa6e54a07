// A tiny program that owns one titled top-level window, for reading the
// title of another process's window. Arguments: ready-event name, mode
// ("normal" pumps messages until closed, "hung" stops answering until the
// release event is set), release-event name, title.
#include <windows.h>
#include <shellapi.h>

namespace {

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY)
        PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args || count < 5)
        return 2;

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ProbeProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"VayloTitleProbe";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"VayloTitleProbe", args[4], WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                                  200, 100, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 3;

    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, args[1]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, args[3]);
    bool hung = lstrcmpW(args[2], L"hung") == 0;
    LocalFree(args);
    if (!ready || !release)
        return 4;

    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    SetEvent(ready);
    if (hung) {
        WaitForSingleObject(release, INFINITE); // no message is answered meanwhile
        return 0;
    }
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}
