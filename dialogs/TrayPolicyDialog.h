#pragma once
// MV_TRAYDIALOG: a modal dialog whose tray behaviour asks the user. Restoring
// it from the tray is guarded by the stored password, and closing or
// minimising it to the tray asks through the remembered query, or shows the
// close-to-tray notice once the answer is stored.

#include "framework/ModalDialog.h"

class MV_TRAYDIALOG : public MV_MODALDIALOG {
  public:
    using MV_MODALDIALOG::MV_MODALDIALOG;

    // False while another prompt of the process is open (a second tray click
    // never opens a second prompt), or when the entered password is wrong.
    // "UseSystrayPassword" with an empty or missing "Password" asks nothing.
    bool MayRestoreFromTray() override;
    bool MayHideToTray(const char* valueName) override;
};
