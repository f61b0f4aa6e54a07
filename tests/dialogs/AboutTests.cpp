// The About box run modally in the test thread, as the main window runs it,
// and driven from a second thread: which dialog opens, what it shows, the
// licence from the program's own licence folder, and the links opened with
// real pointer and keyboard input. The program's version resource is this
// test program's (it carries the program's resource script).

#include "DialogDriver.h"
#include "LinkTestSupport.h"

#include "dialogs/AboutBox.h"
#include "dialogs/Hyperlink.h"
#include "foundation/SystemUtilities.h"
#include "resources/resource.h"
#include "support/Screen.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <functional>
#include <set>

namespace {

const wchar_t* const kTitle = L"About";

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end()); // ASCII
}

std::wstring WithoutCarriageReturns(std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'\r'), text.end());
    return text;
}

// "licence.txt" in this program's licence folder, gone before and after each
// test. The program only reads there: the folder is made here.
class LICENCE_FILE {
  public:
    LICENCE_FILE() : path(LicencePath().c_str()) {
        CreateDirectoryA(LicenceFolder().c_str(), nullptr);
        Remove();
    }
    LICENCE_FILE(const LICENCE_FILE&) = delete;
    LICENCE_FILE& operator=(const LICENCE_FILE&) = delete;
    ~LICENCE_FILE() { Remove(); }

    bool Write(const std::string& content) const {
        FILE* file = std::fopen(path.c_str(), "wb");
        if (!file)
            return false;
        bool written = std::fwrite(content.data(), 1, content.size(), file) == content.size();
        return std::fclose(file) == 0 && written;
    }
    void Remove() const {
        DeleteFileA(path.c_str());
        RemoveDirectoryA(path.c_str());
    }
    const std::string path;
};

// Every message sent in this thread to a rich edit while the object lives (a
// call-window hook), with the text of each EM_REPLACESEL.
class RICH_EDIT_LOG {
  public:
    struct SENT {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::wstring text;
    };
    RICH_EDIT_LOG() {
        active = this;
        hook = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    }
    RICH_EDIT_LOG(const RICH_EDIT_LOG&) = delete;
    RICH_EDIT_LOG& operator=(const RICH_EDIT_LOG&) = delete;
    ~RICH_EDIT_LOG() {
        if (hook)
            UnhookWindowsHookEx(hook);
        active = nullptr;
    }
    // The messages of the licence set-up, in order.
    std::vector<SENT> SetUp() const {
        static const std::set<UINT> wanted = {EM_AUTOURLDETECT, EM_SETEVENTMASK, EM_SETREADONLY,
                                              EM_EXLIMITTEXT, EM_REPLACESEL};
        std::vector<SENT> found;
        for (const SENT& message : sent)
            if (wanted.count(message.message))
                found.push_back(message);
        return found;
    }
    std::vector<SENT> sent;
    HHOOK hook = nullptr;

  private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && active && ClassOf(call->hwnd) == "RichEdit20W") {
            SENT message = {call->message, call->wParam, call->lParam, L""};
            if (call->message == EM_REPLACESEL && call->lParam)
                message.text = reinterpret_cast<const wchar_t*>(call->lParam);
            active->sent.push_back(message);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline RICH_EDIT_LOG* active = nullptr;
};

// Whether the dialog's client area is the template's size in dialog units.
bool HasTemplateSize(HWND dialog, int width, int height) {
    RECT expected = {0, 0, width, height}, client = {};
    MapDialogRect(dialog, &expected);
    GetClientRect(dialog, &client);
    return std::abs(expected.right - client.right) <= 1 && std::abs(expected.bottom - client.bottom) <= 1;
}

// The whole text of the licence box, read with a buffer large enough for
// every line end written as "\r\n".
std::wstring LicenceBoxText(HWND about, size_t atMost) {
    HWND box = GetDlgItem(about, IDC_ABOUT_LICENCE);
    std::wstring text(2 * atMost + 16, L'\0');
    DWORD_PTR copied = 0;
    if (!box || !SendMessageTimeoutW(box, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                                     SMTO_ABORTIFHUNG, WAIT_MS, &copied))
        return L"";
    text.resize(copied);
    return text;
}

// A licence of exactly `size` bytes of short ASCII lines, ending in a full stop.
std::string LicenceOfSize(size_t size) {
    std::string text;
    for (int line = 1; text.size() + 80 < size; ++line) {
        char row[96];
        std::snprintf(row, sizeof row, "Licence line %05d: the quick brown fox jumps over the lazy dog.\r\n",
                      line);
        text += row;
    }
    text.append(size - text.size() - 1, 'x');
    return text + ".";
}

bool IsMegabytes(const std::wstring& text) {
    return text.size() > 2 && text.compare(text.size() - 2, 2, L"MB") == 0 &&
           text.find_first_not_of(L"0123456789") == text.size() - 2;
}

// Distinct colours in a square of the dialog's client area.
size_t ColoursIn(HWND dialog, RECT square) {
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&square), 2);
    PIXELS pixels = ScreenPixels(square);
    return std::set<COLORREF>(pixels.begin(), pixels.end()).size();
}

// Waits until the box has handled everything sent before and no opening
// holds the Shift key any more.
void Settle(HWND about) {
    RoundTrip(about);
    PollUntil([] { return !KeyIsDown(VK_SHIFT); });
}

class AboutTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(recorder.Ready()) << "the link recorder could not be set up"; }

    // Runs ShowAbout as the main window does, while `script` drives the box.
    void Open(std::function<void(HWND about)> script) {
        DRIVER driver(OwnedDialog(owner.Get(), kTitle), [&](HWND about) {
            PollUntil([&] { return GetForegroundWindow() == about; });
            script(about);
        });
        ABOUT_REQUEST request;
        request.module = GetModuleHandleA(nullptr);
        request.owner = owner.Get();
        request.icon = ProgramIcon();
        ShowAbout(request);
        driver.Finish();
    }

    // Writes a licence with `link` after a line of text, clicks the link's
    // third character, waits (bounded) until `opened` holds, and answers the
    // licence box's selection afterwards.
    CHARRANGE ClickLinkInLicence(const std::string& link, const std::function<bool()>& opened) {
        std::string before = "Window Vaylo licence.\r\nThe whole text is at ";
        CHARRANGE selection = {-1, -1};
        if (!licence.Write(before + link + " for everyone.\r\n")) {
            ADD_FAILURE() << "the licence could not be written";
            return selection;
        }
        LONG index = static_cast<LONG>(WithoutCarriageReturns(Wide(before)).size());
        Open([&](HWND about) {
            HWND box = GetDlgItem(about, IDC_ABOUT_LICENCE);
            POINTL corner = {};
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(box, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&corner), index + 3,
                                SMTO_ABORTIFHUNG, WAIT_MS, &ignored);
            POINT at = {corner.x + 2, corner.y + 5};
            ClientToScreen(box, &at);
            ClickAt(at);
            if (opened())
                Settle(about);
            SendMessageTimeoutW(box, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection), SMTO_ABORTIFHUNG,
                                WAIT_MS, &ignored);
            ClickButton(about, IDOK);
        });
        return selection;
    }

    TEST_OWNER owner;
    LICENCE_FILE licence;
    LINK_RECORDER recorder;
};

} // namespace

// ---------------------------------------------------------------- texts

TEST(AboutTexts, VersionCleaning_CutsTheTrailingDotsAndZeros) {
    EXPECT_STREQ("1.1", CleanVersion("1, 10, 0, 0").c_str());
    EXPECT_STREQ("2.1.1.5", CleanVersion("2, 1, 1, 5").c_str());
    EXPECT_STREQ("2.1", CleanVersion("2, 1, 0, 0").c_str());
    EXPECT_STREQ("3.0.1", CleanVersion("3,0,1,0").c_str());
    EXPECT_STREQ("", CleanVersion("").c_str());
}

TEST(AboutTexts, WebSiteQueryHasPercent20_MailSubjectKeepsItsBlanks) {
    EXPECT_STREQ("http://www.morvane-utilities.example/?Window%20Vaylo%201.2",
                 WebSiteLink("Window Vaylo 1.2").c_str());
    EXPECT_STREQ("support@morvane-utilities.example?subject=Window Vaylo", MailLink("Window Vaylo").c_str());
}

TEST(AboutTexts, RunTimeAndMemoryFigures) {
    DWORD const second = 1000, minute = 60 * second, hour = 60 * minute, day = 24 * hour;
    EXPECT_STREQ("3d:04h:05m:06s", RunTimeText(3 * day + 4 * hour + 5 * minute + 6 * second + 999).c_str());
    EXPECT_STREQ("0d:00h:00m:00s", RunTimeText(0).c_str());
    EXPECT_STREQ("49d:17h:02m:47s", RunTimeText(0xFFFFFFFF).c_str()); // where GetTickCount wraps
    EXPECT_STREQ("3MB", MegabytesText((4u << 20) - 1).c_str());       // whole MB, truncated
    EXPECT_STREQ("0MB", MegabytesText(0).c_str());
    // Beyond what 32 bits hold: machines have more, and run for longer.
    EXPECT_STREQ("65536MB", MegabytesText(64ull << 30).c_str());
    EXPECT_STREQ("60d:00h:00m:01s", RunTimeText(60ull * day + second).c_str());
}

// Each answer of the system: the wide calls where they exist (Wine has both),
// the old ones without them.
TEST(AboutTexts, SystemFigures_FromTheWideCallsWhereTheSystemHasThem) {
    SYSTEM_CALLS calls = KernelSystemCalls();
    ASSERT_NE(nullptr, calls.memoryStatusEx);
    ASSERT_NE(nullptr, calls.tickCount64);
    MEMORYSTATUSEX wide = {};
    wide.dwLength = sizeof wide;
    ASSERT_TRUE(GlobalMemoryStatusEx(&wide));
    MEMORYSTATUS old = {};
    old.dwLength = sizeof old;
    GlobalMemoryStatus(&old);

    SYSTEM_FIGURES figures = ReadSystemFigures(calls);
    EXPECT_EQ(wide.ullTotalPhys, figures.totalMemory);
    EXPECT_LE(calls.tickCount64() - figures.runTimeMs, 60000u);
    SYSTEM_FIGURES fallback = ReadSystemFigures(SYSTEM_CALLS());
    EXPECT_EQ(static_cast<unsigned long long>(old.dwTotalPhys), fallback.totalMemory);
    EXPECT_LE(static_cast<DWORD>(GetTickCount() - static_cast<DWORD>(fallback.runTimeMs)), 60000u);
}

TEST(AboutTexts, VersionString_ReadsTheItemOrNothing) {
    STRING self = ModulePath(nullptr);
    EXPECT_STREQ("Window Vaylo", VersionString(self.c_str(), "ProductName").c_str());
    EXPECT_STREQ("1, 0, 0, 0", VersionString(self.c_str(), "ProductVersion").c_str());
    EXPECT_EQ(0u, VersionString(self.c_str(), "NoSuchItem").Length());
    EXPECT_EQ(0u, VersionString(LicencePath().c_str(), "ProductName").Length()); // no such file
}

TEST(AboutTexts, LicenceText_EndsAtTheFileEndOrItsFirstZero) {
    LICENCE_FILE file;
    ASSERT_TRUE(file.Write(std::string("before\0after", 12)));
    EXPECT_STREQ("before", ReadLicenceText(file.path.c_str()).c_str());
    ASSERT_TRUE(file.Write(""));
    EXPECT_FALSE(ReadLicenceText(file.path.c_str()).HasBuffer());
}

// ---------------------------------------------------------------- the box

TEST_F(AboutTest, WithoutLicence_Opens135_SendsNoRichEditMessage_AndShowsProductLinksAndFigures) {
    RICH_EDIT_LOG log;
    bool size135 = false, licenceBox = true, iconDrawn = false, focusOnOk = false, refreshed = false;
    std::wstring title, copyright, company, captions[3], targets[3], total, available, pageFile, runTime;
    DWORD readAt = 0;
    const int links[3] = {IDC_ABOUT_MAIL, IDC_ABOUT_WEB_SITE, IDC_ABOUT_SCIENCE};
    Open([&](HWND about) {
        size135 = HasTemplateSize(about, 279, 145);
        licenceBox = GetDlgItem(about, IDC_ABOUT_LICENCE) != nullptr;
        title = ControlText(about, IDC_ABOUT_TITLE);
        copyright = ControlText(about, IDC_ABOUT_COPYRIGHT);
        company = ControlText(about, IDC_ABOUT_COMPANY);
        for (int i = 0; i < 3; ++i) {
            captions[i] = ControlText(about, links[i]);
            targets[i] = LinkTarget(GetDlgItem(about, links[i]));
        }
        total = ControlText(about, IDC_ABOUT_TOTAL_MEMORY);
        available = ControlText(about, IDC_ABOUT_AVAILABLE_MEMORY);
        pageFile = ControlText(about, IDC_ABOUT_PAGE_FILE);
        runTime = ControlText(about, IDC_ABOUT_RUN_TIME);
        readAt = GetTickCount();
        refreshed = PollUntil([&] { return ControlText(about, IDC_ABOUT_RUN_TIME) != runTime; });

        // The icon beside the product name: more than the plain background.
        RECT name = {};
        GetWindowRect(GetDlgItem(about, IDC_ABOUT_TITLE), &name);
        MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&name), 2);
        iconDrawn = PollUntil([&] {
            return ColoursIn(about, RECT{name.right, 22, name.right + 32, 54}) > 2;
        });

        // Enter closes the box: OK has the focus, not the first link.
        focusOnOk = FocusOf(about) == GetDlgItem(about, IDOK);
        PressKey(VK_RETURN);
    });
    EXPECT_TRUE(size135);
    EXPECT_FALSE(licenceBox);
    EXPECT_TRUE(log.sent.empty()) << log.sent.size() << " rich edit messages";
    EXPECT_EQ(L"Window Vaylo 1", title);
    EXPECT_EQ(L"Copyright (C) 2026", copyright);
    EXPECT_EQ(L"Morvane Utilities", company);
    EXPECT_EQ(L"support@morvane-utilities.example", captions[0]);
    EXPECT_EQ(L"Morvane Utilities", captions[1]);
    EXPECT_EQ(L"Stanford University Folding@Home", captions[2]);
    EXPECT_EQ(L"support@morvane-utilities.example?subject=Window Vaylo", targets[0]);
    EXPECT_EQ(L"http://www.morvane-utilities.example/?Window%20Vaylo%201", targets[1]);
    EXPECT_EQ(L"https://foldingathome.org/", targets[2]);
    EXPECT_TRUE(iconDrawn);
    EXPECT_TRUE(focusOnOk);

    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatusEx(&memory);
    EXPECT_EQ(std::to_wstring(memory.ullTotalPhys >> 20) + L"MB", total);
    EXPECT_TRUE(IsMegabytes(available)) << available;
    EXPECT_TRUE(IsMegabytes(pageFile)) << pageFile;
    unsigned days = 0, hours = 0, minutes = 0, seconds = 0;
    int used = 0;
    EXPECT_EQ(4, swscanf(runTime.c_str(), L"%ud:%2uh:%2um:%2us%n", &days, &hours, &minutes, &seconds, &used));
    EXPECT_EQ(runTime.find(L"d:") + 13, static_cast<size_t>(used)) << runTime; // two digits after the days
    EXPECT_LE(((days * 24 + hours) * 60 + minutes) * 60 + seconds, readAt / 1000);
    EXPECT_TRUE(refreshed) << "the run time did not move on";
}

// Sixteen pages of licence, more than the rich edit takes by default: shown
// whole, and the text handed over is the file's, with nothing after it.
TEST_F(AboutTest, WithLicence_Opens138_AndShowsAFileOfWholePagesWhole) {
    SYSTEM_INFO system = {};
    GetSystemInfo(&system);
    std::string text = LicenceOfSize(16 * system.dwPageSize);
    ASSERT_TRUE(licence.Write(text));
    RICH_EDIT_LOG log;
    bool size138 = false;
    std::wstring shown;
    LRESULT firstLine = -1;
    Open([&](HWND about) {
        size138 = HasTemplateSize(about, 279, 215);
        shown = LicenceBoxText(about, text.size());
        DWORD_PTR line = 0;
        if (SendMessageTimeoutW(GetDlgItem(about, IDC_ABOUT_LICENCE), EM_GETFIRSTVISIBLELINE, 0, 0,
                                SMTO_ABORTIFHUNG, WAIT_MS, &line))
            firstLine = static_cast<LRESULT>(line);
        ClickButton(about, IDOK);
    });
    EXPECT_TRUE(size138);
    EXPECT_EQ(WithoutCarriageReturns(Wide(text)), WithoutCarriageReturns(shown));
    EXPECT_EQ(0, firstLine) << "the box should show the licence from its beginning";

    std::vector<RICH_EDIT_LOG::SENT> setUp = log.SetUp();
    ASSERT_EQ(5u, setUp.size());
    EXPECT_EQ(static_cast<UINT>(EM_AUTOURLDETECT), setUp[0].message);
    EXPECT_EQ(1u, setUp[0].wParam);
    EXPECT_EQ(static_cast<UINT>(EM_SETEVENTMASK), setUp[1].message);
    EXPECT_EQ(0x04200000, setUp[1].lParam);
    EXPECT_EQ(static_cast<UINT>(EM_SETREADONLY), setUp[2].message);
    EXPECT_EQ(1u, setUp[2].wParam);
    EXPECT_EQ(static_cast<UINT>(EM_EXLIMITTEXT), setUp[3].message);
    EXPECT_GE(setUp[3].lParam, static_cast<LPARAM>(text.size()));
    EXPECT_EQ(static_cast<UINT>(EM_REPLACESEL), setUp[4].message);
    EXPECT_TRUE(Wide(text) == setUp[4].text)
        << "handed over " << setUp[4].text.size() << " of " << text.size() << " characters";
}

TEST_F(AboutTest, EmptyLockedOrFolderLicence_OpensTheShortBox) {
    auto opensShortBox = [&] {
        bool short135 = false;
        Open([&](HWND about) {
            short135 = GetDlgItem(about, IDC_ABOUT_LICENCE) == nullptr && HasTemplateSize(about, 279, 145);
            ClickButton(about, IDOK);
        });
        return short135;
    };
    ASSERT_TRUE(licence.Write(""));
    EXPECT_TRUE(opensShortBox()) << "empty file";

    ASSERT_TRUE(licence.Write("A licence nobody may read just now.\r\n"));
    HANDLE locked = CreateFileA(licence.path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, locked);
    EXPECT_TRUE(opensShortBox()) << "file open elsewhere without sharing";
    CloseHandle(locked);

    licence.Remove();
    ASSERT_TRUE(CreateDirectoryA(licence.path.c_str(), nullptr));
    EXPECT_TRUE(opensShortBox()) << "a folder named licence.txt";
}

TEST_F(AboutTest, Links_OpenTheirTargets_WhenClicked) {
    size_t arrived = 0;
    Open([&](HWND about) {
        for (int link : {IDC_ABOUT_MAIL, IDC_ABOUT_WEB_SITE, IDC_ABOUT_SCIENCE}) {
            ClickAt(CaptionPoint(GetDlgItem(about, link)));
            if (recorder.WaitFor(++arrived))
                Settle(about);
            else
                ADD_FAILURE() << "link " << link << " opened nothing";
        }
        ClickAt(Centre(GetDlgItem(about, IDOK)));
    });
    EXPECT_EQ(
        std::vector<std::wstring>({L"mail mailto:support@morvane-utilities.example?subject=Window%20Vaylo",
                                   L"web http://www.morvane-utilities.example/?Window%20Vaylo%201",
                                   L"web https://foldingathome.org/"}),
        recorder.Received());
}

// From OK, Tab reaches the science link, then the mail link and the web
// site; Enter opens the one in focus, and on OK closes the box.
TEST_F(AboutTest, Links_AreTabStopsThatEnterOpens_AndEnterOnOkCloses) {
    size_t arrived = 0;
    std::vector<int> reached;
    Open([&](HWND about) {
        HWND ok = GetDlgItem(about, IDOK);
        for (int link : {IDC_ABOUT_SCIENCE, IDC_ABOUT_MAIL, IDC_ABOUT_WEB_SITE, IDOK}) {
            HWND target = GetDlgItem(about, link);
            for (int press = 0; press < 5 && FocusOf(about) != target; ++press) {
                HWND before = FocusOf(about);
                PressKey(VK_TAB);
                PollUntil([&] { return FocusOf(about) != before; });
            }
            if (FocusOf(about) != target)
                break;
            reached.push_back(link);
            PressKey(VK_RETURN);
            if (target != ok && recorder.WaitFor(++arrived))
                Settle(about);
        }
    });
    EXPECT_EQ(std::vector<int>({IDC_ABOUT_SCIENCE, IDC_ABOUT_MAIL, IDC_ABOUT_WEB_SITE, IDOK}), reached);
    EXPECT_EQ(
        std::vector<std::wstring>({L"web https://foldingathome.org/",
                                   L"mail mailto:support@morvane-utilities.example?subject=Window%20Vaylo",
                                   L"web http://www.morvane-utilities.example/?Window%20Vaylo%201"}),
        recorder.Received());
}

TEST_F(AboutTest, WebAddressInTheLicence_OpensWhenClicked) {
    CHARRANGE selection = ClickLinkInLicence("http://www.morvane-utilities.example/licence",
                                             [&] { return recorder.WaitFor(1); });
    EXPECT_EQ(std::vector<std::wstring>{L"web http://www.morvane-utilities.example/licence"},
              recorder.Received());
    EXPECT_EQ(selection.cpMin, selection.cpMax) << "the link's selection was left behind";
}

// The rich edit finds these as links too; explorer or the shell would open them.
TEST_F(AboutTest, OtherLinksInTheLicence_BeepAndOpenNothing) {
    for (const char* link : {"file:///C:/windows/win.ini", "ftp://ftp.morvane-utilities.example/"}) {
        SCOPED_TRACE(link);
        TRACE_LINES traces;
        ClickLinkInLicence(link,
                           [&] { return PollUntil([&] { return traces.Count("link not opened") > 0; }); });
        EXPECT_EQ(1, traces.Count("link not opened"));
        EXPECT_TRUE(recorder.Received().empty());
    }
}