// Every dialog of the running Vaylo.exe, opened as a user opens it, and every
// visible static, button and check box caption measured against its control.
// The measurement is made in this process, in the same Wine prefix, with the
// face and size the dialog template names (DS_SETFONT), so Wine picks the same
// font for both. The test's font is first checked to give the dialog's own
// size in pixels (its dialog base units), else no measurement would mean much.
//
// VAYLO_CAPTION_REPORT in the environment only prints the measurements: the
// run at 144 DPI (caption_dpi_test.sh), where Wine's choice of bitmap size,
// not the templates, decides what fits.

#include "VayloFixture.h"

#include <cstdio>
#include <vector>

namespace {

int const SLACK = 2; // pixels where Wine's bitmap glyphs differ from Windows'

// The face, size and client size in dialog units of a template of Vaylo.exe.
struct TEMPLATE_FONT {
    std::wstring face;
    int points = 0;
    int cx = 0, cy = 0;
};

const wchar_t* SkipSzOrOrd(const wchar_t* at) {
    if (*at == 0xFFFF)
        return at + 2;
    while (*at)
        ++at;
    return at + 1;
}

// DLGTEMPLATE: style, extended style, count, x, y, cx, cy, then the menu, the
// class and the title, then (DS_SETFONT) the point size and the face.
bool ReadTemplate(int id, TEMPLATE_FONT& font) {
    HMODULE module = LoadLibraryExA(VayloPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return false;
    bool read = false;
    if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5))) {
        const auto* head = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(module, found)));
        if (head && (head->style & DS_SETFONT)) {
            font.cx = head->cx;
            font.cy = head->cy;
            const wchar_t* at = reinterpret_cast<const wchar_t*>(head + 1);
            at = SkipSzOrOrd(SkipSzOrOrd(SkipSzOrOrd(at)));
            font.points = *at++;
            font.face = at;
            read = true;
        }
    }
    FreeLibrary(module);
    return read;
}

std::wstring TextOfWindow(HWND window) {
    wchar_t text[512] = L"";
    LRESULT ignored = 0;
    if (!BoundedSend(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), &ignored))
        return L"";
    return text;
}

// One caption's need beside what its control offers, in pixels.
struct MEASURE {
    std::wstring text;
    SIZE need{};
    SIZE room{};
    LONG line = 0; // the caption on one line
    bool Fits() const { return need.cx <= room.cx + SLACK && need.cy <= room.cy + SLACK; }
};

// A memory DC holding the dialog's font as Wine gives it to this process.
class DIALOG_FONT {
  public:
    explicit DIALOG_FONT(const TEMPLATE_FONT& font) : dc(CreateCompatibleDC(nullptr)) {
        dpi = GetDeviceCaps(dc, LOGPIXELSY);
        handle = CreateFontW(-MulDiv(font.points, dpi, 72), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, font.face.c_str());
        old = SelectObject(dc, handle);
        TEXTMETRICW metrics = {};
        GetTextMetricsW(dc, &metrics);
        SIZE letters = {};
        const wchar_t alphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        GetTextExtentPoint32W(dc, alphabet, 52, &letters);
        baseX = (letters.cx / 26 + 1) / 2;
        baseY = metrics.tmHeight;
        GetTextFaceW(dc, 64, chosenFace);
        trueType = (metrics.tmPitchAndFamily & TMPF_TRUETYPE) != 0;
        INT zero = 0;
        GetCharWidth32W(dc, L'0', L'0', &zero);
        digitWidth = zero;
    }
    DIALOG_FONT(const DIALOG_FONT&) = delete;
    DIALOG_FONT& operator=(const DIALOG_FONT&) = delete;
    ~DIALOG_FONT() {
        SelectObject(dc, old);
        DeleteObject(handle);
        DeleteDC(dc);
    }

    SIZE Text(const std::wstring& text, UINT format, int width) const {
        RECT box = {0, 0, width, 0};
        DrawTextW(dc, text.c_str(), -1, &box, format | DT_CALCRECT);
        return SIZE{box.right, box.bottom};
    }

    // What the control's caption needs and has: a static wraps words unless
    // it is a single line; a push button keeps two pixels of frame on each
    // side; a check box or radio button begins its text after the box (13
    // pixels at 96 DPI) and half a digit's width.
    bool Measure(HWND control, MEASURE& measure) const {
        std::string kind = ClassOf(control);
        LONG style = GetWindowLongW(control, GWL_STYLE);
        RECT client = {};
        GetClientRect(control, &client);
        measure.text = TextOfWindow(control);
        measure.room = SIZE{client.right, client.bottom};
        if (measure.text.empty())
            return false;
        if (lstrcmpiA(kind.c_str(), "Static") == 0) {
            LONG type = style & SS_TYPEMASK;
            if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP &&
                type != SS_SIMPLE)
                return false;
            UINT format = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
            bool oneLine = (style & SS_CENTERIMAGE) || type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE;
            measure.need =
                Text(measure.text, format | (oneLine ? DT_SINGLELINE : DT_WORDBREAK | DT_EXPANDTABS),
                     measure.room.cx);
            measure.line = Text(measure.text, format | DT_SINGLELINE, 0).cx;
            return true;
        }
        if (lstrcmpiA(kind.c_str(), "Button") != 0)
            return false;
        LONG type = style & BS_TYPEMASK;
        SIZE line = Text(measure.text, DT_SINGLELINE, 0);
        switch (type) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON: measure.room = SIZE{client.right - 4, client.bottom - 4}; break;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
        case BS_3STATE:
        case BS_AUTO3STATE: measure.room.cx = client.right - MulDiv(13, dpi, 96) - digitWidth / 2; break;
        case BS_GROUPBOX: measure.room.cx = client.right - 2 * digitWidth; break;
        default: return false;
        }
        measure.need = line;
        measure.line = line.cx;
        return true;
    }

    HDC dc;
    HFONT handle;
    HGDIOBJ old;
    int dpi = 0;
    int baseX = 0, baseY = 0, digitWidth = 0;
    wchar_t chosenFace[64] = L"";
    bool trueType = false;
};

BOOL CALLBACK AddWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

bool ReportOnly() {
    return GetEnvironmentVariableA("VAYLO_CAPTION_REPORT", nullptr, 0) > 0;
}

std::string Describe(const std::string& dialog, int id, const MEASURE& measure) {
    char line[512];
    std::snprintf(line, sizeof line, "%-20s %5d  \"%s\" needs %ldx%ld (one line %ld), has %ldx%ld",
                  dialog.c_str(), id, Narrow(measure.text).c_str(), static_cast<long>(measure.need.cx),
                  static_cast<long>(measure.need.cy), static_cast<long>(measure.line),
                  static_cast<long>(measure.room.cx), static_cast<long>(measure.room.cy));
    return line;
}

class CaptionFitTest : public VayloTest {
  protected:
    // Nothing stored for minimising (the query asks), going to the tray on a
    // close with its notice, and a password to restore from the tray.
    CaptionFitTest() : VayloTest(false) {
        settings.SetDword("CloseToTray", "CloseToTray", 1);
        settings.SetDword("CloseToTray", "CloseToTrayRunReminder", 1);
        settings.SetDword("Password", "UseSystrayPassword", 1);
        settings.SetString("Password", "Password", "Fit42");
    }

    HWND Wait(const wchar_t* title) const { return WaitForWindow(ProcessDialog(vaylo.process.Id(), title)); }
    bool Gone(HWND dialog) const {
        return PumpUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
    }

    // Measures every caption of the open dialog made from the template.
    void Check(const char* name, HWND dialog, int templateId) {
        ASSERT_NE(nullptr, dialog) << name << " did not open";
        TEMPLATE_FONT font;
        ASSERT_TRUE(ReadTemplate(templateId, font))
            << name << ": no template " << templateId << " with a font";
        DIALOG_FONT measuring(font);
        RECT client = {};
        GetClientRect(dialog, &client);
        int expectedWidth = MulDiv(font.cx, measuring.baseX, 4),
            expectedHeight = MulDiv(font.cy, measuring.baseY, 8);
        std::printf("%s: \"%s\" %d pt at %d DPI is \"%s\" (%s), base units %d x %d; %ld x %ld pixels (%d x "
                    "%d expected)\n",
                    name, Narrow(font.face).c_str(), font.points, measuring.dpi,
                    Narrow(measuring.chosenFace).c_str(), measuring.trueType ? "TrueType" : "bitmap",
                    measuring.baseX, measuring.baseY, static_cast<long>(client.right),
                    static_cast<long>(client.bottom), expectedWidth, expectedHeight);
        EXPECT_NEAR(expectedWidth, client.right, 1) << name << ": the test's font is not the dialog's";
        EXPECT_NEAR(expectedHeight, client.bottom, 1) << name << ": the test's font is not the dialog's";

        std::vector<HWND> controls;
        EnumChildWindows(dialog, AddWindow, reinterpret_cast<LPARAM>(&controls));
        int measured = 0;
        for (HWND control : controls) {
            MEASURE measure;
            if (GetParent(control) != dialog || !IsWindowVisible(control) ||
                !measuring.Measure(control, measure))
                continue;
            ++measured;
            std::string line = Describe(name, GetDlgCtrlID(control), measure);
            std::printf("  %s %s\n", measure.Fits() ? "fits" : "CUT ", line.c_str());
            if (!ReportOnly()) {
                EXPECT_TRUE(measure.Fits()) << "cut: " << line;
            }
        }
        EXPECT_GT(measured, 0) << name << ": no caption was measured";
        ++dialogs;
    }
    int dialogs = 0;
};

} // namespace

TEST_F(CaptionFitTest, EveryCaptionOfEveryDialog_FitsItsControl) {
    Check("main window", vaylo.main, IDD_MAIN);

    ClickButton(vaylo.main, IDC_VIEW_HIDDEN);
    HWND viewer = Wait(L"Hidden Windows");
    Check("Hidden Windows", viewer, IDD_HIDDEN);
    ClickButton(viewer, IDOK);
    ASSERT_TRUE(Gone(viewer));

    ClickButton(vaylo.main, IDC_ABOUT);
    HWND about = Wait(L"About");
    Check("About", about, IDD_ABOUT_LICENCE);
    ClickButton(about, IDOK);
    ASSERT_TRUE(Gone(about));

    ClickButton(vaylo.main, IDC_OPTIONS);
    HWND options = Wait(L"Hot Key");
    Check("Hot Key", options, IDD_HOTKEY_OPTIONS);
    ClickButton(options, IDC_CHANGE_KEYS);
    HWND editor = Wait(L"Change Key Bindings");
    Check("Change Key Bindings", editor, IDD_KEY_BINDINGS);
    Cancel(editor);
    ASSERT_TRUE(Gone(editor));
    ClickButton(options, IDC_APPLICATION_INTERFACE);
    HWND ui = Wait(L"User Interface");
    Check("User Interface", ui, IDD_USER_INTERFACE);
    Cancel(ui);
    ASSERT_TRUE(Gone(ui));
    Cancel(options);
    ASSERT_TRUE(Gone(options));

    std::wstring ruled = Title(L"rules");
    ASSERT_NE(StartListed(ruled), nullptr);
    ASSERT_TRUE(vaylo.ChooseFromContextMenu(ruled, 3));
    HWND rules = Wait(L"Rules");
    Check("Rules", rules, IDD_RULES);
    Cancel(rules);
    ASSERT_TRUE(Gone(rules));

    // Minimising asks; No leaves the window minimised in place.
    PostMessageW(vaylo.main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    HWND query = Wait(L"Query");
    Check("Query", query, IDD_REMINDER);
    ClickButton(query, IDNO);
    ASSERT_TRUE(Gone(query));
    PostMessageW(vaylo.main, WM_SYSCOMMAND, SC_RESTORE, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsIconic(vaylo.main); }));

    // A close goes to the tray with its notice; restoring asks the password.
    PostMessageW(vaylo.main, WM_CLOSE, 0, 0);
    HWND notice = Wait(L"Close to Systray");
    Check("Close to Systray", notice, IDD_CLOSE_TRAY);
    ClickButton(notice, IDOK);
    ASSERT_TRUE(WaitVisible(vaylo.main, false));
    PostMessageW(vaylo.main, WM_TRAYNOTIFY, 0, WM_LBUTTONUP);
    HWND prompt = Wait(L"Enter Password");
    Check("Enter Password", prompt, IDD_PASSWORD);
    Cancel(prompt);
    ASSERT_TRUE(Gone(prompt));
    EXPECT_EQ(10, dialogs);
}
