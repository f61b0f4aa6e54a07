#include "DialogDriver.h"

#include "resources/resource.h"

namespace {

UINT const WM_FOREIGN_FIGHT = WM_APP + 1;
UINT const WM_FOREIGN_FRONT = WM_APP + 2;

const char* const kOwnerClass = "DialogsTestOwner";
const char* const kForeignClass = "DialogsTestForeign";

} // namespace

// The query's rich edit class must exist before any query opens, as in the program.
HMODULE const richEditLibrary = LoadLibraryA("riched20.dll");

HICON ProgramIcon() {
    return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_PROGRAM));
}

// One owner serves the whole run: under Wine without a window manager, hiding
// or destroying a captioned window waits two seconds for a window-manager
// answer that never comes, and every test would pay that again.
TEST_OWNER::TEST_OWNER() {
    static HWND shared = nullptr;
    if (!shared && RegisterClassOnce(kOwnerClass)) {
        shared = CreateWindowExA(0, kOwnerClass, "Dialogs Test Owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300,
                                 200, 560, 420, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (shared)
            SendMessageA(shared, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(ProgramIcon()));
    }
    window = shared;
    if (!window)
        return;
    EnableWindow(window, TRUE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    UpdateWindow(window);
    PumpUntil([&] { return GetForegroundWindow() == window; });
}

// ---------------------------------------------------------------- foreign window

FOREIGN_WINDOW::FOREIGN_WINDOW() {
    thread = std::thread([this] { Run(); });
    PollUntil([this] { return window.load() != nullptr; });
}

FOREIGN_WINDOW::~FOREIGN_WINDOW() {
    Destroy();
}

void FOREIGN_WINDOW::Destroy() {
    fighting = false;
    if (HWND alive = window.load())
        PostMessageA(alive, WM_CLOSE, 0, 0);
    if (thread.joinable())
        thread.join();
}

void FOREIGN_WINDOW::BringToFront() {
    PostMessageA(window, WM_FOREIGN_FRONT, 0, 0);
    PollUntil([this] { return GetForegroundWindow() == window.load(); });
}

void FOREIGN_WINDOW::Run() {
    if (!RegisterClassOnce(kForeignClass, Proc))
        return;
    HWND created = CreateWindowExA(0, kForeignClass, "Foreign Window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                   40, 320, 220, nullptr, nullptr, GetModuleHandleA(nullptr), this);
    if (!created)
        return;
    window = created;
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    window = nullptr;
}

LRESULT CALLBACK FOREIGN_WINDOW::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<FOREIGN_WINDOW*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            ++self->activations;
        else if (self->fighting && !IsIconic(hwnd))
            PostMessageA(hwnd, WM_FOREIGN_FIGHT, 0, 0);
        break;
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED)
            ++self->minimisations;
        break;
    case WM_FOREIGN_FIGHT:
        if (self->fighting && !IsIconic(hwnd) && GetForegroundWindow() != hwnd)
            SetForegroundWindow(hwnd);
        return 0;
    case WM_FOREIGN_FRONT: SetForegroundWindow(hwnd); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

UNSAVED_MESSAGES::UNSAVED_MESSAGES(HWND owner)
    : answerer(OwnedDialog(owner, L"Settings Not Saved"), [this](HWND box, int) {
          text = ChildTexts(box);
          ClickButton(box, IDOK);
      }) {}
