#include "dialogs/Hyperlink.h"

#include "dialogs/LinkLauncher.h"
#include "foundation/Handles.h"
#include "foundation/SystemUtilities.h"
#include "foundation/WideString.h"
#include "framework/WindowUtilities.h"

#include <windowsx.h>

#include <cstring>
#include <new>

namespace {

wchar_t const kClassNameW[] = L"MV_HYPERLINK";
COLORREF const kDefaultColour = RGB(0, 0, 255);
// Room for the focus rectangle to the left and right of the caption.
int const kMargin = 1;
UINT const kTextFormat = DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_END_ELLIPSIS;

// The system's shared cursor: never destroyed. Systems before the hand
// cursor existed get the arrow.
HCURSOR HandCursor() {
    static HCURSOR hand = LoadCursorA(nullptr, IDC_HAND);
    return hand ? hand : LoadCursorA(nullptr, IDC_ARROW);
}

// The state of one control window, made at WM_NCCREATE and freed at
// WM_NCDESTROY, its one release site; the window's extra bytes point to it.
class HYPERLINK {
  public:
    explicit HYPERLINK(HWND window) : hwnd(window) {}
    HYPERLINK(const HYPERLINK&) = delete;
    HYPERLINK& operator=(const HYPERLINK&) = delete;

    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    LRESULT OnCreate(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnConfigure(WPARAM command, LPARAM lParam);
    LRESULT OnGetTarget(WPARAM size, LPARAM buffer) const;
    LRESULT OnSetText(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFont(HFONT newFont, bool redraw);
    LRESULT OnPaint();
    LRESULT OnSetCursor(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMouseMove(LPARAM point);
    LRESULT OnMouseLeave();
    LRESULT OnButtonDown(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnButtonUp(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnKeyDown(UINT message, WPARAM key, LPARAM flags);
    LRESULT OnKeyUp(UINT message, WPARAM key, LPARAM flags);
    LRESULT OnDialogCode(const MSG* queued) const;
    LRESULT OnFocus(bool gained);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) const;

    void Open();
    void Redraw() const { InvalidateRect(hwnd, nullptr, TRUE); }
    void SetCaption(const WSTRING& text);
    WSTRING MessageText(LPARAM text) const;
    const WSTRING& Shown() const { return caption.Length() ? caption : target; }
    void DrawShown(HDC dc, RECT& rect, UINT format) const;
    HFONT DrawingFont() const;
    COLORREF TextColour() const;
    bool ShowsFocus() const;
    RECT CaptionRect(HDC dc) const;
    RECT CaptionRect() const;
    bool OnCaption(LPARAM point) const;

    HWND hwnd;
    WSTRING target;
    WSTRING caption;
    COLORREF colour = kDefaultColour;
    COLORREF hoverColour = kDefaultColour;
    bool hoverColourSet = false;
    bool underline = false;
    bool hovering = false;
    bool pressed = false;
    bool spaceDown = false;
    bool focused = false;
    bool opening = false;
    HFONT font = nullptr;       // the dialog's, borrowed
    FONT_HANDLE underlinedFont; // ours: the same font underlined
};

LRESULT HYPERLINK::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: return OnCreate(message, wParam, lParam);
    // Their texts and buffers are pointers into the sender's memory, which
    // the system does not copy across: only this thread configures or asks.
    case WM_COMMAND: return SentByAnotherThread() ? 0 : OnConfigure(wParam, lParam);
    case HLM_GETTARGET: return SentByAnotherThread() ? 0 : OnGetTarget(wParam, lParam);
    case WM_SETTEXT: return OnSetText(message, wParam, lParam);
    case WM_SETFONT: return OnSetFont(reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font);
    case WM_ERASEBKGND: return TRUE; // painted whole in WM_PAINT
    case WM_PAINT: return OnPaint();
    case WM_SETCURSOR: return OnSetCursor(message, wParam, lParam);
    case WM_MOUSEMOVE: return OnMouseMove(lParam);
    case WM_MOUSELEAVE: return OnMouseLeave();
    case WM_LBUTTONDOWN: return OnButtonDown(message, wParam, lParam);
    case WM_LBUTTONUP: return OnButtonUp(message, wParam, lParam);
    case WM_CAPTURECHANGED: pressed = false; return 0;
    case WM_KEYDOWN: return OnKeyDown(message, wParam, lParam);
    case WM_KEYUP: return OnKeyUp(message, wParam, lParam);
    case WM_GETDLGCODE: return OnDialogCode(reinterpret_cast<const MSG*>(lParam));
    case WM_SETFOCUS: return OnFocus(true);
    case WM_KILLFOCUS: return OnFocus(false);
    case WM_ENABLE: Redraw(); return 0;
    case WM_UPDATEUISTATE: Redraw(); return Default(message, wParam, lParam);
    default: return Default(message, wParam, lParam);
    }
}

// The template's text, usually empty, is the first caption.
LRESULT HYPERLINK::OnCreate(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT created = Default(message, wParam, lParam);
    auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    if (create && create->lpszName && !IS_INTRESOURCE(create->lpszName))
        caption = MessageText(reinterpret_cast<LPARAM>(create->lpszName));
    OnSetFont(nullptr, false);
    return created;
}

LRESULT HYPERLINK::OnConfigure(WPARAM command, LPARAM lParam) {
    switch (command) {
    case HYPERLINK_SET_TARGET: target = WSTRING(reinterpret_cast<const wchar_t*>(lParam)); break;
    case HYPERLINK_SET_CAPTION: SetCaption(WSTRING(reinterpret_cast<const wchar_t*>(lParam))); break;
    case HYPERLINK_SET_COLOUR: colour = static_cast<COLORREF>(lParam); break;
    case HYPERLINK_SET_HOVER_COLOUR:
        hoverColour = static_cast<COLORREF>(lParam);
        hoverColourSet = true;
        break;
    case HYPERLINK_SET_UNDERLINE: underline = lParam != 0; break;
    default: return Default(WM_COMMAND, command, lParam);
    }
    Redraw();
    return TRUE;
}

LRESULT HYPERLINK::OnGetTarget(WPARAM size, LPARAM buffer) const {
    auto* out = reinterpret_cast<wchar_t*>(buffer);
    if (out && size > 0) {
        unsigned count = target.Length() < size ? target.Length() : static_cast<unsigned>(size - 1);
        std::memcpy(out, target.c_str(), count * sizeof(wchar_t));
        out[count] = 0;
    }
    return static_cast<LRESULT>(target.Length());
}

// Whoever sets the window text sets the caption.
LRESULT HYPERLINK::OnSetText(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT answer = Default(message, wParam, lParam);
    caption = MessageText(lParam);
    Redraw();
    return answer;
}

// The caption is the window text too, for WM_GETTEXT and screen readers. Set
// through the default procedure, not SetWindowText, so it is not converted.
void HYPERLINK::SetCaption(const WSTRING& text) {
    caption = text;
    if (IsWindowUnicode(hwnd)) {
        DefWindowProcW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()));
    } else {
        STRING narrow = FromWide(caption.c_str());
        DefWindowProcA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(narrow.c_str()));
    }
}

WSTRING HYPERLINK::MessageText(LPARAM text) const {
    if (!text)
        return WSTRING();
    if (IsWindowUnicode(hwnd))
        return WSTRING(reinterpret_cast<const wchar_t*>(text));
    return WSTRING(reinterpret_cast<const char*>(text));
}

// A null font means the dialog's default: the GUI font. The underlined copy
// is made once per font, not at every paint.
LRESULT HYPERLINK::OnSetFont(HFONT newFont, bool redraw) {
    font = newFont;
    HGDIOBJ base = font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT);
    LOGFONTA description = {};
    underlinedFont.Reset();
    if (GetObjectA(base, sizeof description, &description)) {
        description.lfUnderline = TRUE;
        underlinedFont.Reset(CreateFontIndirectA(&description));
    }
    if (redraw)
        Redraw();
    return 0;
}

HFONT HYPERLINK::DrawingFont() const {
    if ((underline || hovering) && underlinedFont.IsValid())
        return underlinedFont.Get();
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

COLORREF HYPERLINK::TextColour() const {
    if (!IsWindowEnabled(hwnd))
        return GetSysColor(COLOR_GRAYTEXT);
    return hovering && hoverColourSet ? hoverColour : colour;
}

// Keyboard cues stay hidden until the keyboard is used, when the system is
// set up that way; systems without the message answer 0 and show them.
bool HYPERLINK::ShowsFocus() const {
    return (SendMessageA(hwnd, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

void HYPERLINK::DrawShown(HDC dc, RECT& rect, UINT format) const {
    if (IsWindowUnicode(hwnd)) {
        DrawTextW(dc, Shown().c_str(), -1, &rect, format);
    } else {
        STRING narrow = FromWide(Shown().c_str());
        DrawTextA(dc, narrow.c_str(), -1, &rect, format);
    }
}

// Where the caption is drawn, with its margins, centred in the height and at
// most as wide as the control; the whole control while there is no caption.
RECT HYPERLINK::CaptionRect(HDC dc) const {
    RECT client = {};
    GetClientRect(hwnd, &client);
    if (Shown().Length() == 0)
        return client;
    HGDIOBJ previous = SelectObject(dc, DrawingFont());
    RECT text = client;
    DrawShown(dc, text, kTextFormat | DT_CALCRECT);
    SelectObject(dc, previous);
    LONG width = text.right - text.left + 2 * kMargin;
    LONG height = text.bottom - text.top;
    LONG top = client.bottom > height ? (client.bottom - height) / 2 : 0;
    return RECT{0, top, width < client.right ? width : client.right,
                top + height < client.bottom ? top + height : client.bottom};
}

RECT HYPERLINK::CaptionRect() const {
    WINDOW_DC dc(hwnd);
    return dc.Get() ? CaptionRect(dc.Get()) : RECT{};
}

bool HYPERLINK::OnCaption(LPARAM point) const {
    POINT at = {GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    RECT link = CaptionRect();
    return Shown().Length() > 0 && PtInRect(&link, at);
}

// The background is the parent's, as for a static control: the About box
// hands the question on to its owner, whose colours every dialog takes.
LRESULT HYPERLINK::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    if (dc) {
        RECT client = {};
        GetClientRect(hwnd, &client);
        auto background = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(hwnd), WM_CTLCOLORSTATIC,
                                                                reinterpret_cast<WPARAM>(dc),
                                                                reinterpret_cast<LPARAM>(hwnd)));
        FillRect(dc, &client, background ? background : GetSysColorBrush(COLOR_BTNFACE));

        RECT link = CaptionRect(dc);
        HGDIOBJ previous = SelectObject(dc, DrawingFont());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, TextColour());
        RECT text = {client.left + kMargin, link.top, client.right - kMargin, link.bottom};
        DrawShown(dc, text, kTextFormat);
        if (focused && ShowsFocus())
            DrawFocusRect(dc, &link);
        SelectObject(dc, previous);
    }
    EndPaint(hwnd, &paint);
    return 0;
}

// Only the caption is the link: beside it the class's arrow is shown.
LRESULT HYPERLINK::OnSetCursor(UINT message, WPARAM wParam, LPARAM lParam) {
    POINT at = {};
    if (LOWORD(lParam) == HTCLIENT && GetCursorPos(&at) && ScreenToClient(hwnd, &at) &&
        OnCaption(MAKELPARAM(at.x, at.y))) {
        SetCursor(HandCursor());
        return TRUE;
    }
    return Default(message, wParam, lParam);
}

LRESULT HYPERLINK::OnMouseMove(LPARAM point) {
    bool over = OnCaption(point);
    if (over == hovering)
        return 0;
    hovering = over;
    Redraw();
    if (over) {
        TRACKMOUSEEVENT leave = {};
        leave.cbSize = sizeof leave;
        leave.dwFlags = TME_LEAVE;
        leave.hwndTrack = hwnd;
        TrackMouseEvent(&leave);
    }
    return 0;
}

LRESULT HYPERLINK::OnMouseLeave() {
    if (hovering) {
        hovering = false;
        Redraw();
    }
    return 0;
}

// A click is a press and a release both on the caption, as for a button; a
// double click opens once (the second press arrives as WM_LBUTTONDBLCLK).
LRESULT HYPERLINK::OnButtonDown(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!OnCaption(lParam))
        return Default(message, wParam, lParam);
    if (GetFocus() != hwnd)
        SetFocus(hwnd);
    pressed = true;
    SetCapture(hwnd);
    return 0;
}

LRESULT HYPERLINK::OnButtonUp(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!pressed)
        return Default(message, wParam, lParam);
    pressed = false;
    bool over = OnCaption(lParam);
    ReleaseCapture();
    if (over)
        Open();
    return 0;
}

// Enter opens as it goes down, Space as it comes up (as a button does); a
// key held down repeats nothing.
LRESULT HYPERLINK::OnKeyDown(UINT message, WPARAM key, LPARAM flags) {
    bool repeat = (flags & (1 << 30)) != 0;
    if (key == VK_RETURN) {
        if (!repeat)
            Open();
        return 0;
    }
    if (key == VK_SPACE) {
        spaceDown = spaceDown || !repeat;
        return 0;
    }
    return Default(message, key, flags);
}

LRESULT HYPERLINK::OnKeyUp(UINT message, WPARAM key, LPARAM flags) {
    if (key != VK_SPACE || !spaceDown)
        return Default(message, key, flags);
    spaceDown = false;
    Open();
    return 0;
}

// Enter is ours while we have the focus, or the dialog would press its
// default button. Tab and the arrows stay the dialog's.
LRESULT HYPERLINK::OnDialogCode(const MSG* queued) const {
    if (queued && (queued->message == WM_KEYDOWN || queued->message == WM_CHAR) &&
        queued->wParam == VK_RETURN)
        return DLGC_WANTMESSAGE;
    return 0;
}

LRESULT HYPERLINK::OnFocus(bool gained) {
    focused = gained;
    if (!gained)
        spaceDown = false;
    Redraw();
    return 0;
}

// Opening may pump messages (the shell's); a click meanwhile opens nothing more.
void HYPERLINK::Open() {
    if (opening)
        return;
    SCOPED_FLAG<bool> busy(opening);
    OpenLink(hwnd, target.c_str());
}

LRESULT HYPERLINK::Default(UINT message, WPARAM wParam, LPARAM lParam) const {
    return IsWindowUnicode(hwnd) ? DefWindowProcW(hwnd, message, wParam, lParam)
                                 : DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK HyperlinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<HYPERLINK*>(GetWindowLongPtrA(window, 0));
    if (message == WM_NCCREATE && !self) {
        self = new (std::nothrow) HYPERLINK(window);
        if (!self)
            return FALSE;
        SetWindowLongPtrA(window, 0, reinterpret_cast<LONG_PTR>(self));
    }
    if (!self)
        return IsWindowUnicode(window) ? DefWindowProcW(window, message, wParam, lParam)
                                       : DefWindowProcA(window, message, wParam, lParam);
    LRESULT answer = self->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, 0, 0);
        delete self;
    }
    return answer;
}

} // namespace

bool RegisterHyperlinkClass(HINSTANCE instance) {
    UINT style = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    if (IsNtPlatform()) {
        WNDCLASSEXW linkClass = {};
        linkClass.cbSize = sizeof linkClass;
        linkClass.style = style;
        linkClass.lpfnWndProc = HyperlinkProc;
        linkClass.cbWndExtra = sizeof(HYPERLINK*);
        linkClass.hInstance = instance;
        linkClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        linkClass.lpszClassName = kClassNameW;
        if (RegisterClassExW(&linkClass))
            return true;
    } else {
        WNDCLASSEXA linkClass = {};
        linkClass.cbSize = sizeof linkClass;
        linkClass.style = style;
        linkClass.lpfnWndProc = HyperlinkProc;
        linkClass.cbWndExtra = sizeof(HYPERLINK*);
        linkClass.hInstance = instance;
        linkClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        linkClass.lpszClassName = HYPERLINK_CLASS;
        if (RegisterClassExA(&linkClass))
            return true;
    }
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    return GetClassInfoExA(instance, HYPERLINK_CLASS, &existing) != 0;
}
