#include "dialogs/TrayPolicyDialog.h"

#include "dialogs/CloseTrayNotice.h"
#include "dialogs/PasswordDialog.h"
#include "dialogs/ReminderDialog.h"

namespace {

// One prompt at a time for the whole process: a tray click on any window while
// the prompt is open is refused.
int passwordPromptOpen = 0;

} // namespace

bool MV_TRAYDIALOG::MayRestoreFromTray() {
    if (passwordPromptOpen)
        return false;
    SCOPED_FLAG<int> guard(passwordPromptOpen);

    REGKEY passwordKey(settings, "Password");
    DWORD usePassword = 0;
    passwordKey.ReadDword("UseSystrayPassword", usePassword);
    if (!usePassword)
        return true;

    // Without a password to type the prompt could never be answered, and the
    // window would stay in the tray for the rest of the session.
    STRING password;
    if (!passwordKey.ReadString("Password", password) || password.Length() == 0)
        return true;
    return AskPassword(hwnd, password, icon);
}

bool MV_TRAYDIALOG::MayHideToTray(const char* valueName) {
    REGKEY valueKey(settings, valueName);
    DWORD toTray = 0;
    if (valueKey.ReadDword(valueName, toTray)) {
        if (!toTray)
            return false;
        ShowCloseToTrayNotice(hwnd, icon, settings, valueName);
        return true;
    }
    REMINDER_REQUEST request;
    request.owner = hwnd;
    request.keyPath = settings.Path();
    request.valueName = valueName;
    request.question = WSTRING("Would you like to hide the application and run it in the system tray?");
    request.icon = nullptr;
    return AskReminder(request);
}
