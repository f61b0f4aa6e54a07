#pragma once
// Keyboard and pointer input as the user gives it, through SendInput: keys go
// to the window with the keyboard focus, the pointer moves on the screen.
// Under Wine a window that gains the X focus takes the key state from the X
// server, which knows nothing of keys pressed here: hold keys around
// messages, not around real clicks or focus changes.

#include <windows.h>

#include <string>

void SendKey(WORD virtualKey, bool down);
void PressKey(WORD virtualKey); // down and up
bool KeyIsDown(WORD virtualKey);
// Each character as a Unicode key press, into whatever has the focus.
void TypeText(const std::wstring& text);

// One keyboard key held down until the object goes.
class HELD_KEY {
  public:
    explicit HELD_KEY(WORD virtualKey);
    ~HELD_KEY();
    HELD_KEY(const HELD_KEY&) = delete;
    HELD_KEY& operator=(const HELD_KEY&) = delete;
    // Pressed, and still down now.
    bool Down() const;

  private:
    WORD key;
    bool down = false;
};

// One mouse event (flags: MOUSEEVENTF_LEFTDOWN...) with the pointer moved to
// the screen point.
void SendMouse(DWORD flags, POINT screen);
// Moves the pointer and waits (bounded) until it is seen there.
void MovePointer(POINT screen);
// A click with the left or right button, and a left double click.
void ClickAt(POINT screen, bool right = false);
void DoubleClickAt(POINT screen);
