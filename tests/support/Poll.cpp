#include "support/Poll.h"

namespace {

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, bool pump) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG message;
        while (pump && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return done();
        if (pump)
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        else
            Sleep(5);
    }
}

} // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    return WaitUntil(done, timeoutMs, true);
}

bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    return WaitUntil(done, timeoutMs, false);
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}
