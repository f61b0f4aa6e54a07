#include "support/Window.h"

#include "support/Poll.h"

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

bool RoundTrip(HWND window, DWORD timeoutMs) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
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
