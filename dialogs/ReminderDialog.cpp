#include "dialogs/ReminderDialog.h"

#include "dialogs/OwnerColours.h"
#include "dialogs/RichText.h"
#include "foundation/RegistryKey.h"
#include "foundation/SystemUtilities.h"
#include "framework/UnsavedSettings.h"
#include "resources/resource.h"

REMINDER::REMINDER(const REMINDER_REQUEST& shown, HINSTANCE moduleInstance)
    : MV_MODALDIALOG(nullptr, shown.secondText.Length() ? IDD_REMINDER_TWO_TEXTS : IDD_REMINDER, shown.owner,
                     moduleInstance),
      request(shown) {
    LoadRichEditLibrary();
}

REMINDER::~REMINDER() = default;

INT_PTR REMINDER::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsControlColourMessage(message))
        return AskOwnerForColours(parent, message, wParam, lParam);
    switch (message) {
    case WM_INITDIALOG: return ShowRequest();
    case WM_COMMAND: return OnCommand(wParam);
    default: return 0;
    }
}

INT_PTR REMINDER::ShowRequest() {
    SetIcon(request.icon);
    MessageBeep(MB_ICONEXCLAMATION);
    CheckDlgButton(hwnd, IDC_DONT_REMIND, BST_UNCHECKED);
    if (request.question.Length())
        SetRichText(hwnd, IDC_REMINDER_TEXT, request.question);
    if (request.secondText.Length())
        SetRichText(hwnd, IDC_REMINDER_SECOND_TEXT, request.secondText);
    return 0;
}

INT_PTR REMINDER::OnCommand(WPARAM wParam) {
    int id = LOWORD(wParam);
    int code = HIWORD(wParam);
    if (id == IDC_REMINDER_TEXT && code == EN_UPDATE)
        return 1;
    if (code != BN_CLICKED)
        return 0;
    switch (id) {
    case IDYES:
    case IDNO:
    case IDOK:
    case IDCANCEL:
        // Escape and the close box arrive as IDCANCEL: a No that still honours the box.
        dontRemind = IsDlgButtonChecked(hwnd, IDC_DONT_REMIND) == BST_CHECKED;
        EndDialog(hwnd, id);
        return 0;
    default: return 0;
    }
}

bool AskReminder(const REMINDER_REQUEST& request) {
    REGKEY settingKey(REGKEY(HKEY_LOCAL_MACHINE, request.keyPath.c_str()), request.valueName.c_str());
    STRING reminderName = request.valueName + "Reminder";

    DWORD remind = 1;
    if (settingKey.ReadDword(reminderName.c_str(), remind) && remind == 0) {
        DWORD answer = 0;
        settingKey.ReadDword(request.valueName.c_str(), answer);
        return answer != 0;
    }

    REMINDER query(request, ModuleFromAddress());
    int result = query.RunModal();
    bool answer = result == IDYES || result == IDOK;
    // Without "Don't remind me again" a failed write changes nothing the user
    // sees: the query comes back next time, as asked. With it, the answer goes
    // first, and the tick only once the answer is stored: stored alone, it
    // would answer with whatever was stored before, without asking. A refusal
    // is told, and the query comes back.
    if (!query.DontRemind()) {
        settingKey.WriteDword(reminderName.c_str(), 1);
        return answer;
    }
    UNSAVED_SETTINGS unsaved;
    if (unsaved.WriteDword(settingKey, request.valueName.c_str(), answer ? 1 : 0, "The answer"))
        unsaved.WriteDword(settingKey, reminderName.c_str(), 0, "Don't remind me again");
    unsaved.Tell(request.owner);
    return answer;
}
