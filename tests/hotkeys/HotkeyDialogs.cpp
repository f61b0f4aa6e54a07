#include "HotkeyDialogs.h"

#include "resources/resource.h"
#include "support/Input.h"
#include "support/Poll.h"

#include <commctrl.h>

#include <atomic>
#include <memory>

namespace {

const char* const OPTION_VALUES[] = {"UseHotkey", "UseHelpPopups", "Hide Active", "Popup Menu"};

} // namespace

std::string OPTIONS_SETTINGS::Text(const char* name) const {
    DWORD type = 0;
    std::string bytes;
    if (!Read(nullptr, name, type, bytes) || type != REG_SZ)
        return "(missing)";
    return bytes.substr(0, bytes.find('\0'));
}

bool OPTIONS_SETTINGS::AnyStored() const {
    for (const char* name : OPTION_VALUES)
        if (Exists(nullptr, name))
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
    return IsWindow(tooltip) ? static_cast<int>(CallClassProcedure(tooltip, TTM_GETTOOLCOUNT, 0, 0)) : -1;
}

// The wide message: Wine's narrow one copies no more than 80 characters.
std::string TipText(HWND tooltip, HWND dialog, int controlId) {
    std::unique_ptr<wchar_t[]> text(new wchar_t[INFOTIPSIZE + 1]());
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(dialog, controlId));
    tool.lpszText = text.get();
    CallClassProcedure(tooltip, TTM_GETTEXTW, INFOTIPSIZE, reinterpret_cast<LPARAM>(&tool));
    std::wstring wide = text.get();
    return std::string(wide.begin(), wide.end());
}

std::vector<std::string> ListTexts(HWND editor) {
    HWND list = GetDlgItem(editor, IDC_BINDING_LIST);
    std::vector<std::string> texts;
    LRESULT count = 0;
    BoundedSend(list, LB_GETCOUNT, 0, 0, &count);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = L"";
        LRESULT length = 0;
        if (BoundedSend(list, LB_GETTEXTLEN, i, 0, &length) && length >= 0 && length < 256)
            BoundedSend(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        std::wstring wide = text;
        texts.push_back(std::string(wide.begin(), wide.end()));
    }
    return texts;
}

void SelectAction(HWND editor, int index) {
    HWND list = GetDlgItem(editor, IDC_BINDING_LIST);
    BoundedSend(list, LB_SETCURSEL, index);
    BoundedSend(editor, WM_COMMAND, MAKEWPARAM(IDC_BINDING_LIST, LBN_SELCHANGE),
                reinterpret_cast<LPARAM>(list));
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
    HHOOK hook =
        SetWindowsHookExA(WH_KEYBOARD, WatchReleases, nullptr, GetWindowThreadProcessId(editor, nullptr));
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
    BoundedSend(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
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
