#pragma once
// DIALOG: the program's main window (dialog 101, "Window Vaylo"). Start-up
// runs it modally; when it ends, the process ends.

#include "framework/ModalDialog.h"

class DIALOG : public MV_MODALDIALOG {
  public:
    DIALOG(HINSTANCE module, HWND owner);
    ~DIALOG() override;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool HasLayout() const override { return true; }
    bool HasTrayIcon() const override { return true; }
    UINT GetTrayMessage() const override { return WM_TRAYNOTIFY; }
    HMENU GetTrayMenu() const override { return trayMenu; }
    STRING GetTrayTip() const override { return STRING("Window Vaylo"); }

    // WM_COMMAND and WM_HOTKEY: command is the whole wParam.
    INT_PTR OnMainCommand(WPARAM command, LPARAM lParam);

  private:
    void OnCopyData(const COPYDATASTRUCT* data);

    HCURSOR dragCursor = nullptr;
    HMENU trayMenu = nullptr; // the tray popup menu; not built yet
    HBRUSH windowBrush = nullptr;
    HBRUSH highlightBrush = nullptr;
    HBRUSH menuBrush = nullptr;
    bool dragging = false;
};
