#include "HotkeyDialogs.h"

#include "resources/resource.h"
#include "support/Input.h"
#include "support/Poll.h"

#include <commctrl.h>

#include <atomic>
#include <memory>

namespace {

char const SETTINGS_PATH[] = "Software\\MorvaneUtilities\\Vaylo";
const char* const OPTION_VALUES[] = {"UseHotkey", "UseHelpPopups", "Hide Active", "Popup Menu"};

// The settings key, open for the object's life; null when it could not be.
class SETTINGS_KEY {
  public:
    SETTINGS_KEY() {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, SETTINGS_PATH, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            key = nullptr;
    }
    SETTINGS_KEY(const SETTINGS_KEY&) = delete;
    SETTINGS_KEY& operator=(const SETTINGS_KEY&) = delete;
    ~SETTINGS_KEY() {
        if (key)
            RegCloseKey(key);
    }
    bool Read(const char* name, DWORD& type, std::vector<BYTE>& data) const {
        DWORD size = 0;
        if (!key || RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return false;
        data.resize(size);
        return RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
    }
    HKEY key = nullptr;
};

DWORD_PTR Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, WAIT_MS, &answer))
        return 0;
    return answer;
}

} // namespace

OPTIONS_SETTINGS::OPTIONS_SETTINGS() {
    SETTINGS_KEY open;
    for (const char* name : OPTION_VALUES) {
        SAVED old = {name, false, 0, {}};
        old.existed = open.Read(name, old.type, old.data);
        saved.push_back(old);
        if (open.key)
            RegDeleteValueA(open.key, name);
    }
}

OPTIONS_SETTINGS::~OPTIONS_SETTINGS() {
    SETTINGS_KEY open;
    if (!open.key)
        return;
    for (const SAVED& old : saved) {
        if (old.existed)
            RegSetValueExA(open.key, old.name, 0, old.type, old.data.data(), static_cast<DWORD>(old.data.size()));
        else
            RegDeleteValueA(open.key, old.name);
    }
}

bool OPTIONS_SETTINGS::SetDword(const char* name, DWORD value) const {
    SETTINGS_KEY open;
    return open.key && RegSetValueExA(open.key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                      sizeof value) == ERROR_SUCCESS;
}

long long OPTIONS_SETTINGS::Dword(const char* name) const {
    SETTINGS_KEY open;
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!open.Read(name, type, data) || type != REG_DWORD || data.size() != sizeof(DWORD))
        return -1;
    return *reinterpret_cast<const DWORD*>(data.data());
}

std::string OPTIONS_SETTINGS::Text(const char* name) const {
    SETTINGS_KEY open;
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!open.Read(name, type, data) || type != REG_SZ)
        return "(missing)";
    std::string text(data.begin(), data.end());
    return text.substr(0, text.find('\0'));
}

bool OPTIONS_SETTINGS::AnyStored() const {
    SETTINGS_KEY open;
    DWORD type = 0;
    std::vector<BYTE> data;
    for (const char* name : OPTION_VALUES)
        if (open.Read(name, type, data))
            return true;
    return false;
}

WINDOW_QUERY OptionsDialog() {
    return ProcessDialog(GetCurrentProcessId(), L"Hot Key");
}

WINDOW_QUERY EditorDialog() {
    return ProcessDialog(GetCurrentProcessId(), L"Change Key Bindings");
}

std::vector<HWND> TooltipsOf(HWND dialog) {
    WINDOW_QUERY tooltips;
    tooltips.className = TOOLTIPS_CLASSA;
    tooltips.owner = dialog;
    tooltips.visibleOnly = false;
    return FindWindows(tooltips);
}

int ToolCount(HWND tooltip) {
    return static_cast<int>(Ask(tooltip, TTM_GETTOOLCOUNT));
}

// The wide message: Wine's narrow one copies no more than 80 characters.
std::string TipText(HWND tooltip, HWND dialog, int controlId) {
    std::unique_ptr<wchar_t[]> text(new wchar_t[INFOTIPSIZE + 1]());
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, controlId));
    tool.lpszText = text.get();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(tooltip, TTM_GETTEXTW, INFOTIPSIZE, reinterpret_cast<LPARAM>(&tool), SMTO_ABORTIFHUNG,
                        WAIT_MS, &ignored);
    std::wstring wide = text.get();
    return std::string(wide.begin(), wide.end());
}

std::vector<std::string> ListTexts(HWND editor) {
    HWND list = GetDlgItem(editor, IDC_BINDING_LIST);
    std::vector<std::string> texts;
    int count = static_cast<int>(Ask(list, LB_GETCOUNT));
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        if (Ask(list, LB_GETTEXTLEN, i) < sizeof text)
            Ask(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        texts.push_back(text);
    }
    return texts;
}

void SelectAction(HWND editor, int index) {
    HWND list = GetDlgItem(editor, IDC_BINDING_LIST);
    Ask(list, LB_SETCURSEL, index);
    Ask(editor, WM_COMMAND, MAKEWPARAM(IDC_BINDING_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

namespace {

// The key whose release the dialog's thread has taken from its queue: the
// press before it has been handled by then.
std::atomic<WORD> watchedKey{0};
std::atomic<int> releasesTaken{0};

LRESULT CALLBACK WatchReleases(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && wParam == watchedKey && (lParam & 0x80000000) != 0)
        ++releasesTaken;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

// A focus event still on its way from the X server takes the key state from
// the server, which knows nothing of the modifiers: the key is pressed again,
// with the modifiers held anew, until they stayed down through its handling.
bool PressIntoCaptureField(HWND editor, std::initializer_list<WORD> modifiers, WORD key) {
    watchedKey = key;
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD, WatchReleases, nullptr, GetWindowThreadProcessId(editor, nullptr));
    if (hook == nullptr)
        return false;
    bool pressed = false;
    for (int attempt = 0; attempt < 3 && !pressed; ++attempt) {
        if (!FocusControl(editor, IDC_KEY_CAPTURE))
            break;
        std::vector<std::unique_ptr<HELD_KEY>> held;
        for (WORD modifier : modifiers)
            held.emplace_back(new HELD_KEY(modifier));
        auto allDown = [&] {
            for (const auto& modifier : held)
                if (!modifier->Down())
                    return false;
            return true;
        };
        if (!allDown())
            continue;
        releasesTaken = 0;
        PressKey(key);
        pressed = PollUntil([] { return releasesTaken > 0; }) && allDown();
    }
    UnhookWindowsHookEx(hook);
    return pressed;
}

bool FocusControl(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    Ask(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    return PollUntil([&] {
        return GetForegroundWindow() == dialog &&
               GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &gui) && gui.hwndFocus == control;
    });
}

std::string TextOf(HWND dialog, int id) {
    std::wstring wide = ControlText(dialog, id);
    return std::string(wide.begin(), wide.end());
}
