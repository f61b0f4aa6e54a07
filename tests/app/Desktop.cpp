#include "Desktop.h"

#include "app/WindowEntries.h"
#include "support/Screen.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

#ifndef VAYLO_EXE
#error "VAYLO_EXE must name the program under test"
#endif
#ifndef TARGETS_EXE
#error "TARGETS_EXE must name the target-window helper"
#endif

namespace {

// Where menus open: clear of the target cascade and of the centred main window.
POINT const MENU_POINT = {900, 80};

// The list's answer, or LB_ERR when it gave none within the bound.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    LRESULT answer = LB_ERR;
    return BoundedSend(window, message, wParam, lParam, &answer) ? answer : LB_ERR;
}

std::vector<HWND> ProcessWindows(DWORD processId, const std::wstring* title, bool visibleOnly) {
    WINDOW_QUERY query;
    query.processId = processId;
    query.title = title ? title->c_str() : nullptr;
    query.visibleOnly = visibleOnly;
    return FindWindows(query);
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

WINDOW_QUERY MainWindows() {
    WINDOW_QUERY query;
    query.title = L"Window Vaylo";
    query.className = "#32770";
    return query;
}

bool MenuGone(HWND menu) {
    return !IsWindow(menu) || !IsWindowVisible(menu);
}

// The top of the highlighted item, from the top of the open menu window, as
// the screen shows it: the first row mostly in a highlight colour. -1 while
// no item is highlighted or the menu is not shown (the program's menu is in
// another process, where no menu call of ours reaches under Wine).
int HighlightTop(HWND menu) {
    RECT rect = {};
    if (MenuGone(menu) || !GetWindowRect(menu, &rect))
        return -1;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    PIXELS pixels = ScreenPixels(rect);
    if (pixels.size() != static_cast<size_t>(width) * height)
        return -1;
    COLORREF const highlight = GetSysColor(COLOR_HIGHLIGHT), menuHighlight = GetSysColor(COLOR_MENUHILIGHT);
    for (int y = 0; y < height; ++y) {
        int lit = 0;
        for (int x = 0; x < width; ++x)
            lit += pixels[y * width + x] == highlight || pixels[y * width + x] == menuHighlight;
        if (lit * 3 > width)
            return y;
    }
    return -1;
}

} // namespace

std::string VayloPath() {
    static const std::string path = [] {
        char other[MAX_PATH] = {};
        DWORD length = GetEnvironmentVariableA("VAYLO_EXE_UNDER_TEST", other, MAX_PATH);
        return WindowsPath(length > 0 && length < MAX_PATH ? other : VAYLO_EXE);
    }();
    return path;
}

bool StartVaylo(CHILD_PROCESS& process, const std::string& tail, const std::string& program) {
    return process.Start(program.c_str(), "\"" + program + "\"" + tail);
}

std::string RecordName(HWND window) {
    char name[32];
    std::snprintf(name, sizeof name, "%llX",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    return name;
}

namespace {

std::string HeldRecordKey(bool older) {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    return older ? HELD_RECORD_KEY : HELD_RECORD_KEY + std::string("\\") + std::to_string(session);
}

} // namespace

std::map<std::string, std::string> HeldRecord(bool older) {
    std::map<std::string, std::string> values;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, HeldRecordKey(older).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        char name[256] = {}, text[1024] = {};
        DWORD nameLength = sizeof name, size = sizeof text - 1;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                          &size) != ERROR_SUCCESS)
            break;
        values[name] = text;
    }
    RegCloseKey(key);
    return values;
}

// Narrow, as the previous version wrote its values.
bool WriteHeldRecord(const std::string& name, const std::string& text, bool older) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, HeldRecordKey(older).c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    bool written = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                  static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

void ClearHeldRecord() {
    for (bool older : {false, true})
        for (const auto& value : HeldRecord(older)) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, HeldRecordKey(older).c_str(), 0, KEY_WRITE, &key) !=
                ERROR_SUCCESS)
                return;
            RegDeleteValueA(key, value.first.c_str());
            RegCloseKey(key);
        }
}

bool WriteRule(const std::wstring& program, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, RULES_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool written = RegSetValueExW(key, program.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                  static_cast<DWORD>(bytes.size())) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}

bool ReadRule(const std::wstring& program, DWORD& type, std::string& bytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RULES_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    bool found = RegQueryValueExW(key, program.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    bytes.assign(size, '\0');
    found = found && RegQueryValueExW(key, program.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(bytes.empty() ? nullptr : &bytes[0]),
                                      &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    bytes.resize(found ? size : 0);
    return found;
}

void ClearRules() {
    RegDeleteKeyW(HKEY_CURRENT_USER, RULES_KEY);
}

// Started once and asked: the path the system reports for the process, in
// the form the program compares.
std::wstring TargetsProgram() {
    static std::wstring const path = [] {
        TARGETS probe;
        wchar_t text[MAX_PATH * 2] = {};
        DWORD length = MAX_PATH * 2;
        if (!probe.Start({L"untitled"}))
            return std::wstring();
        // Declared for newer targets than the build's: asked by name.
        typedef BOOL(WINAPI * QUERY)(HANDLE, DWORD, LPWSTR, PDWORD);
        QUERY const query = reinterpret_cast<QUERY>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")));
        HANDLE process = OpenProcess(0x1000 /* PROCESS_QUERY_LIMITED_INFORMATION */, FALSE, probe.Id());
        if (process == nullptr || query == nullptr || !query(process, 0, text, &length))
            length = 0;
        if (process != nullptr)
            CloseHandle(process);
        PostMessageW(probe.Untitled(), WM_CLOSE, 0, 0);
        probe.process.WaitForExit(EXIT_TIMEOUT_MS);
        return std::wstring(text, length);
    }();
    return path;
}

void HideToTrayQuietly(const SCRATCH_KEY& settings) {
    for (const char* setting : {"CloseToTray", "MinimizeToTray"}) {
        settings.SetDword(setting, setting, 1);
        settings.SetDword(setting, (std::string(setting) + "RunReminder").c_str(), 0);
    }
}

std::vector<HWND> MainWindowsOfAnyProcess() {
    WINDOW_QUERY query = MainWindows();
    query.visibleOnly = false;
    return FindWindows(query);
}

HWND WaitForMainWindow(const CHILD_PROCESS& process, DWORD timeoutMs) {
    WINDOW_QUERY query = MainWindows();
    query.processId = process.Id();
    HWND main = nullptr;
    PumpUntil([&] { return (main = FirstWindow(query)) != nullptr || !process.IsRunning(); }, timeoutMs);
    return main;
}

std::string TargetsPath() {
    static const std::string path = WindowsPath(TARGETS_EXE);
    return path;
}

std::wstring RunTitle(unsigned serial, const wchar_t* name) {
    wchar_t prefix[48];
    std::swprintf(prefix, 48, L"T%lu.%u ", static_cast<unsigned long>(GetCurrentProcessId()), serial);
    return prefix + std::wstring(name);
}

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text)
        narrow.push_back(static_cast<char>(c < 0x80 ? c : '?'));
    return narrow;
}

// A window that merely exists may not be shown yet: a test that waited only
// for that would see it hidden before anybody hid it.
bool TARGETS::Shown(HWND window) {
    return window != nullptr && GetPropW(window, TARGET_SHOWN_PROPERTY) != nullptr;
}

bool TARGETS::Start(const std::vector<std::wstring>& specs) {
    std::string path = TargetsPath();
    std::wstring line = Quoted(std::wstring(path.begin(), path.end()));
    for (const std::wstring& spec : specs)
        line += L" " + Quoted(spec);
    if (!process.Start(line))
        return false;
    return PumpUntil(
               [&] {
                   if (!process.IsRunning())
                       return true;
                   for (const std::wstring& spec : specs) {
                       size_t colon = spec.find(L':');
                       std::wstring kind = spec.substr(0, colon);
                       if (kind == L"untitled") {
                           if (Untitled() == nullptr)
                               return false;
                       } else if (kind == L"many") {
                           size_t second = spec.find(L':', colon + 1);
                           long count = std::wcstol(spec.c_str() + colon + 1, nullptr, 10);
                           wchar_t last[16];
                           std::swprintf(last, 16, L" %04ld", count - 1);
                           if (count > 0 && !Shown(Window(spec.substr(second + 1) + last)))
                               return false;
                       } else if (!Shown(Window(spec.substr(colon + 1)))) {
                           return false;
                       }
                   }
                   return true;
               },
               START_TIMEOUT_MS) &&
           process.IsRunning();
}

HWND TARGETS::Window(const std::wstring& title) const {
    std::vector<HWND> found = Windows(title);
    return found.empty() ? nullptr : found.front();
}

std::vector<HWND> TARGETS::Windows(const std::wstring& title) const {
    return ProcessWindows(process.Id(), &title, false);
}

HWND TARGETS::Untitled() const {
    std::wstring empty;
    std::vector<HWND> found = ProcessWindows(process.Id(), &empty, true);
    return found.empty() ? nullptr : found.front();
}

bool ListableWindow(HWND window) {
    if (!IsWindowVisible(window) || GetParent(window) != nullptr)
        return false;
    std::wstring title = TitleOf(window);
    return !title.empty() && title != L"Program Manager";
}

std::vector<std::wstring> ListableTitles(HWND exclude) {
    std::vector<std::wstring> titles;
    for (HWND window : FindWindows(WINDOW_QUERY()))
        if (window != exclude && ListableWindow(window))
            titles.push_back(TitleOf(window));
    std::sort(titles.begin(), titles.end());
    return titles;
}

std::vector<std::wstring> RebuiltListTexts(HWND exclude) {
    std::vector<std::wstring> texts;
    HWND sorted = CreateWindowExW(0, L"ListBox", L"", WS_POPUP | LBS_SORT | LBS_HASSTRINGS, 0, 0, 100, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (sorted == nullptr)
        return texts;
    for (HWND window : FindWindows(WINDOW_QUERY()))
        if (window != exclude && ListableWindow(window))
            SendMessageW(sorted, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(TitleOf(window).c_str()));
    LRESULT count = SendMessageW(sorted, LB_GETCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        std::vector<wchar_t> text(static_cast<size_t>(SendMessageW(sorted, LB_GETTEXTLEN, index, 0)) + 1,
                                  L'\0');
        SendMessageW(sorted, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
        texts.push_back(text.data());
    }
    DestroyWindow(sorted);
    return texts;
}

bool WaitVisible(HWND window, bool visible, DWORD timeoutMs) {
    return PumpUntil([&] { return (IsWindowVisible(window) != FALSE) == visible; }, timeoutMs);
}

bool WaitForeground(HWND window, DWORD timeoutMs) {
    return PumpUntil([&] { return GetForegroundWindow() == window; }, timeoutMs);
}

bool ClickIntoControl(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    if (!WaitForeground(dialog))
        return false;
    ClickAt(Centre(control));
    return PumpUntil([&] { return FocusOf(dialog) == control; });
}

POINT TopLeft(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return POINT{rect.left, rect.top};
}

bool Near(POINT a, POINT b) {
    int const nearPx = 2;
    return std::abs(a.x - b.x) <= nearPx && std::abs(a.y - b.y) <= nearPx;
}

bool VAYLO::Start(const std::string& program) {
    if (!StartVaylo(process, "", program))
        return false;
    main = WaitForMainWindow(process, START_TIMEOUT_MS);
    if (main == nullptr)
        return false;
    list = GetDlgItem(main, IDC_WINDOW_LIST);
    return list != nullptr;
}

bool VAYLO::Exit() {
    if (!process.IsRunning())
        return true;
    if (HWND menu = MenuWindow())
        CloseMenu(menu);
    PostMessageW(main, WM_COMMAND, IDC_EXIT, 0);
    if (process.WaitForExit(EXIT_TIMEOUT_MS))
        return true;
    process.Terminate();
    return false;
}

namespace {

// One entry's text. The length asked first only sizes the buffer: the list
// may be rebuilt between the two calls, and the text then copied back can be
// longer, so the buffer is never smaller than the longest title listed.
bool EntryText(HWND list, LRESULT index, std::wstring& text) {
    LRESULT length = Ask(list, LB_GETTEXTLEN, static_cast<WPARAM>(index));
    if (length == LB_ERR)
        return false;
    std::vector<wchar_t> buffer(static_cast<size_t>(std::max<LRESULT>(length, 0)) + 1024, L'\0');
    if (Ask(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data())) == LB_ERR)
        return false;
    buffer.back() = L'\0';
    text = buffer.data();
    return true;
}

} // namespace

std::vector<std::wstring> VAYLO::ListTexts() const {
    std::vector<std::wstring> texts;
    LRESULT count = Ask(list, LB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring text;
        if (EntryText(list, i, text))
            texts.push_back(text);
    }
    return texts;
}

int VAYLO::Count() const {
    return static_cast<int>(Ask(list, LB_GETCOUNT));
}

int VAYLO::Selection() const {
    return static_cast<int>(Ask(list, LB_GETCURSEL));
}

int VAYLO::TopIndex() const {
    return static_cast<int>(Ask(list, LB_GETTOPINDEX));
}

bool VAYLO::SetTopIndex(int index) const {
    return Ask(list, LB_SETTOPINDEX, static_cast<WPARAM>(index)) != LB_ERR;
}

HICON VAYLO::EntryIcon(int index) const {
    LRESULT data = Ask(list, LB_GETITEMDATA, static_cast<WPARAM>(index));
    if (data == LB_ERR || data == 0)
        return nullptr;
    HICON icon = nullptr;
    SIZE_T read = 0;
    const char* field = reinterpret_cast<const char*>(data) + offsetof(WINDOW_ENTRY, icon);
    if (!ReadProcessMemory(process.Handle(), field, &icon, sizeof icon, &read) || read != sizeof icon)
        return nullptr;
    return icon;
}

// The entry's bytes are looked at in place of the object (never destroyed):
// its title's text is a pointer into the program's memory.
std::wstring VAYLO::EntryTitle(int index) const {
    LRESULT data = Ask(list, LB_GETITEMDATA, static_cast<WPARAM>(index));
    if (data == LB_ERR || data == 0)
        return L"";
    alignas(WINDOW_ENTRY) unsigned char raw[sizeof(WINDOW_ENTRY)];
    SIZE_T read = 0;
    if (!ReadProcessMemory(process.Handle(), reinterpret_cast<const void*>(data), raw, sizeof raw, &read) ||
        read != sizeof raw)
        return L"";
    const WSTRING& title = reinterpret_cast<const WINDOW_ENTRY*>(raw)->title;
    std::wstring text(title.Length() < 4096 ? title.Length() : 0, L'\0');
    SIZE_T bytes = text.size() * sizeof(wchar_t);
    if (text.empty() || !ReadProcessMemory(process.Handle(), title.Text(), &text[0], bytes, &read) ||
        read != bytes)
        return L"";
    return text;
}

std::wstring VAYLO::SelectedText() const {
    LRESULT index = Ask(list, LB_GETCURSEL);
    std::wstring text;
    if (index == LB_ERR || !EntryText(list, index, text))
        return L"";
    return text;
}

int VAYLO::IndexOf(const std::wstring& title) const {
    std::vector<std::wstring> texts = ListTexts();
    auto found = std::find(texts.begin(), texts.end(), title);
    return found == texts.end() ? -1 : static_cast<int>(found - texts.begin());
}

int VAYLO::Occurrences(const std::wstring& title) const {
    std::vector<std::wstring> texts = ListTexts();
    return static_cast<int>(std::count(texts.begin(), texts.end(), title));
}

bool VAYLO::Select(int index) const {
    return Ask(list, LB_SETCURSEL, static_cast<WPARAM>(index)) == index;
}

bool VAYLO::WaitListed(const std::wstring& title, int times, DWORD timeoutMs) const {
    return PumpUntil([&] { return Occurrences(title) == times; }, timeoutMs);
}

bool VAYLO::WaitUnlisted(const std::wstring& title, DWORD timeoutMs) const {
    return PumpUntil([&] { return IndexOf(title) < 0; }, timeoutMs);
}

bool VAYLO::Send(UINT message, WPARAM wParam, LPARAM lParam) const {
    return BoundedSend(main, message, wParam, lParam);
}

bool VAYLO::SelectEntry(const std::wstring& title) const {
    // A refresh between finding the entry and selecting it can move it; once
    // selected, it stays with its window.
    for (int attempt = 0; attempt < 10; ++attempt) {
        int index = IndexOf(title);
        if (index < 0)
            return false;
        if (Select(index) && SelectedText() == title)
            return true;
    }
    return false;
}

bool VAYLO::DoubleClickEntry(const std::wstring& title) const {
    if (!SelectEntry(title))
        return false;
    return Command(MAKEWPARAM(IDC_WINDOW_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
}

bool VAYLO::EntryRect(int index, RECT& rect) const {
    if (Ask(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect)) == LB_ERR)
        return false;
    RECT client;
    GetClientRect(list, &client);
    if (rect.top < client.top || rect.bottom > client.bottom)
        return false; // scrolled out of sight
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return true;
}

bool VAYLO::RealDoubleClickEntry(const std::wstring& title) const {
    SetForegroundWindow(main);
    if (!WaitForeground(main))
        return false;
    int index = IndexOf(title);
    RECT rect;
    if (index < 0 || !EntryRect(index, rect))
        return false;
    // Right of the icon, on the text.
    DoubleClickAt(POINT{rect.left + 40, (rect.top + rect.bottom) / 2});
    return true;
}

namespace {

bool VayloInFront(DWORD processId) {
    DWORD owner = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &owner);
    return owner == processId;
}

} // namespace

HWND VAYLO::MenuWindow() const {
    WINDOW_QUERY query;
    query.processId = process.Id();
    query.className = "#32768";
    return FirstWindow(query);
}

HWND VAYLO::OpenMenu() const {
    // Under Wine focus events from the X server arrive late; one that lands
    // while the menu opens takes the foreground away and closes the menu at
    // once. A menu that stayed open a moment, with keys going to its thread,
    // is open for good.
    for (int attempt = 0; attempt < 4; ++attempt) {
        SetCursorPos(MENU_POINT.x, MENU_POINT.y);
        PostMessageW(main, WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
        HWND menu = nullptr;
        PumpUntil(
            [&] {
                menu = MenuWindow();
                return menu != nullptr;
            },
            3000);
        if (menu == nullptr) { // never seen: it may have opened and closed between two looks
            Send(WM_NULL, 0, 0);
            continue;
        }
        bool closed = PumpUntil([&] { return MenuGone(menu); }, 300);
        if (!closed && PumpUntil([&] { return VayloInFront(process.Id()); }, 2000))
            return menu;
        if (!closed)
            CloseMenu(menu);
        Send(WM_NULL, 0, 0);
    }
    return nullptr;
}

int VAYLO::HiddenItems(HWND menu, int emptyHeight) {
    int extra = Height(menu) - emptyHeight;
    if (extra < 0 || extra % MENU_ITEM_HEIGHT != 0)
        return -1;
    return extra / MENU_ITEM_HEIGHT;
}

// Once the menu has gone, the program still gives the foreground back
// after the menu call returns; a round trip waits for that. A chosen Exit
// may have closed the window before the round trip.
bool VAYLO::MenuEnded(HWND menu) const {
    return PumpUntil([&] { return MenuGone(menu); }, WAIT_MS) && (Send(WM_NULL, 0, 0) || !IsWindow(main));
}

bool VAYLO::CloseMenu(HWND menu) const {
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    return MenuEnded(menu);
}

bool VAYLO::ChooseMenuItem(HWND menu, int position) const {
    int highlighted = -1;
    for (int i = 0; i <= position; ++i) {
        int before = highlighted;
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        if (!PumpUntil([&] { return (highlighted = HighlightTop(menu)) > before; }))
            return false;
    }
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    return MenuEnded(menu);
}

bool VAYLO::ChooseFromContextMenu(const std::wstring& title, int position) const {
    if (!SelectEntry(title) || !PostMessageW(main, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1))
        return false;
    HWND menu = nullptr;
    return PumpUntil([&] { return (menu = MenuWindow()) != nullptr; }) && ChooseMenuItem(menu, position);
}

int VAYLO::CountHiddenItems(int emptyHeight) const {
    HWND menu = OpenMenu();
    if (menu == nullptr)
        return -2;
    int items = HiddenItems(menu, emptyHeight);
    if (!CloseMenu(menu))
        return -3;
    return items;
}

int VAYLO::MenuHeightWithoutItems() const {
    HWND menu = OpenMenu();
    if (menu == nullptr)
        return -1;
    int height = Height(menu);
    CloseMenu(menu);
    return height;
}
