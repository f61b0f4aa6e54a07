#include "framework/WindowBase.h"

// The notification-area icon and hiding to it are not built yet: no icon is
// added, nothing hides to the tray, a restore request is always allowed, and
// showing or hiding concerns the window alone.

void MV_WINBASE::TrayUpdate(unsigned) {}

void MV_WINBASE::TrayRemove() {}

void MV_WINBASE::TrayDispatch(UINT) {}

bool MV_WINBASE::PasswordGate() { return true; }

bool MV_WINBASE::HideToTray(const char*) { return false; }

void MV_WINBASE::ShowWithConsole()
{
    ShowWindow(hwnd, SW_SHOW);
    ShowWindow(hwnd, SW_RESTORE);
    winState = WINSTATE_NORMAL;
}

void MV_WINBASE::HideWithConsole() { ShowWindow(hwnd, SW_HIDE); }

void MV_WINBASE::OnTrayRightClick() { OnTrayLeftClick(); }

void MV_WINBASE::OnTrayLeftClick() {}

void MV_WINBASE::OnTrayMiddleClick() { OnTrayLeftClick(); }

void MV_WINBASE::OnTrayDoubleClick() { OnTrayLeftClick(); }
