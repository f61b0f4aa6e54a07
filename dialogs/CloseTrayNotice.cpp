#include "dialogs/CloseTrayNotice.h"

#include "dialogs/OwnerColours.h"
#include "foundation/SystemUtilities.h"
#include "framework/Metrics.h"
#include "framework/UnsavedSettings.h"
#include "resources/resource.h"

namespace {

// Where the picture goes in the notice's client area, in pixels at 96 DPI
// (picture and place grow with the DPI, as the dialog around them does), and
// where the program's icon goes on the picture (its free 32 x 32 square).
int const kPictureLeft = 93;
int const kPictureTop = 65;
int const kIconLeft = 15;
int const kIconTop = 12;

COLORREF const kBlack = RGB(0, 0, 0);

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP info = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
        return SIZE{0, 0};
    return SIZE{info.bmWidth, info.bmHeight};
}

} // namespace

// ---------------------------------------------------------------- CLOSE_TRAY

CLOSE_TRAY::CLOSE_TRAY(HWND owner, HINSTANCE moduleInstance)
    : MV_MODALDIALOG(nullptr, IDD_CLOSE_TRAY, owner, moduleInstance) {}

CLOSE_TRAY::~CLOSE_TRAY() = default;

INT_PTR CLOSE_TRAY::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsControlColourMessage(message))
        return AskOwnerForColours(parent, message, wParam, lParam);
    switch (message) {
    case WM_INITDIALOG: return PreparePicture();
    case WM_PAINT: return PaintPicture();
    case WM_COMMAND: return OnCommand(wParam);
    case WM_DESTROY: return ReleasePicture();
    default: return 0;
    }
}

// The picture is composed once: bitmap, black frame, then the icon on its square.
// Without the bitmap the notice still opens, only without a picture.
INT_PTR CLOSE_TRAY::PreparePicture() {
    windowDc.emplace(hwnd);
    memoryDc.emplace(windowDc->Get());
    memoryDc->SelectBitmap(LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_NOTICE)), true);
    memoryDc->SelectBrush(CreateSolidBrush(kBlack));
    SIZE size = BitmapSize(memoryDc->Bitmap());
    if (size.cx > 0) {
        RECT whole = {0, 0, size.cx, size.cy};
        if (memoryDc->Brush())
            FrameRect(memoryDc->Get(), &whole, memoryDc->Brush());
        if (noticeIcon)
            DrawIcon(memoryDc->Get(), kIconLeft, kIconTop, noticeIcon);
    }
    CheckDlgButton(hwnd, IDC_DONT_REMIND, BST_UNCHECKED);
    SetIcon(noticeIcon);
    return 0;
}

// Painted inside the dialog's own paint cycle: BeginPaint erases the
// background first, so the picture is drawn after the erase and survives
// every repaint (drawn before the default painting, it would be erased).
INT_PTR CLOSE_TRAY::PaintPicture() {
    PAINTSTRUCT paint;
    HDC target = BeginPaint(hwnd, &paint);
    if (target && memoryDc) {
        SIZE size = BitmapSize(memoryDc->Bitmap());
        if (size.cx > 0)
            StretchBlt(target, ScaledPixels(kPictureLeft), ScaledPixels(kPictureTop), ScaledPixels(size.cx),
                       ScaledPixels(size.cy), memoryDc->Get(), 0, 0, size.cx, size.cy, SRCCOPY);
    }
    EndPaint(hwnd, &paint);
    return TRUE;
}

INT_PTR CLOSE_TRAY::OnCommand(WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED)
        return 0;
    switch (LOWORD(wParam)) {
    case IDOK:
        showAgain = IsDlgButtonChecked(hwnd, IDC_DONT_REMIND) != BST_CHECKED;
        EndDialog(hwnd, IDOK);
        return 0;
    case IDCANCEL: EndDialog(hwnd, IDCANCEL); return 0;
    default: return 0;
    }
}

INT_PTR CLOSE_TRAY::ReleasePicture() {
    memoryDc.reset(); // bitmap and brush go with it
    windowDc.reset();
    return 0;
}

void ShowCloseToTrayNotice(HWND owner, HICON icon, const REGKEY& settings, const char* valueName) {
    if (!valueName)
        return;
    REGKEY settingKey(settings, valueName);
    STRING runReminder = STRING(valueName) + "RunReminder";
    DWORD show = 1; // missing or unreadable: show
    settingKey.ReadDword(runReminder.c_str(), show);
    if (!show)
        return;

    CLOSE_TRAY notice(owner, ModuleFromAddress());
    notice.SetNoticeIcon(icon);
    if (notice.RunModal() != IDOK)
        return;
    // A failure matters only to "Don't remind me again": shown again is what
    // the user gets anyway.
    if (notice.ShowAgain()) {
        settingKey.WriteDword(runReminder.c_str(), 1);
        return;
    }
    UNSAVED_SETTINGS unsaved;
    unsaved.WriteDword(settingKey, runReminder.c_str(), 0, "Don't remind me again");
    unsaved.Tell(owner);
}
