// Screenshots of the three dialogs for the documentation. Runs only when
// VAYLO_SCREENSHOT_DIR names a folder: each dialog is held open while
// `scripts/screenshots.sh dialogs` photographs the screen.

#include "DialogDriver.h"

#include "dialogs/CloseTrayNotice.h"
#include "dialogs/PasswordDialog.h"
#include "dialogs/ReminderDialog.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string ScreenshotFolder() {
    const char* folder = std::getenv("VAYLO_SCREENSHOT_DIR");
    return folder ? folder : "";
}

bool FileThere(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Announces the dialog's screen rectangle in "<name>.ready" and waits
// (bounded) for the script's "<name>.done".
void HoldForScreenshot(HWND dialog, const char* name) {
    PollUntil([&] { return GetForegroundWindow() == dialog; }, 5000);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    SendMessageA(dialog, WM_NULL, 0, 0);
    RECT frame = {};
    GetWindowRect(dialog, &frame);
    std::string base = ScreenshotFolder() + "\\" + name;
    std::string ready = base + ".ready", done = base + ".done";
    if (FILE* file = std::fopen((base + ".tmp").c_str(), "wb")) {
        std::fprintf(file, "%ld %ld %ld %ld\n", frame.left, frame.top, frame.right - frame.left,
                     frame.bottom - frame.top);
        std::fclose(file);
        MoveFileA((base + ".tmp").c_str(), ready.c_str());
    }
    EXPECT_TRUE(PollUntil([&] { return FileThere(done); }, 60000)) << "no screenshot of " << name;
    DeleteFileA(done.c_str());
}

} // namespace

TEST(Screenshots, QueryNoticeAndPasswordPrompt) {
    if (ScreenshotFolder().empty())
        GTEST_SKIP() << "VAYLO_SCREENSHOT_DIR not set";
    TEST_OWNER owner;
    TEST_KEY key;

    REMINDER_REQUEST request;
    request.owner = owner.Get();
    request.keyPath = TEST_KEY::Path();
    request.valueName = "CloseToTray";
    request.question = L"Would you like to hide the application and run it in the system tray?";
    DRIVER query(owner.Get(), [&] {
        if (HWND dialog = WaitForDialog(owner.Get(), "Query")) {
            HoldForScreenshot(dialog, "reminder-query");
            Click(dialog, IDNO);
        }
    });
    AskReminder(request);
    query.Finish();

    DRIVER notice(owner.Get(), [&] {
        if (HWND dialog = WaitForDialog(owner.Get(), "Close to Systray")) {
            HoldForScreenshot(dialog, "close-to-tray-notice");
            Click(dialog, IDOK);
        }
    });
    ShowCloseToTrayNotice(owner.Get(), ProgramIcon(), REGKEY(HKEY_LOCAL_MACHINE, TEST_KEY::Path()),
                          "CloseToTray");
    notice.Finish();

    DRIVER prompt(owner.Get(), [&] {
        if (HWND dialog = WaitForDialog(owner.Get(), "Enter Password")) {
            SetDlgItemTextA(dialog, IDC_PASSWORD_EDIT, "secret");
            HoldForScreenshot(dialog, "password-prompt");
            Click(dialog, IDCANCEL);
        }
    });
    AskPassword(owner.Get(), STRING("secret"), ProgramIcon());
    prompt.Finish();
}
