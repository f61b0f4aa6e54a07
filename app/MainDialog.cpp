#include "app/MainDialog.h"

#include "resources/resource.h"

namespace {

// dwData of a command line forwarded by a second instance.
ULONG_PTR const COPYDATA_COMMAND_LINE = 1;

} // namespace

DIALOG::DIALOG(HINSTANCE module, HWND owner) : MV_MODALDIALOG("Vaylo", IDD_MAIN, owner, module) {}

DIALOG::~DIALOG() = default;

INT_PTR DIALOG::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COPYDATA: OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam)); break;
    case WM_COMMAND: OnMainCommand(wParam, lParam); break;
    case WM_HOTKEY: OnMainCommand(wParam, lParam); break;
    }
    return 0;
}

// A second instance forwards "update" or "uninstall" this way: the running
// instance ends, whatever the text. Other dwData values are not ours.
void DIALOG::OnCopyData(const COPYDATASTRUCT* data) {
    if (data != nullptr && data->dwData == COPYDATA_COMMAND_LINE)
        EndDialog(hwnd, 1);
}

INT_PTR DIALOG::OnMainCommand(WPARAM command, LPARAM /*lParam*/) {
    switch (command) {
    // Posted, so that the close runs after this command has returned; the
    // base decides between hiding to the tray and closing.
    case IDC_HIDE_ME: PostMessageA(hwnd, WM_CLOSE, 0, 0); break;
    case IDC_EXIT: EndDialog(hwnd, IDC_EXIT); break;
    }
    return 0;
}
