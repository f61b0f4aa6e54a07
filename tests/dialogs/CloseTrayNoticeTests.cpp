#include "DialogDriver.h"

#include "dialogs/CloseTrayNotice.h"
#include "resources/resource.h"
#include "support/Screen.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const char* const kSetting = "CloseToTray";
const char* const kRunReminder = "CloseToTrayRunReminder";
const wchar_t* const kTitle = L"Close to Systray";

// Where the notice shows its picture, in client pixels, and the picture's
// free square that the program icon covers.
int const kLeft = 93, kTop = 65, kWidth = 86, kHeight = 56;
RECT const kIconSquare = {15, 12, 47, 44};

PIXELS NoticeBitmap() {
    HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_NOTICE),
                                                     IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return PIXELS();
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    PIXELS pixels = ReadPixels(memory, 0, 0, kWidth, kHeight);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DeleteObject(bitmap);
    return pixels;
}

PIXELS ShownPicture(HWND notice) {
    HDC dc = GetDC(notice);
    PIXELS pixels = ReadPixels(dc, kLeft, kTop, kWidth, kHeight);
    ReleaseDC(notice, dc);
    return pixels;
}

// The notice's controls in picture coordinates. Where the system's dialog
// font is larger than the template's (Wine's substitute is), a control can
// reach into the picture and legitimately paint over it.
std::vector<RECT> ControlsOverPicture(HWND notice) {
    std::vector<RECT> covered;
    for (HWND child = GetWindow(notice, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = {};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, notice, reinterpret_cast<POINT*>(&rect), 2);
        OffsetRect(&rect, -kLeft, -kTop);
        covered.push_back(rect);
    }
    return covered;
}

// What is wrong with the shown picture, or empty: a black frame, the bitmap
// everywhere outside the icon square, and the icon drawn on that square.
std::string PictureFault(const PIXELS& shown, const PIXELS& bitmap, const std::vector<RECT>& covered) {
    if (shown.size() != bitmap.size() || bitmap.empty())
        return "no pixels";
    int iconPixels = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            COLORREF pixel = shown[y * kWidth + x];
            POINT point = {x, y};
            bool hidden = false;
            for (const RECT& control : covered)
                hidden = hidden || PtInRect(&control, point);
            if (hidden)
                continue;
            if (x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1) {
                if (pixel != 0)
                    return "frame not black at " + std::to_string(x) + "," + std::to_string(y);
            } else if (PtInRect(&kIconSquare, point)) {
                if (pixel != bitmap[y * kWidth + x])
                    ++iconPixels;
            } else if (pixel != bitmap[y * kWidth + x]) {
                return "picture differs at " + std::to_string(x) + "," + std::to_string(y);
            }
        }
    if (iconPixels < 100)
        return "no icon on the picture (" + std::to_string(iconPixels) + " pixels)";
    return "";
}

std::string StaticText(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[32] = "";
        GetClassNameA(child, className, sizeof className);
        if (lstrcmpiA(className, "Static") != 0)
            continue;
        char text[256] = "";
        GetWindowTextA(child, text, sizeof text);
        return text;
    }
    return "";
}

// Runs the notice while `script` handles it; false when it never opened.
bool ShowWith(HWND owner, std::function<void(HWND notice)> script) {
    DRIVER driver(OwnedDialog(owner, kTitle), script);
    ShowCloseToTrayNotice(owner, ProgramIcon(), REGKEY(HKEY_LOCAL_MACHINE, TEST_KEY::Path()), kSetting);
    return driver.Finish();
}

int ShowExpectingNothing(HWND owner) {
    ANSWERER watchdog(OwnedDialog(owner), Cancel);
    ShowCloseToTrayNotice(owner, ProgramIcon(), REGKEY(HKEY_LOCAL_MACHINE, TEST_KEY::Path()), kSetting);
    return watchdog.Stop();
}

} // namespace

TEST(Notice, Shows_TextFramedPictureWithProgramIcon_AndKeepsItOnRepaint) {
    TEST_OWNER owner;
    TEST_KEY key;
    PIXELS bitmap = NoticeBitmap();
    ASSERT_FALSE(bitmap.empty());
    std::string firstFault = "not checked", repaintFault = "not checked", text;
    HICON shownIcon = nullptr;
    bool ticked = true;
    EXPECT_TRUE(ShowWith(owner.Get(), [&](HWND notice) {
        std::vector<RECT> covered = ControlsOverPicture(notice);
        PollUntil([&] { return (firstFault = PictureFault(ShownPicture(notice), bitmap, covered)).empty(); },
                  5000);
        RedrawWindow(notice, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        SendMessageA(notice, WM_NULL, 0, 0);
        repaintFault = PictureFault(ShownPicture(notice), bitmap, covered);
        text = StaticText(notice);
        shownIcon = reinterpret_cast<HICON>(SendMessageA(notice, WM_GETICON, ICON_BIG, 0));
        ticked = IsChecked(notice, IDC_DONT_REMIND);
        ClickButton(notice, IDOK);
    }));
    EXPECT_EQ("", firstFault);
    EXPECT_EQ("", repaintFault);
    EXPECT_EQ("Although you have closed the program window, the program will continue to run in the taskbar "
              "(near the clock).",
              text);
    EXPECT_EQ(ProgramIcon(), shownIcon);
    EXPECT_FALSE(ticked);
}

TEST(Notice, OkWithTick_StoresZeroAndIsNotShownAgain) {
    TEST_OWNER owner;
    TEST_KEY key;
    EXPECT_TRUE(ShowWith(owner.Get(), [](HWND notice) {
        ClickButton(notice, IDC_DONT_REMIND);
        ClickButton(notice, IDOK);
    }));
    EXPECT_EQ(0, key.Dword(kSetting, kRunReminder));
    EXPECT_EQ(0, ShowExpectingNothing(owner.Get()));
}

// The tick that cannot be stored is told with the system's reason; the notice
// comes back next time.
TEST(Notice, OkWithTick_RefusedWriteIsTold_AndTheNoticeComesBack) {
    TEST_OWNER owner;
    REFUSING_KEY key;
    ASSERT_TRUE(key.made);
    UNSAVED_MESSAGES told(owner.Get());
    int shown = 0;
    for (int i = 0; i < 2; ++i) {
        DRIVER driver(OwnedDialog(owner.Get(), kTitle), [&](HWND notice) {
            ++shown;
            ClickButton(notice, IDC_DONT_REMIND);
            ClickButton(notice, IDOK);
        });
        ShowCloseToTrayNotice(owner.Get(), ProgramIcon(), REGKEY(HKEY_LOCAL_MACHINE, REFUSING_KEY::Path()),
                              kSetting);
        driver.Finish();
    }
    EXPECT_EQ(2, shown);
    EXPECT_EQ(2, told.Stop());
    EXPECT_NE(told.text.find(L"Don't remind me again: " + SystemReason(ERROR_CHILD_MUST_BE_VOLATILE)),
              std::wstring::npos);
}

TEST(Notice, OkWithoutTick_StoresOneAndIsShownAgain) {
    TEST_OWNER owner;
    TEST_KEY key;
    EXPECT_TRUE(ShowWith(owner.Get(), [](HWND notice) {
        ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == notice; }));
        PressKey(VK_RETURN);
    }));
    EXPECT_EQ(1, key.Dword(kSetting, kRunReminder));
    EXPECT_TRUE(ShowWith(owner.Get(), [](HWND notice) { ClickButton(notice, IDOK); }));
    EXPECT_EQ(1, key.Dword(kSetting, kRunReminder));
}

TEST(Notice, EscapeOrCloseBoxWithTick_StoresNothing) {
    TEST_OWNER owner;
    TEST_KEY key;
    EXPECT_TRUE(ShowWith(owner.Get(), [](HWND notice) {
        ClickButton(notice, IDC_DONT_REMIND);
        ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == notice; }));
        PressKey(VK_ESCAPE);
    }));
    EXPECT_FALSE(key.Exists(kSetting, kRunReminder));

    key.SetDword(kSetting, kRunReminder, 1);
    EXPECT_TRUE(ShowWith(owner.Get(), [](HWND notice) {
        ClickButton(notice, IDC_DONT_REMIND);
        PostMessageA(notice, WM_SYSCOMMAND, SC_CLOSE, 0);
    }));
    EXPECT_EQ(1, key.Dword(kSetting, kRunReminder));
}

TEST(Notice, UnreadableRunReminder_ShowsTheNotice) {
    TEST_OWNER owner;
    TEST_KEY key;
    key.SetString(kSetting, kRunReminder, "0");
    EXPECT_TRUE(ShowWith(owner.Get(), [](HWND notice) { ClickButton(notice, IDOK); }));
    EXPECT_EQ(1, key.Dword(kSetting, kRunReminder)); // replaced by a DWORD
}
