#include "framework/HelpPopups.h"

#include "framework/WindowUtilities.h"

#include <commctrl.h>
#include <windowsx.h>

namespace {

char const SELF_PROPERTY[] = "HelpPopups";

} // namespace

HELP_POPUPS::HELP_POPUPS(HINSTANCE instance, HWND ownerWindow, int maxTipWidth)
    : tooltip(CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, ownerWindow, nullptr, instance, nullptr)),
      owner(ownerWindow) {
    if (!tooltip)
        return;
    SendOwn(TTM_SETMAXTIPWIDTH, 0, maxTipWidth);
    // Wide: the common controls register the class as a Unicode one.
    if (SetPropA(tooltip, SELF_PROPERTY, this))
        tooltipProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(tooltip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TooltipProc)));
}

// When the owner went first it took the tooltip along (WM_NCDESTROY below),
// and nothing is left to destroy here.
HELP_POPUPS::~HELP_POPUPS() {
    if (tooltip)
        DestroyWindow(tooltip);
}

LRESULT CALLBACK HELP_POPUPS::TooltipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HELP_POPUPS* self = static_cast<HELP_POPUPS*>(GetPropA(window, SELF_PROPERTY));
    if (self == nullptr || self->tooltipProc == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    WNDPROC original = self->tooltipProc;
    // From WM_USER up the tooltip's messages read or write through lParam
    // (TTM_ADDTOOL, TTM_GETTEXT, TTM_ENUMTOOLS, TTM_HITTEST, ...), an address
    // the system does not copy across: another program's would name memory of
    // this one. Only this thread's own are answered: the control's and this
    // object's (which, sent while the thread answers another thread's message,
    // look sent from there).
    if (message >= WM_USER && self->ownSends == 0 && SentByAnotherThread())
        return 0;
    switch (message) {
    case TTM_WINDOWFROMPOINT:
        if (lParam != 0)
            return reinterpret_cast<LRESULT>(self->WindowAt(*reinterpret_cast<const POINT*>(lParam)));
        break;
    case WM_TIMER:
        // Wine's tooltip can go on asking where the pointer is ten times a
        // second after it left every tool, for as long as the program runs.
        // A tip that shows nothing while the pointer is off the owner has
        // nothing to time: the next mouse move over a tool starts it again.
        if (!IsWindowVisible(window) && !self->PointerOverOwner()) {
            KillTimer(window, wParam);
            return 0;
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(window, SELF_PROPERTY);
        self->tooltip = nullptr;
        self->tooltipProc = nullptr;
        break;
    default: break;
    }
    return CallWindowProcW(original, window, message, wParam, lParam);
}

// WindowFromPoint passes over a control that answers HTTRANSPARENT and finds
// the owner; the control that lies there is the one whose tip is meant.
HWND HELP_POPUPS::WindowAt(POINT screen) const {
    HWND found = WindowFromPoint(screen);
    if (found != owner)
        return found;
    POINT client = screen;
    ScreenToClient(owner, &client);
    HWND child = ChildWindowFromPointEx(owner, client, CWP_SKIPINVISIBLE);
    return child ? child : found;
}

bool HELP_POPUPS::PointerOverOwner() const {
    POINT pointer = {};
    if (!GetCursorPos(&pointer))
        return true; // unknown: leave the tooltip's timers alone
    HWND found = WindowFromPoint(pointer);
    return found != nullptr && (found == owner || IsChild(owner, found));
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
    return SendOwn(TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
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
    SendOwn(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

LRESULT HELP_POPUPS::SendOwn(UINT message, WPARAM wParam, LPARAM lParam) {
    ++ownSends;
    LRESULT answer = SendMessageA(tooltip, message, wParam, lParam);
    --ownSends;
    return answer;
}
