#include "framework/ModalDialog.h"

MV_MODALDIALOG::MV_MODALDIALOG(const char* name, UINT dialogTemplate, HWND parentWindow,
                               HINSTANCE moduleInstance)
    : MV_WINBASE(name, parentWindow, moduleInstance), templateId(dialogTemplate) {}

MV_MODALDIALOG::~MV_MODALDIALOG() = default;

void MV_MODALDIALOG::SetItemFont(int id, HFONT itemFont) {
    SendMessageA(GetItem(id), WM_SETFONT, reinterpret_cast<WPARAM>(itemFont), 0);
}

int MV_MODALDIALOG::RunModal(HWND runParent) {
    if (templateId == 0)
        return 0;
    SetLastError(0);
    parent = runParent ? runParent : parent;
    INT_PTR answer = DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), parent, DialogThunk,
                                     reinterpret_cast<LPARAM>(static_cast<MV_WINBASE*>(this)));
    result = static_cast<int>(answer);
    return answer == -1 ? 0 : result;
}
