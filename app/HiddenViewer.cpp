#include "app/HiddenViewer.h"

#include "foundation/RegistryKey.h"
#include "framework/ListBox.h"
#include "framework/WindowUtilities.h"
#include "resources/resource.h"

#include <new>

namespace {

char const SETTINGS_PATH[] = "Software\\MorvaneUtilities\\Vaylo";
int const TIP_WIDTH = 350;

char const DONE_TIP[] = "Close this window";
char const LIST_TIP[] =
    "The list of hidden top level windows and documents the are not managed by Vaylo in it's "
    "popup menu. To make a window or document visible double click it's entry.";

} // namespace

HIDDEN::HIDDEN(HWND owner, HINSTANCE moduleInstance, BOUNDED_CALLS& mainCalls)
    : MV_MODALDIALOG(nullptr, IDD_HIDDEN, owner, moduleInstance), foreign(mainCalls) {}

HIDDEN::~HIDDEN() = default;

INT_PTR HIDDEN::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: SetUp(); return 0;
    case WM_DESTROY: TearDown(); return 0;
    case WM_COMMAND: OnCommand(wParam, lParam); return 0;
    default: return 0;
    }
}

void HIDDEN::SetUp() {
    FillHiddenList();
    BuildHelpPopups();
}

// The system has taken the owned tooltip window by now; its holder goes here.
void HIDDEN::TearDown() {
    helpPopups.reset();
}

void HIDDEN::OnCommand(WPARAM wParam, LPARAM lParam) {
    WORD command = LOWORD(wParam);
    WORD code = HIWORD(wParam);
    if (command == IDC_HIDDEN_LIST) {
        if (code == LBN_DBLCLK && reinterpret_cast<HWND>(lParam) == GetItem(IDC_HIDDEN_LIST))
            ShowSelectedWindow();
        return;
    }
    switch (command) {
    case IDOK: EndDialog(hwnd, IDOK); break;
    case IDCANCEL: EndDialog(hwnd, IDCANCEL); break;
    default: break;
    }
}

// Shown as it was, neither activated nor raised: the viewer stays in front
// for the next one. Not SW_SHOW: where no foreground lock holds a background
// program back (Wine has none), that would also activate the window. A
// program that does not answer gets the request queued and keeps its entry
// until it has handled it; one whose request cannot even be queued keeps it
// too, with a beep, or with a message where the window's program runs as
// administrator (no retry gets through to it). The tray menu drops its own
// item of the window the next time it opens.
void HIDDEN::ShowSelectedWindow() {
    MV_LISTBOX list(GetItem(IDC_HIDDEN_LIST));
    int index = list.GetCurSel();
    if (index == LB_ERR)
        return;
    LRESULT data = list.GetItemData(index);
    if (data == LB_ERR || data == 0)
        return;
    HWND window = reinterpret_cast<HWND>(data);
    std::vector<HWND> denied;
    bool refused = !foreign.QueueShows({window}, SW_SHOWNA, &denied).empty();
    if (refused && denied.empty())
        MessageBeep(MB_ICONEXCLAMATION);
    else if (refused)
        ShowMessage(RunsAsAdministratorText(ReadWindowTitleW(window), true), "Window Vaylo",
                    MB_OK | MB_ICONINFORMATION);
    FillHiddenList();
}

// ---------------------------------------------------------------- the list

void HIDDEN::FillHiddenList() {
    SendMessageA(GetItem(IDC_HIDDEN_LIST), LB_RESETCONTENT, 0, 0);
    EnumWindows(AddHiddenWindowThunk, reinterpret_cast<LPARAM>(this));
}

// No exception may leave: the 32-bit build cannot unwind through user32's
// frames. Out of memory, the list stops where it is.
BOOL CALLBACK HIDDEN::AddHiddenWindowThunk(HWND window, LPARAM self) {
    try {
        reinterpret_cast<HIDDEN*>(self)->AddHiddenWindow(window);
    } catch (const std::bad_alloc&) {
        return FALSE;
    }
    return TRUE;
}

// Owned windows and those the tray menu holds are listed too: whatever hid a
// window, this is the way back. The title is read without asking the window,
// so a hung program costs nothing here.
void HIDDEN::AddHiddenWindow(HWND window) {
    if (window == hwnd || IsWindowVisible(window))
        return;
    WSTRING title = ReadWindowTitleW(window);
    if (title.Length() == 0 || title.Equals(L"Program Manager"))
        return;
    MV_LISTBOX list(GetItem(IDC_HIDDEN_LIST));
    int index = list.AddString(title.c_str());
    if (index != LB_ERR && index != LB_ERRSPACE)
        list.SetItemData(index, reinterpret_cast<LPARAM>(window));
}

// ---------------------------------------------------------------- help popups

void HIDDEN::BuildHelpPopups() {
    DWORD useHelpPopups = 1;
    REGKEY(HKEY_LOCAL_MACHINE, SETTINGS_PATH).ReadDword("UseHelpPopups", useHelpPopups);
    if (useHelpPopups == 0)
        return;
    helpPopups.reset(new (std::nothrow) HELP_POPUPS(instance, hwnd, TIP_WIDTH));
    if (helpPopups == nullptr || helpPopups->Tooltip() == nullptr) {
        helpPopups.reset(); // the viewer works the same without its tips
        return;
    }
    helpPopups->AddTip(IDOK, DONE_TIP);
    helpPopups->AddTip(IDC_HIDDEN_LIST, LIST_TIP);
}
