#include "support/Window.h"

#include "support/Poll.h"

#include <shellapi.h>

namespace {

struct SEARCH {
    const WINDOW_QUERY* query;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<SEARCH*>(context);
    const WINDOW_QUERY& query = *search->query;
    DWORD processId = 0;
    DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if ((query.processId && processId != query.processId) || (query.threadId && threadId != query.threadId) ||
        (query.visibleOnly && !IsWindowVisible(window)) ||
        (query.owner && GetWindow(window, GW_OWNER) != query.owner) ||
        (query.className && ClassOf(window) != query.className) ||
        (query.title && TitleOf(window) != query.title))
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

} // namespace

WINDOW_QUERY OwnedDialog(HWND owner, const wchar_t* title) {
    WINDOW_QUERY query;
    query.owner = owner;
    query.className = "#32770";
    query.title = title;
    return query;
}

WINDOW_QUERY ProcessDialog(DWORD processId, const wchar_t* title) {
    WINDOW_QUERY query;
    query.processId = processId;
    query.className = "#32770";
    query.title = title;
    return query;
}

std::vector<HWND> FindWindows(const WINDOW_QUERY& query) {
    SEARCH search = {&query, {}};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FirstWindow(const WINDOW_QUERY& query) {
    std::vector<HWND> found = FindWindows(query);
    return found.empty() ? nullptr : found.front();
}

HWND WaitForWindow(const WINDOW_QUERY& query, DWORD timeoutMs) {
    HWND found = nullptr;
    PumpUntil([&] { return (found = FirstWindow(query)) != nullptr; }, timeoutMs);
    return found;
}

std::wstring TitleOf(HWND window) {
    wchar_t title[512] = L"";
    InternalGetWindowText(window, title, 511);
    return title;
}

std::string ClassOf(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

int Width(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect.right - rect.left;
}

int Height(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

POINT Centre(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

bool BoundedSend(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer, DWORD timeoutMs) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, &result) == 0)
        return false;
    if (answer != nullptr)
        *answer = static_cast<LRESULT>(result);
    return true;
}

bool RoundTrip(HWND window, DWORD timeoutMs) {
    return BoundedSend(window, WM_NULL, 0, 0, nullptr, timeoutMs);
}

bool BringToFront(HWND window, DWORD timeoutMs) {
    SetForegroundWindow(window);
    return PumpUntil([&] { return GetForegroundWindow() == window; }, timeoutMs);
}

bool RegisterClassOnce(const char* name, WNDPROC procedure) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = name;
    return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

TEST_WINDOW::TEST_WINDOW(const char* title, RECT place, DWORD style)
    : window(CreateWindowExA(0, "STATIC", title, style, place.left, place.top, place.right - place.left,
                             place.bottom - place.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                             nullptr)) {}

TEST_WINDOW::~TEST_WINDOW() {
    if (IsWindow(window))
        DestroyWindow(window);
}

MESSAGE_HOOK* MESSAGE_HOOK::current[2] = {nullptr, nullptr};

MESSAGE_HOOK::MESSAGE_HOOK(KIND hookKind, std::function<void(const MSG&)> onMessage)
    : kind(hookKind), seen(std::move(onMessage)),
      hook(SetWindowsHookExA(kind == SENT ? WH_CALLWNDPROC : WH_GETMESSAGE, kind == SENT ? Sent : Taken,
                             nullptr, GetCurrentThreadId())) {
    current[kind] = this;
}

MESSAGE_HOOK::~MESSAGE_HOOK() {
    if (hook)
        UnhookWindowsHookEx(hook);
    current[kind] = nullptr;
}

LRESULT CALLBACK MESSAGE_HOOK::Sent(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && current[SENT])
        current[SENT]->seen(MSG{call->hwnd, call->message, call->wParam, call->lParam, 0, {0, 0}});
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK MESSAGE_HOOK::Taken(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == PM_REMOVE && current[TAKEN])
        current[TAKEN]->seen(*reinterpret_cast<const MSG*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

namespace {

NOTIFYICONDATAW IconRecord(HWND owner) {
    NOTIFYICONDATAW record = {};
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = owner;
    return record;
}

} // namespace

bool ShellHasIcon(HWND owner) {
    NOTIFYICONDATAW record = IconRecord(owner); // no flags: nothing changes
    return Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

bool ShellDeleteIcon(HWND owner) {
    NOTIFYICONDATAW record = IconRecord(owner);
    return Shell_NotifyIconW(NIM_DELETE, &record) != FALSE;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

LRESULT CallClassProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC procedure = reinterpret_cast<WNDPROC>(GetClassLongPtrW(control, GCLP_WNDPROC));
    return procedure ? CallWindowProcW(procedure, control, message, wParam, lParam) : 0;
}
