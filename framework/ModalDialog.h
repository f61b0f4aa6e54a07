#pragma once
// MV_MODALDIALOG: a window from a dialog resource, run modally with
// DialogBoxParamA. Concrete dialogs derive from it, supply DialogProc and
// live on their launcher's stack for one run.

#include "framework/WindowBase.h"

class MV_MODALDIALOG : public MV_WINBASE {
  public:
    // name: null or empty for every window but the main one (decides the
    // settings key and whether the placement is remembered).
    MV_MODALDIALOG(const char* name, UINT templateId, HWND parent, HINSTANCE instance);
    ~MV_MODALDIALOG() override;

    virtual void SetItemFont(int id, HFONT itemFont); // slot 20

    // Runs the dialog; 0 when the template id is 0 or the dialog could not be
    // created (Result() then keeps -1).
    int RunModal(HWND runParent = nullptr);
    int Result() const { return result; }
    UINT TemplateId() const { return templateId; }

  protected:
    UINT templateId;
    int result = -1;
};
