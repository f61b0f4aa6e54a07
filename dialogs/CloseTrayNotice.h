#pragma once
// The close-to-tray notice: tells the user the program keeps running near the
// clock, with a picture of the notification area and the program's icon on it,
// until "Don't show me this message again" is ticked.

#include "foundation/RegistryKey.h"
#include "framework/ModalDialog.h"

#include <windows.h>

#include <optional>

// A window's DC from GetDC, with the stretch mode, background mode and text
// colour it had; all three are put back and the DC released on destruction.
class WINDOW_DC {
  public:
    explicit WINDOW_DC(HWND owner);
    WINDOW_DC(const WINDOW_DC&) = delete;
    WINDOW_DC& operator=(const WINDOW_DC&) = delete;
    ~WINDOW_DC();

    HDC Get() const { return dc; }

  private:
    HWND window;
    HDC dc;
    int stretchMode = 0;
    int backgroundMode = 0;
    COLORREF textColour = 0;
};

// A memory DC compatible with another DC. It holds at most one solid brush
// (always its own) and one bitmap (its own or borrowed); on destruction it
// selects the original objects back, deletes what it owns, restores the five
// recorded settings and deletes the DC.
class MEMORY_DC {
  public:
    explicit MEMORY_DC(HDC compatibleWith);
    MEMORY_DC(const MEMORY_DC&) = delete;
    MEMORY_DC& operator=(const MEMORY_DC&) = delete;
    ~MEMORY_DC();

    HDC Get() const { return dc; }
    // Takes ownership of `created`; a brush selected before is deleted.
    void SelectBrush(HBRUSH created);
    HBRUSH Brush() const { return brush; }
    void SelectBitmap(HBITMAP picture, bool owned);
    HBITMAP Bitmap() const { return bitmap; }

  private:
    void DropBitmap();

    HDC dc;
    int stretchMode = 0;
    int backgroundMode = 0;
    COLORREF textColour = 0;
    COLORREF backgroundColour = 0;
    int mappingMode = 0;
    HBRUSH brush = nullptr;
    HGDIOBJ originalBrush = nullptr;
    HBITMAP bitmap = nullptr;
    bool ownsBitmap = false;
    HGDIOBJ originalBitmap = nullptr;
};

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
