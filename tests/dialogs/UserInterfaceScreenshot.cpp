// ui_options_screenshot.exe FOLDER: not a test. Holds the "User Interface"
// options open, with a tray setting and a password stored, while
// scripts/screenshots.sh ui photographs them (the hand-shake of
// support/Screen.h in FOLDER). Cancel ends it: nothing is stored, no link made.

#include "DialogDriver.h"

#include "dialogs/UserInterfaceOptions.h"
#include "support/Screen.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: ui_options_screenshot FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    TEST_OWNER owner;
    SCRATCH_KEY key("Software\\MorvaneUtilities\\Vaylo\\UiOptionsScreenshot");
    key.SetDword("CloseToTray", "CloseToTray", 1);
    key.SetDword("Password", "UseSystrayPassword", 1);
    key.SetString("Password", "Password", "secret");

    bool shot = false;
    ANSWERER answerer(OwnedDialog(owner.Get(), L"User Interface"), [&](HWND dialog, int) {
        shot = PhotographWindow(folder, "user-interface-options", dialog);
        ClickButton(dialog, IDCANCEL);
    });
    ShowUserInterfaceOptions(GetModuleHandleA(nullptr), owner.Get(), 1, key.Path().c_str(), "Window Vaylo",
                             "Manage active windows with grace");
    answerer.Stop();
    return shot ? 0 : 1;
}
