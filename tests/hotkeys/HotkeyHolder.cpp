// hotkey_holder.exe EVENT MODIFIERS,KEY ...: not a test. Another program that
// holds hotkeys: it registers each combination (MOD_* flags and a virtual-key
// code, in decimal) for a window of its own, sets the named event and waits
// to be ended. Exit code 3 when a combination was refused. It ends by itself
// after ten minutes, so a crashed test leaves nothing registered for long.

#include <windows.h>

#include <cstdlib>

namespace {

UINT const LIFETIME_MS = 10 * 60 * 1000;

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (__argc < 3)
        return 2;
    HWND window = CreateWindowExA(0, "STATIC", "Hotkey Holder", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    if (window == nullptr)
        return 2;
    for (int i = 2; i < __argc; ++i) {
        char* rest = nullptr;
        unsigned long modifiers = std::strtoul(__argv[i], &rest, 10);
        unsigned long key = *rest == ',' ? std::strtoul(rest + 1, nullptr, 10) : 0;
        if (!RegisterHotKey(window, i, static_cast<UINT>(modifiers), static_cast<UINT>(key)))
            return 3;
    }
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, __argv[1]);
    if (ready == nullptr || !SetEvent(ready))
        return 2;
    CloseHandle(ready);
    SetTimer(nullptr, 0, LIFETIME_MS, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER)
        DispatchMessageA(&message);
    return 0;
}
