// about_screenshots.exe FOLDER: not a test. Holds the About box open without
// a licence and then with the licence the program ships, while
// scripts/screenshots.sh about photographs each (the hand-shake of
// support/Screen.h in FOLDER).

#include "DialogDriver.h"
#include "LinkTestSupport.h"

#include "dialogs/AboutBox.h"
#include "foundation/SystemUtilities.h"
#include "resources/resource.h"
#include "support/Process.h"
#include "support/Screen.h"

#include <cstdio>
#include <string>

namespace {

bool Photograph(HWND owner, const char* name, const std::string& folder) {
    bool shot = false;
    ANSWERER answerer(OwnedDialog(owner, L"About"), [&](HWND about, int) {
        shot = PhotographWindow(folder, name, about);
        ClickButton(about, IDOK);
    });
    ABOUT_REQUEST request;
    request.module = GetModuleHandleA(nullptr);
    request.owner = owner;
    request.icon = ProgramIcon();
    ShowAbout(request);
    answerer.Stop();
    return shot;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: about_screenshots FOLDER\n");
        return 2;
    }
    TEST_OWNER owner;
    STRING licence = LicencePath();
    CreateDirectoryA(LicenceFolder().c_str(), nullptr); // the program never makes it
    DeleteFileA(licence.c_str());
    bool ok = Photograph(owner.Get(), "about-box", argv[1]);
    if (!CopyFileA(WindowsPath(SHIPPED_LICENCE).c_str(), licence.c_str(), FALSE)) {
        std::printf("the shipped licence %s could not be copied\n", SHIPPED_LICENCE);
        return 1;
    }
    ok = Photograph(owner.Get(), "about-box-licence", argv[1]) && ok;
    DeleteFileA(licence.c_str());
    return ok ? 0 : 1;
}
