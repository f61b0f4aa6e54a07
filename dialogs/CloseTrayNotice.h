#pragma once
// The close-to-tray notice: tells the user the program keeps running near the
// clock, with a picture of the notification area and the program's icon on it,
// until "Don't show me this message again" is ticked.

#include "foundation/Handles.h"
#include "foundation/RegistryKey.h"
#include "framework/ModalDialog.h"

#include <windows.h>

#include <optional>

class CLOSE_TRAY : public MV_MODALDIALOG {
  public:
    CLOSE_TRAY(HWND owner, HINSTANCE moduleInstance);
    ~CLOSE_TRAY() override;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    void SetNoticeIcon(HICON shown) { noticeIcon = shown; }
    // 0 once the notice was closed with OK and its box ticked.
    int ShowAgain() const { return showAgain; }

  private:
    INT_PTR PreparePicture();
    INT_PTR PaintPicture();
    INT_PTR OnCommand(WPARAM wParam);
    INT_PTR ReleasePicture();

    std::optional<WINDOW_DC> windowDc;
    std::optional<MEMORY_DC> memoryDc;
    int showAgain = 1;
    HICON noticeIcon = nullptr;
};

// Shows the notice unless K\N holds N + "RunReminder" = 0; OK stores whether
// to show it again, any other way out stores nothing.
void ShowCloseToTrayNotice(HWND owner, HICON icon, const REGKEY& settings, const char* valueName);
