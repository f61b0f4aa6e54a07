#include "framework/WindowUtilities.h"

#include "foundation/Handles.h"
#include "foundation/SystemUtilities.h"
#include "framework/WindowPlacement.h"

#include <vector>

namespace {

unsigned const kTitleBufferSize = 260;
unsigned const kTitleLimit = 255; // with the terminating zero: 254 characters of title

bool TitleMatches(HWND window, const STRING& pattern) {
    if (pattern.Length() == 0)
        return true; // an empty pattern is in every title
    STRING title = ReadWindowTitle(window);
    if (title.Length() == 0)
        return false;
    title.ToUpper();
    return title.Contains(pattern.Text());
}

bool ClassMatches(HWND window, const char* className) {
    if (!className || !*className)
        return true;
    STRING name = WindowClassName(window);
    return name.Length() != 0 && name.StartsWithNoCase(className);
}

HWND FindAmongChildren(const STRING* pattern, const char* className, HWND parent, bool recurse) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        bool titleOk = !pattern || TitleMatches(child, *pattern);
        if (titleOk && ClassMatches(child, className))
            return child;
        if (recurse) {
            HWND found = FindAmongChildren(pattern, className, child, true);
            if (found)
                return found;
        }
    }
    return nullptr;
}

typedef int(WINAPI* InternalGetWindowTextProc)(HWND, LPWSTR, int);

// Reads the title the system keeps for the window, without messaging it.
// DefWindowProcA answers nothing for another process's window under Wine;
// InternalGetWindowText is loaded by name so a system without it still runs.
// One unit more than is kept is asked for: a cut through a surrogate pair is
// then told from a title that ends at the limit.
WSTRING StoredWideTitle(HWND window) {
    static InternalGetWindowTextProc internalGetWindowText =
        LibraryProc<InternalGetWindowTextProc>(GetModuleHandleA("user32.dll"), "InternalGetWindowText");
    if (!internalGetWindowText)
        return WSTRING();

    wchar_t wide[kTitleLimit + 1] = {};
    int count = internalGetWindowText(window, wide, kTitleLimit + 1);
    if (count <= 0)
        return WSTRING();
    if (count > static_cast<int>(kTitleLimit))
        count = kTitleLimit;
    return WSTRING(wide, WholeUnits(wide, static_cast<unsigned>(count), kTitleLimit - 1));
}

STRING StoredTitle(HWND window) {
    WSTRING wide = StoredWideTitle(window);
    if (wide.Length() == 0)
        return STRING();

    // A double-byte code page can need two bytes a character: convert in full,
    // then cut to the limit without splitting a character.
    char narrow[2 * kTitleLimit + 2] = {};
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.Length()), narrow,
                                    sizeof(narrow) - 1, nullptr, nullptr);
    if (bytes <= 0)
        return STRING();
    unsigned kept = 0;
    while (kept < static_cast<unsigned>(bytes)) {
        unsigned step = IsDBCSLeadByte(static_cast<BYTE>(narrow[kept])) ? 2 : 1;
        if (kept + step > kTitleLimit - 1)
            break;
        kept += step;
    }
    return STRING(narrow, kept);
}

} // namespace

HWND FindTopLevelWindow(const char* title, const char* className, HWND parent, bool recurse) {
    if (!parent)
        parent = GetDesktopWindow();
    STRING pattern(title);
    pattern.ToUpper();
    return FindAmongChildren(title ? &pattern : nullptr, className, parent, recurse);
}

// The stored title first: it is the text the default window procedure copies
// (one call instead of two for each window the list reads every second, and
// the only one that answers for another process's window under Wine). The
// default window procedure serves a system without InternalGetWindowText.
STRING ReadWindowTitle(HWND window) {
    STRING stored = StoredTitle(window);
    if (stored.Length() != 0)
        return stored;
    char buffer[kTitleBufferSize] = {};
    DefWindowProcA(window, WM_GETTEXT, kTitleLimit, reinterpret_cast<LPARAM>(buffer));
    return buffer[0] ? STRING(buffer, kTitleLimit - 1) : STRING();
}

bool ShownToUser(bool visible, HRESULT cloakedQuery, DWORD cloaked) {
    return visible && (FAILED(cloakedQuery) || cloaked == 0);
}

// The window manager's library is loaded by full path on the first question:
// Windows XP has none, and a file of its name beside the program is not it.
bool IsWindowShownToUser(HWND window) {
    if (!IsWindowVisible(window))
        return false;
    typedef HRESULT(WINAPI * WindowAttributeProc)(HWND, DWORD, PVOID, DWORD);
    static WindowAttributeProc const windowAttribute =
        LibraryProc<WindowAttributeProc>(LoadSystemLibrary("dwmapi.dll"), "DwmGetWindowAttribute");
    if (windowAttribute == nullptr)
        return true;
    DWORD const CLOAKED = 14; // DWMWA_CLOAKED, Windows 8 on; earlier systems fail the call
    DWORD cloaked = 0;
    return ShownToUser(true, windowAttribute(window, CLOAKED, &cloaked, sizeof cloaked), cloaked);
}

WSTRING ReadWindowTitleW(HWND window) {
    WSTRING stored = StoredWideTitle(window);
    if (stored.Length() != 0)
        return stored;
    wchar_t buffer[kTitleBufferSize] = {};
    LRESULT count = DefWindowProcW(window, WM_GETTEXT, kTitleLimit + 1, reinterpret_cast<LPARAM>(buffer));
    unsigned length = BoundedLength(buffer, count > 0 ? static_cast<unsigned>(count) : 0);
    return length ? WSTRING(buffer, WholeUnits(buffer, length, kTitleLimit - 1)) : WSTRING();
}

STRING WindowClassName(HWND window) {
    unsigned capacity = 16;
    std::vector<char> buffer;
    int length = 0;
    do {
        capacity *= 2;
        buffer.assign(capacity + 1, '\0');
        length = GetClassNameA(window, buffer.data(), capacity + 1);
        if (length <= 0)
            return STRING();
    } while (static_cast<unsigned>(length) == capacity);
    return STRING(buffer.data(), length);
}

void MoveWindowTo(HWND window, const RECT& rect, bool whole) {
    if (whole) {
        MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
        return;
    }
    RECT current;
    if (!GetWindowRect(window, &current))
        return;
    MoveWindow(window, rect.left, rect.top, current.right - current.left, current.bottom - current.top, TRUE);
}

namespace {

// A minimized reference lies on no monitor: its normal rectangle counts,
// which GetWindowPlacement gives in workspace coordinates (from the primary
// work area's corner) unless the window is a tool window.
bool ReferenceRect(HWND reference, RECT& rect) {
    if (!reference || !GetWindowRect(reference, &rect))
        return false;
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    if (!IsIconic(reference) || !GetWindowPlacement(reference, &placement))
        return true;
    rect = placement.rcNormalPosition;
    RECT work = {};
    if (!(GetWindowLongA(reference, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) &&
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        OffsetRect(&rect, work.left, work.top);
    return true;
}

} // namespace

void CentreWindow(HWND window, HWND reference) {
    RECT own = {};
    if (!IsWindow(window) || !GetWindowRect(window, &own))
        return;
    MONITOR_LAYOUT layout = CurrentMonitorLayout();
    RECT over = {};
    if (!ReferenceRect(reference, over)) // the desktop, or a dead reference: the primary work area
        over = WorkAreaNearest(layout.primary, layout);
    RECT placed = CentredInWorkArea(own, over, layout);
    MoveWindow(window, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top, TRUE);
}

namespace {

// The box is this thread's first dialog owned by the owner to be activated
// while the thread's CBT hook is in place, so no other window is ever
// touched. Boxes opened inside a box's modal loop nest.
class OPENING_BOX {
  public:
    OPENING_BOX(HWND ownerWindow, HICON ownerIcon)
        : owner(ownerWindow), icon(ownerIcon), outer(current),
          hook(SetWindowsHookExA(WH_CBT, Watch, nullptr, GetCurrentThreadId())) {
        current = this;
    }
    ~OPENING_BOX() { current = outer; } // the hook goes after
    OPENING_BOX(const OPENING_BOX&) = delete;
    OPENING_BOX& operator=(const OPENING_BOX&) = delete;

  private:
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
        OPENING_BOX* box = current;
        if (code == HCBT_ACTIVATE && box && !box->placed) {
            HWND window = reinterpret_cast<HWND>(wParam);
            if (GetWindow(window, GW_OWNER) == box->owner &&
                WindowClassName(window).StartsWithNoCase("#32770")) {
                box->placed = true;
                if (box->icon)
                    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(box->icon));
                CentreWindow(window, box->owner);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static thread_local OPENING_BOX* current;
    HWND owner;
    HICON icon;
    OPENING_BOX* outer;
    HOOK_HANDLE hook;
    bool placed = false;
};

thread_local OPENING_BOX* OPENING_BOX::current = nullptr;

} // namespace

int MessageBoxOverOwner(const MSGBOXPARAMSA& box, HICON icon) {
    if (!box.hwndOwner) // nothing to centre over: where the system puts it
        return MessageBoxIndirectA(&box);
    OPENING_BOX opening(box.hwndOwner, icon);
    return MessageBoxIndirectA(&box);
}

int MessageBoxOverOwner(const MSGBOXPARAMSW& box, HICON icon) {
    if (!box.hwndOwner)
        return MessageBoxIndirectW(&box);
    OPENING_BOX opening(box.hwndOwner, icon);
    return MessageBoxIndirectW(&box);
}

STRING EditText(HWND edit) {
    STRING text("");
    int length = edit ? GetWindowTextLengthA(edit) : 0;
    if (length <= 0)
        return text;
    // A block that could not grow is never written through.
    if (text.SetLength(static_cast<unsigned>(length)).Length() != static_cast<unsigned>(length))
        return STRING("");
    int copied = GetWindowTextA(edit, text.Buffer(), length + 1);
    text.SetLength(copied > 0 ? static_cast<unsigned>(copied) : 0);
    return text;
}

namespace {

typedef BOOL(WINAPI* WindowFilterProc)(HWND, UINT, DWORD, void*);
typedef BOOL(WINAPI* ProcessFilterProc)(UINT, DWORD);
DWORD const FILTER_ALLOW = 1; // MSGFLT_ALLOW, and MSGFLT_ADD of the older call

} // namespace

// The per-window filter exists from Windows 7, the per-process one from
// Windows Vista; both are looked up at run time so that Windows XP starts.
bool AllowMessageFromLowerIntegrity(HWND window, UINT message) {
    HMODULE user = GetModuleHandleA("user32.dll");
    static WindowFilterProc const windowFilter =
        LibraryProc<WindowFilterProc>(user, "ChangeWindowMessageFilterEx");
    static ProcessFilterProc const processFilter =
        LibraryProc<ProcessFilterProc>(user, "ChangeWindowMessageFilter");
    if (windowFilter != nullptr)
        return windowFilter(window, message, FILTER_ALLOW, nullptr) != FALSE;
    if (processFilter != nullptr)
        return processFilter(message, FILTER_ALLOW) != FALSE;
    return true;
}

// ISMEX_NOSEND: sent by this thread, or posted.
bool SentByAnotherThread() {
    return (InSendMessageEx(nullptr) & (ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK)) != 0;
}
