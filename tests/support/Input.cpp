#include "support/Input.h"

#include "support/Poll.h"

void SendKey(WORD virtualKey, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, 0));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

void PressKey(WORD virtualKey) {
    SendKey(virtualKey, true);
    SendKey(virtualKey, false);
}

bool KeyIsDown(WORD virtualKey) {
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT keys[2] = {};
        for (INPUT& key : keys) {
            key.type = INPUT_KEYBOARD;
            key.ki.wScan = c;
            key.ki.dwFlags = KEYEVENTF_UNICODE;
        }
        keys[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
    }
}

HELD_KEY::HELD_KEY(WORD virtualKey) : key(virtualKey) {
    // A focus change still on its way from the X server releases the key:
    // press again until it stays.
    for (int attempt = 0; attempt < 5 && !down; ++attempt) {
        SendKey(key, true);
        if (!PumpUntil([&] { return KeyIsDown(key); }, 2000))
            continue;
        down = !PumpUntil([&] { return !KeyIsDown(key); }, 300);
    }
}

bool HELD_KEY::Down() const {
    return down && KeyIsDown(key);
}

HELD_KEY::~HELD_KEY() {
    SendKey(key, false);
    PumpUntil([&] { return !KeyIsDown(key); }, 5000);
}

void SendMouse(DWORD flags, POINT screen) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = static_cast<LONG>((screen.x * 65535LL + width / 2) / (width - 1));
    input.mi.dy = static_cast<LONG>((screen.y * 65535LL + height / 2) / (height - 1));
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof input);
}

void MovePointer(POINT screen) {
    SendMouse(0, screen);
    PumpUntil(
        [&] {
            POINT at;
            return GetCursorPos(&at) && at.x == screen.x && at.y == screen.y;
        },
        2000);
}

void ClickAt(POINT screen, bool right) {
    MovePointer(screen);
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, screen);
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, screen);
}

void DoubleClickAt(POINT screen) {
    MovePointer(screen);
    for (int click = 0; click < 2; ++click) {
        SendMouse(MOUSEEVENTF_LEFTDOWN, screen);
        SendMouse(MOUSEEVENTF_LEFTUP, screen);
    }
}
