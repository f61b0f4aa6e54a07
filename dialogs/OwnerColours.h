#pragma once
// Small dialogs take their owner's colours: the control-colour messages the
// window base leaves to them go to the owner unchanged, and its brush is the answer.

#include <windows.h>

// The owner's answer to `message`, or 0 (default colours) without an owner or
// when the owner does not answer in time.
INT_PTR AskOwnerForColours(HWND owner, UINT message, WPARAM wParam, LPARAM lParam);

inline bool IsControlColourMessage(UINT message) {
    return message == WM_CTLCOLOREDIT || message == WM_CTLCOLORDLG || message == WM_CTLCOLORSTATIC;
}
