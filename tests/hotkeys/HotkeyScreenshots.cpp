// hotkeys_screenshots.exe FOLDER: not a test. Holds the "Hot Key" options
// open with nothing stored (both boxes ticked), then, through "Change Keys",
// the key binding editor after Ctrl+Shift+M was pressed for "Hide Active"
// (the combination "Popup Menu" holds), while scripts/screenshots.sh hotkeys
// photographs each (the hand-shake of support/Screen.h in FOLDER). Cancel
// ends both; the program's settings in the prefix are thrown away around the
// run, as the tests do.

#include "HotkeyDialogs.h"

#include "hotkeys/HotkeyOptions.h"
#include "resources/resource.h"
#include "support/Input.h"
#include "support/Poll.h"
#include "support/Screen.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: hotkeys_screenshots FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&init);
    OPTIONS_SETTINGS settings;
    HOTKEY_TABLE table = {DefaultBinding(HOTKEY_ID_HIDE_ACTIVE), DefaultBinding(HOTKEY_ID_POPUP_MENU)};

    bool ok = false;
    ANSWERER answerer(OptionsDialog(), [&](HWND options, int) {
        // No help popup may show up under a resting pointer.
        MovePointer(POINT{2, 2});
        ok = PhotographWindow(folder, "hotkey-options", options);
        ClickButton(options, IDC_CHANGE_KEYS);
        HWND editor = nullptr;
        if (!PollUntil([&] { return (editor = FirstWindow(EditorDialog())) != nullptr; })) {
            std::printf("the key binding editor did not open\n");
            ok = false;
        } else {
            bool pressed = PressIntoCaptureField(editor, {VK_CONTROL, VK_SHIFT}, 'M');
            if (!pressed || TextOf(editor, IDC_COLLISION) != "Popup Menu")
                std::printf("the editor shows no collision\n");
            ok = PhotographWindow(folder, "key-bindings-collision", editor) && pressed && ok;
            ClickButton(editor, IDCANCEL);
            PollUntil([&] { return !IsWindow(editor); });
        }
        ClickButton(options, IDCANCEL);
    });
    HOTKEY options(nullptr, GetModuleHandleA(nullptr), table);
    options.RunModal();
    answerer.Stop();
    return ok ? 0 : 1;
}
