// dialogs_screenshots.exe FOLDER: not a test. Holds the query, the notice and
// the password prompt open in turn while scripts/screenshots.sh dialogs
// photographs each (the hand-shake of support/Screen.h in FOLDER).

#include "DialogDriver.h"

#include "dialogs/CloseTrayNotice.h"
#include "dialogs/PasswordDialog.h"
#include "dialogs/ReminderDialog.h"
#include "resources/resource.h"
#include "support/Screen.h"

#include <cstdio>
#include <functional>
#include <string>

namespace {

std::string folder;

// Runs the dialog titled `title` with `show` while a second thread holds it
// open for its screenshot `name` (typing `typed` first), then presses `button`.
bool Photograph(HWND owner, const wchar_t* title, const char* name, int button,
                const std::function<void()>& show, const char* typed = nullptr) {
    bool shot = false;
    ANSWERER answerer(OwnedDialog(owner, title), [&](HWND dialog, int) {
        if (typed)
            SetControlText(dialog, IDC_PASSWORD_EDIT, typed);
        shot = PhotographWindow(folder, name, dialog);
        ClickButton(dialog, button);
    });
    show();
    answerer.Stop();
    return shot;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: dialogs_screenshots FOLDER\n");
        return 2;
    }
    folder = argv[1];
    TEST_OWNER owner;
    TEST_KEY key;
    REMINDER_REQUEST request;
    request.owner = owner.Get();
    request.keyPath = TEST_KEY::Path();
    request.valueName = "CloseToTray";
    request.question = L"Would you like to hide the application and run it in the system tray?";
    bool ok = Photograph(owner.Get(), L"Query", "reminder-query", IDNO, [&] { AskReminder(request); });
    ok = Photograph(owner.Get(), L"Close to Systray", "close-to-tray-notice", IDOK,
                    [&] {
                        ShowCloseToTrayNotice(owner.Get(), ProgramIcon(),
                                              REGKEY(HKEY_LOCAL_MACHINE, TEST_KEY::Path()), "CloseToTray");
                    }) &&
         ok;
    ok = Photograph(
             owner.Get(), L"Enter Password", "password-prompt", IDCANCEL,
             [&] { AskPassword(owner.Get(), STRING("secret"), ProgramIcon()); }, "secret") &&
         ok;
    return ok ? 0 : 1;
}
