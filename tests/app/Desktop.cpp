#include "Desktop.h"

#include <algorithm>
#include <cwchar>

#ifndef TARGETS_EXE
#error "TARGETS_EXE must name the target-window helper"
#endif

namespace {

DWORD const ANSWER_MS = 10000; // bound on every message sent to Vaylo
// Where menus open: clear of the target cascade and of the centred main window.
POINT const MENU_POINT = {900, 80};

bool Answered(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* answer) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, ANSWER_MS, &result) == 0)
        return false;
    if (answer != nullptr)
        *answer = static_cast<LRESULT>(result);
    return true;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    LRESULT answer = LB_ERR;
    if (!Answered(window, message, wParam, lParam, &answer))
        return LB_ERR;
    return answer;
}

struct WINDOW_SEARCH {
    DWORD processId;
    const std::wstring* title; // null: any title
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindows(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WINDOW_SEARCH*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId)
        return TRUE;
    if (search->visibleOnly && !IsWindowVisible(window))
        return TRUE;
    if (search->title != nullptr && TitleOf(window) != *search->title)
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> ProcessWindows(DWORD processId, const std::wstring* title, bool visibleOnly) {
    WINDOW_SEARCH search = {processId, title, visibleOnly, {}};
    EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring Quoted(const std::wstring& text) {
    return L"\"" + text + L"\"";
}

void SendKey(WORD virtualKey, bool down) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtualKey, 0));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

bool KeyIsDown(WORD virtualKey) {
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

HWND OpenMenuWindow(DWORD processId) {
    std::vector<HWND> windows = ProcessWindows(processId, nullptr, true);
    for (HWND window : windows)
        if (ClassOf(window) == "#32768")
            return window;
    return nullptr;
}

bool MenuGone(HWND menu) {
    return !IsWindow(menu) || !IsWindowVisible(menu);
}

} // namespace

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

bool TARGETS::Start(const std::vector<std::wstring>& specs) {
    std::string path = TargetsPath();
    std::wstring line = Quoted(std::wstring(path.begin(), path.end()));
    for (const std::wstring& spec : specs)
        line += L" " + Quoted(spec);
    if (!process.Start(path.c_str(), Narrow(line)))
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
                           if (count > 0 && Window(spec.substr(second + 1) + last) == nullptr)
                               return false;
                       } else if (Window(spec.substr(colon + 1)) == nullptr) {
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

namespace {

struct LISTABLE {
    HWND exclude;
    std::vector<std::wstring> titles;
};

BOOL CALLBACK CollectListable(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<LISTABLE*>(context);
    if (window != search->exclude && ListableWindow(window))
        search->titles.push_back(TitleOf(window));
    return TRUE;
}

} // namespace

std::vector<std::wstring> ListableTitles(HWND exclude) {
    LISTABLE search = {exclude, {}};
    EnumWindows(CollectListable, reinterpret_cast<LPARAM>(&search));
    std::sort(search.titles.begin(), search.titles.end());
    return search.titles;
}

bool WaitVisible(HWND window, bool visible, DWORD timeoutMs) {
    return PumpUntil([&] { return (IsWindowVisible(window) != FALSE) == visible; }, timeoutMs);
}

bool WaitForeground(HWND window, DWORD timeoutMs) {
    return PumpUntil([&] { return GetForegroundWindow() == window; }, timeoutMs);
}

HELD_KEY::HELD_KEY(WORD virtualKey) : key(virtualKey) {
    // Under Wine a window that gains the X focus takes the key state from the
    // X server, which knows nothing of keys pressed with SendInput: a focus
    // change still on its way releases the key. Press again until it stays.
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

void PressKey(WORD virtualKey) {
    SendKey(virtualKey, true);
    SendKey(virtualKey, false);
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

void DoubleClickAt(POINT screen) {
    MovePointer(screen);
    for (int click = 0; click < 2; ++click) {
        SendMouse(MOUSEEVENTF_LEFTDOWN, screen);
        SendMouse(MOUSEEVENTF_LEFTUP, screen);
    }
}

bool VAYLO::Start() {
    if (!process.StartVaylo(""))
        return false;
    main = WaitForMainWindow(process, START_TIMEOUT_MS);
    if (main == nullptr)
        return false;
    list = GetDlgItem(main, LIST_ID);
    return list != nullptr;
}

bool VAYLO::Exit() {
    if (!process.IsRunning())
        return true;
    HWND menu = OpenMenuWindow(process.Id());
    if (menu != nullptr)
        CloseMenu(menu);
    PostMessageW(main, WM_COMMAND, 2, 0);
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
    return Answered(main, message, wParam, lParam, nullptr);
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
    return Command(MAKEWPARAM(LIST_ID, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
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
                menu = OpenMenuWindow(process.Id());
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
// after the menu call returns; a round trip waits for that.
bool VAYLO::MenuEnded(HWND menu) const {
    return PumpUntil([&] { return MenuGone(menu); }, WAIT_MS) && Send(WM_NULL, 0, 0);
}

bool VAYLO::CloseMenu(HWND menu) const {
    for (int attempt = 0; attempt < 3; ++attempt) {
        PumpUntil([&] { return VayloInFront(process.Id()); }, 2000);
        PressKey(VK_ESCAPE);
        if (PumpUntil([&] { return MenuGone(menu); }, 2000))
            break;
    }
    return MenuEnded(menu);
}

bool VAYLO::ChooseMenuItem(HWND menu, int position) const {
    PumpUntil([&] { return VayloInFront(process.Id()); }, 2000);
    for (int i = 0; i <= position; ++i)
        PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    return MenuEnded(menu);
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

int Height(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

int Width(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect.right - rect.left;
}

namespace {

char const SETTINGS_KEY[] = "Software\\MorvaneUtilities\\Vaylo\\";

bool ReadDword(const char* subkey, const char* value, DWORD& data) {
    HKEY key = nullptr;
    std::string path = std::string(SETTINGS_KEY) + subkey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = sizeof data;
    bool ok = RegQueryValueExA(key, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) ==
                  ERROR_SUCCESS &&
              type == REG_DWORD;
    RegCloseKey(key);
    return ok;
}

void WriteDword(const char* subkey, const char* value, const DWORD* data) {
    HKEY key = nullptr;
    std::string path = std::string(SETTINGS_KEY) + subkey;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    if (data != nullptr)
        RegSetValueExA(key, value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(data), sizeof *data);
    else
        RegDeleteValueA(key, value);
    RegCloseKey(key);
}

} // namespace

TRAY_SETTINGS::TRAY_SETTINGS() {
    struct {
        const char* subkey;
        const char* value;
        DWORD data;
    } const wanted[] = {
        {"CloseToTray", "CloseToTray", 1},
        {"CloseToTray", "CloseToTrayReminder", 0},
        {"CloseToTray", "CloseToTrayRunReminder", 0},
        {"MinimizeToTray", "MinimizeToTray", 1},
        {"MinimizeToTray", "MinimizeToTrayReminder", 0},
        {"MinimizeToTray", "MinimizeToTrayRunReminder", 0},
    };
    for (const auto& setting : wanted) {
        SAVED old = {setting.subkey, setting.value, false, 0};
        old.existed = ReadDword(setting.subkey, setting.value, old.data);
        saved.push_back(old);
        WriteDword(setting.subkey, setting.value, &setting.data);
    }
}

TRAY_SETTINGS::~TRAY_SETTINGS() {
    for (const SAVED& old : saved)
        WriteDword(old.subkey, old.value, old.existed ? &old.data : nullptr);
}
