#include "framework/HelpPopups.h"

#include <commctrl.h>
#include <windowsx.h>

HELP_POPUPS::HELP_POPUPS(HINSTANCE instance, HWND ownerWindow, int maxTipWidth)
    : tooltip(CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, ownerWindow, nullptr, instance, nullptr)),
      owner(ownerWindow) {
    if (tooltip)
        SendMessageA(tooltip, TTM_SETMAXTIPWIDTH, 0, maxTipWidth);
}

HELP_POPUPS::~HELP_POPUPS() {
    if (tooltip)
        DestroyWindow(tooltip);
}

bool HELP_POPUPS::AddTip(int controlId, const char* text) {
    HWND control = GetDlgItem(owner, controlId);
    if (!tooltip || !control)
        return false;
    // The first-version record: every common controls version knows it, and
    // its size follows the pointer width of the build.
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<char*>(text);
    return SendMessageA(tooltip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
}

void HELP_POPUPS::RelayMouse(int controlId, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(owner, controlId);
    if (!tooltip || !control)
        return;
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    MapWindowPoints(owner, control, &point, 1);
    RECT area = {};
    GetClientRect(control, &area);
    if (!PtInRect(&area, point))
        return;
    MSG relayed = {};
    relayed.hwnd = control;
    relayed.message = message;
    relayed.wParam = wParam;
    relayed.lParam = MAKELPARAM(point.x, point.y);
    relayed.time = static_cast<DWORD>(GetMessageTime());
    relayed.pt.x = GET_X_LPARAM(GetMessagePos());
    relayed.pt.y = GET_Y_LPARAM(GetMessagePos());
    SendMessageA(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}
