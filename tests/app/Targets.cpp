// targets.exe: top-level windows for the end-to-end tests and the benchmark to
// list, pick, hide and restore. Each argument makes one window (or several):
//
//   titled:TEXT     an overlapped window with a child control over its client area
//   untitled        an overlapped window with an empty title
//   owned:TEXT      a pop-up owned by the window made just before it (a dialog)
//   hung:TEXT       a window whose thread stops answering once it is shown
//   thread:TEXT     a titled window on a thread of its own, so that making it
//                   busy (TARGET_BUSY, TARGET_TRAP) leaves every other window answering
//   many:N:PREFIX   N titled windows "PREFIX 0000" ... (small, for the benchmark)
//
// Every window closes itself on WM_CLOSE, so a driver can make one go away
// with PostMessage, and posted TARGET_BUSY (wParam: milliseconds) keeps its
// thread from answering for that long, as a busy program does; posted
// TARGET_ICON gives the window and its class the system's warning icon. Sent
// TARGET_TRAP (wParam: milliseconds) arms the window: the next WM_NULL it
// receives is answered, then its thread stops answering for that long, as a
// program that hangs just after a caller has probed it. The process ends when
// its last answering window has gone, or after a fixed lifetime, so that a
// crashed driver leaves nothing behind.

#include "Desktop.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

wchar_t const TARGET_CLASS[] = L"VayloTarget";
wchar_t const TRAP_PROPERTY[] = L"VayloTargetTrap";
UINT_PTR const LIFETIME_TIMER = 1;
UINT const LIFETIME_MS = 10 * 60 * 1000;

int answeringWindows = 0; // windows of the main thread still alive
int placed = 0;           // windows placed so far, for the cascade
DWORD mainThread = 0;

RECT NextPlace(bool small) {
    // A cascade in the screen's top-left part, clear of the centred main window.
    int step = placed++;
    RECT place;
    if (small) {
        place.left = 4 + (step % 40) * 6;
        place.top = 4 + (step % 25) * 6;
        place.right = place.left + 160;
        place.bottom = place.top + 60;
    } else {
        place.left = 20 + (step % 8) * 24;
        place.top = 20 + (step % 8) * 24;
        place.right = place.left + 320;
        place.bottom = place.top + 200;
    }
    return place;
}

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE: {
        // The child covers the client area but a small margin.
        HWND child = GetWindow(window, GW_CHILD);
        if (child != nullptr)
            MoveWindow(child, 8, 8, LOWORD(lParam) > 16 ? LOWORD(lParam) - 16 : 0,
                       HIWORD(lParam) > 16 ? HIWORD(lParam) - 16 : 0, TRUE);
        return 0;
    }
    case TARGET_BUSY: Sleep(static_cast<DWORD>(wParam)); return 0;
    case TARGET_ICON: {
        // The window's own icons, and its class's, which a program that
        // gets no answer to WM_GETICON shows: every window of the class in
        // this process takes it.
        HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_WARNING));
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SetClassLongPtrW(window, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(icon));
        SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
        return 0;
    }
    case WM_DESTROY:
        RemovePropW(window, TARGET_SHOWN_PROPERTY);
        if (GetParent(window) != nullptr)
            return 0;
        if (GetCurrentThreadId() != mainThread)
            PostQuitMessage(0); // a window with a thread of its own: that thread ends
        else if (--answeringWindows <= 0)
            PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterTargetClass() {
    // Wide throughout: titles arrive as UTF-16 and stay so.
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = TargetProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = TARGET_CLASS;
    return RegisterClassW(&windowClass) != 0;
}

HWND MakeWindow(const std::wstring& title, DWORD style, HWND owner, bool withChild, bool small) {
    RECT place = NextPlace(small);
    HWND window = CreateWindowExW(0, TARGET_CLASS, title.c_str(), style, place.left, place.top,
                                  place.right - place.left, place.bottom - place.top, owner, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr)
        return nullptr;
    if (withChild) {
        CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"child control", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 8,
                        8, 10, 10, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(100)),
                        GetModuleHandleA(nullptr), nullptr);
        RECT client;
        GetClientRect(window, &client);
        SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetPropW(window, TARGET_SHOWN_PROPERTY, reinterpret_cast<HANDLE>(1));
    return window;
}

// The hung window: created and shown, then its thread never looks at its
// queue again. Every message sent to it waits until the process ends.
struct HUNG_START {
    std::wstring title;
    RECT place;
    HANDLE shown;
};

DWORD WINAPI HungThread(void* context) {
    auto* start = static_cast<HUNG_START*>(context);
    HWND window = CreateWindowExW(0, TARGET_CLASS, start->title.c_str(), WS_OVERLAPPEDWINDOW,
                                  start->place.left, start->place.top, start->place.right - start->place.left,
                                  start->place.bottom - start->place.top, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window != nullptr) {
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
        SetPropW(window, TARGET_SHOWN_PROPERTY, reinterpret_cast<HANDLE>(1));
        // Let the shell-side messages of the show arrive, then stop answering.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
    }
    SetEvent(start->shown);
    Sleep(LIFETIME_MS);
    return 0;
}

bool MakeHung(const std::wstring& title) {
    HUNG_START start = {title, NextPlace(false), CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    if (start.shown == nullptr)
        return false;
    HANDLE thread = CreateThread(nullptr, 0, HungThread, &start, 0, nullptr);
    bool ok = thread != nullptr && WaitForSingleObject(start.shown, 30000) == WAIT_OBJECT_0;
    if (thread != nullptr)
        CloseHandle(thread);
    CloseHandle(start.shown);
    return ok;
}

// The windows with a thread of their own also take TARGET_TRAP. Only they
// handle WM_NULL themselves: every other window leaves it to the default
// handling, as the tests that move the activation around expect.
LRESULT CALLBACK TrapProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case TARGET_TRAP: SetPropW(window, TRAP_PROPERTY, reinterpret_cast<HANDLE>(wParam)); return 0;
    case WM_NULL:
        if (HANDLE armed = RemovePropW(window, TRAP_PROPERTY)) {
            ReplyMessage(0); // the caller has its answer before the thread goes quiet
            Sleep(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(armed)));
            return 0;
        }
        break;
    case WM_DESTROY: RemovePropW(window, TRAP_PROPERTY); break;
    }
    return TargetProc(window, message, wParam, lParam);
}

// A titled window with a thread and a message loop of its own; the thread
// ends with its window.
DWORD WINAPI OwnThread(void* context) {
    auto* start = static_cast<HUNG_START*>(context);
    HWND window = MakeWindow(start->title, WS_OVERLAPPEDWINDOW, nullptr, true, false);
    bool made = window != nullptr;
    if (made)
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TrapProc));
    SetEvent(start->shown);
    if (!made)
        return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

// Made one after the other: the cascade's counter is not shared between threads.
bool MakeOnOwnThread(const std::wstring& title) {
    HUNG_START start = {title, {}, CreateEventA(nullptr, TRUE, FALSE, nullptr)};
    if (start.shown == nullptr)
        return false;
    HANDLE thread = CreateThread(nullptr, 0, OwnThread, &start, 0, nullptr);
    bool ok = thread != nullptr && WaitForSingleObject(start.shown, 30000) == WAIT_OBJECT_0;
    DWORD code = 0;
    if (thread != nullptr && GetExitCodeThread(thread, &code) && code == 1)
        ok = false;
    if (thread != nullptr)
        CloseHandle(thread);
    CloseHandle(start.shown);
    return ok;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    mainThread = GetCurrentThreadId();
    if (!RegisterTargetClass())
        return 2;
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr)
        return 2;
    HWND previous = nullptr;
    for (int i = 1; i < argc; ++i) {
        const wchar_t* spec = argv[i];
        HWND made = nullptr;
        if (std::wcsncmp(spec, L"titled:", 7) == 0) {
            made = MakeWindow(spec + 7, WS_OVERLAPPEDWINDOW, nullptr, true, false);
        } else if (std::wcscmp(spec, L"untitled") == 0) {
            made = MakeWindow(L"", WS_OVERLAPPEDWINDOW, nullptr, false, false);
        } else if (std::wcsncmp(spec, L"owned:", 6) == 0) {
            if (previous == nullptr)
                return 3;
            made = MakeWindow(spec + 6, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, previous, false,
                              false);
            if (made != nullptr)
                continue; // an owned window does not count for the process's life
        } else if (std::wcsncmp(spec, L"thread:", 7) == 0) {
            if (!MakeOnOwnThread(spec + 7))
                return 6;
            continue;
        } else if (std::wcsncmp(spec, L"hung:", 5) == 0) {
            if (!MakeHung(spec + 5))
                return 4;
            continue;
        } else if (std::wcsncmp(spec, L"many:", 5) == 0) {
            wchar_t* rest = nullptr;
            long count = std::wcstol(spec + 5, &rest, 10);
            if (rest == nullptr || *rest != L':' || count < 0)
                return 5;
            std::wstring prefix = rest + 1;
            for (long n = 0; n < count; ++n) {
                wchar_t number[16];
                std::swprintf(number, 16, L" %04ld", n);
                made = MakeWindow(prefix + number, WS_OVERLAPPEDWINDOW, nullptr, false, true);
                if (made == nullptr)
                    return 6;
                ++answeringWindows;
            }
            previous = made;
            continue;
        } else {
            return 1;
        }
        if (made == nullptr)
            return 6;
        ++answeringWindows;
        previous = made;
    }

    // The lifetime bound also ends a process whose only window is the hung one.
    DWORD started = GetTickCount();
    SetTimer(nullptr, LIFETIME_TIMER, 5000, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) {
            if (GetTickCount() - started >= LIFETIME_MS)
                break;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    LocalFree(argv);
    // The hung thread never returns; end the process without waiting for it.
    ExitProcess(0);
}
