// The owner-drawn list and tray menu at 144 DPI: each entry is as tall as the
// small icon the system asks for and a line of the font it is drawn in, so
// nothing of ours is cut. Wine reads the DPI (HKCU\Control Panel\Desktop
// LogPixels) as a process starts: it is set before Vaylo.exe starts and put
// back when the test ends.

#include "VayloFixture.h"

namespace {

int const HIGH_DPI = 144;

// The prefix's DPI for the processes started while the object lives.
class LOG_PIXELS {
  public:
    explicit LOG_PIXELS(DWORD dpi) {
        if (RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        DWORD type = 0, size = sizeof before;
        had = RegQueryValueExA(key, "LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&before), &size) ==
                  ERROR_SUCCESS &&
              type == REG_DWORD;
        set = Write(dpi);
    }
    LOG_PIXELS(const LOG_PIXELS&) = delete;
    LOG_PIXELS& operator=(const LOG_PIXELS&) = delete;
    ~LOG_PIXELS() {
        if (had)
            Write(before);
        else if (key)
            RegDeleteValueA(key, "LogPixels");
        if (key)
            RegCloseKey(key);
    }
    bool set = false;

  private:
    bool Write(DWORD dpi) {
        return RegSetValueExA(key, "LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                              sizeof dpi) == ERROR_SUCCESS;
    }
    HKEY key = nullptr;
    DWORD before = 0;
    bool had = false;
};

// A line of the font, leading included, as any process draws it.
int LineHeight(const LOGFONTA& font) {
    HFONT made = CreateFontIndirectA(&font);
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, made);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(made);
    return metrics.tmHeight + metrics.tmExternalLeading;
}

// The main window's font ("MS Sans Serif" 8 point) at the high DPI.
int DialogLineHeight() {
    LOGFONTA font = {};
    font.lfHeight = -MulDiv(8, HIGH_DPI, 72);
    lstrcpyA(font.lfFaceName, "MS Sans Serif");
    return LineHeight(font);
}

// The system's menu font as this process (at 96 DPI) has it, at the high DPI.
int MenuLineHeight() {
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTA font = metrics.lfMenuFont;
    font.lfHeight = MulDiv(font.lfHeight, HIGH_DPI, 96);
    return LineHeight(font);
}

// The DPI is set while the fixture is made, before its SetUp starts Vaylo.
class HighDpi {
  protected:
    LOG_PIXELS dpi{HIGH_DPI};
};

class HighDpiTest : public HighDpi, public VayloTest {};

TEST_F(HighDpiTest, ListAndMenuEntries_FitTheSmallIconAndTheirFont) {
    ASSERT_TRUE(dpi.set);
    int const icon = MulDiv(16, HIGH_DPI, 96); // a DPI-aware program's small icon at 144 DPI

    std::wstring target = Title(L"high dpi target");
    HWND window = StartListed(target);
    ASSERT_NE(window, nullptr);
    LRESULT listItem = 0;
    ASSERT_TRUE(BoundedSend(GetDlgItem(vaylo.main, IDC_WINDOW_LIST), LB_GETITEMHEIGHT, 0, 0, &listItem));
    EXPECT_GE(listItem, icon);
    EXPECT_GE(listItem, DialogLineHeight());

    ASSERT_TRUE(MeasureEmptyMenu()) << "the tray menu did not open";
    ASSERT_TRUE(vaylo.DoubleClickEntry(target));
    ASSERT_TRUE(WaitVisible(window, false));
    HWND menu = vaylo.OpenMenu();
    ASSERT_NE(menu, nullptr);
    int menuItem = Height(menu) - emptyMenuHeight;
    vaylo.CloseMenu(menu);
    EXPECT_GE(menuItem, icon);
    EXPECT_GE(menuItem, MenuLineHeight());
    std::printf(
        "at %d DPI: list entry %d, menu item %d pixels; icon %d, dialog font line %d, menu font line %d\n",
        HIGH_DPI, static_cast<int>(listItem), menuItem, icon, DialogLineHeight(), MenuLineHeight());
}

} // namespace
