// OpenLink with the real shell and explorer of the test prefix: how a text is
// read, what is started for it, the Shift key around the explorer start and
// the beep on failure. Web and mail addresses end at the link recorder.

#include "LinkTestSupport.h"

#include "dialogs/LinkLauncher.h"
#include "foundation/SystemUtilities.h"
#include "support/Input.h"
#include "support/Window.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<std::wstring> Sorted(std::vector<std::wstring> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

class OpenLinkTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(recorder.Ready()) << "the link recorder could not be set up"; }

    LINK_RECORDER recorder;
    TRACE_LINES traces;
};

} // namespace

// ---------------------------------------------------------------- reading the text

TEST(LinkKinds, MailPathAndWebAreToldApart_InBothForms) {
    EXPECT_EQ(LINK_KIND::MAIL, ClassifyLink(L"someone@host.example"));
    EXPECT_EQ(LINK_KIND::MAIL, ClassifyLink(L"someone@host.example?subject=Window Vaylo"));
    EXPECT_EQ(LINK_KIND::MAIL, ClassifyLink(L"MailTo:someone@host.example"));
    EXPECT_EQ(LINK_KIND::MAIL, ClassifyLink(L"mailto:someone@host.example?subject=a/b")); // named scheme wins
    EXPECT_EQ(LINK_KIND::WEB, ClassifyLink(L"http://user@host.example/page"));            // "@" and "/": web
    EXPECT_EQ(LINK_KIND::LOCAL_PATH, ClassifyLink(L"C:\\folder"));
    EXPECT_EQ(LINK_KIND::LOCAL_PATH, ClassifyLink(L"C:\\mail@home\\notes.txt"));
    EXPECT_EQ(LINK_KIND::WEB, ClassifyLink(L"C:")); // too short for a path
    EXPECT_EQ(LINK_KIND::WEB, ClassifyLink(L"www.host.example"));

    // The narrow form keeps "@" texts with ":" from being mail, not those with "/".
    EXPECT_EQ(LINK_KIND::MAIL, ClassifyLink("someone@host.example"));
    EXPECT_EQ(LINK_KIND::MAIL, ClassifyLink("mailto:someone@host.example"));
    EXPECT_EQ(LINK_KIND::MAIL, ClassifyLink("someone@host.example/x"));
    EXPECT_EQ(LINK_KIND::WEB, ClassifyLink(L"someone@host.example/x"));
    EXPECT_EQ(LINK_KIND::WEB, ClassifyLink("someone@host.example:25"));
    EXPECT_EQ(LINK_KIND::LOCAL_PATH, ClassifyLink("D:\\licence.txt"));
    EXPECT_EQ(LINK_KIND::WEB, ClassifyLink("www.host.example"));
}

// What a link found in the licence may be; the rest only beeps.
TEST(LinkKinds, WebOrMail_OnlyHttpHttpsMailtoAndWww) {
    for (const wchar_t* link : {L"http://host.example/", L"HTTPS://host.example/",
                                L"MailTo:someone@host.example", L"www.host.example"})
        EXPECT_TRUE(IsWebOrMailLink(link)) << link;
    for (const wchar_t* link : {L"file:///C:/windows/", L"ftp://host.example/", L"news:group", L"C:\\folder",
                                L"\\\\server\\share", L"someone@host.example", L"httpx://host.example/", L""})
        EXPECT_FALSE(IsWebOrMailLink(link)) << link;
    EXPECT_FALSE(IsWebOrMailLink(nullptr));
}

TEST(LinkKinds, ShellTarget_PrefixesMailtoOnceAndLeavesPathsAlone) {
    EXPECT_EQ(std::wstring(L"mailto:someone@host.example"), ShellTarget(L"someone@host.example").c_str());
    EXPECT_EQ(std::wstring(L"mailto:someone@host.example"),
              ShellTarget(L"mailto:someone@host.example").c_str());
    EXPECT_EQ(std::wstring(L"MAILTO:a@b"), ShellTarget(L"MAILTO:a@b").c_str());
    EXPECT_EQ(std::wstring(L"C:\\mail@home"), ShellTarget(L"C:\\mail@home").c_str());
    EXPECT_STREQ("mailto:someone@host.example", ShellTarget("someone@host.example").c_str());
    EXPECT_STREQ("mailto:someone@host.example", ShellTarget("mailto:someone@host.example").c_str());
    EXPECT_STREQ("D:\\folder", ShellTarget("D:\\folder").c_str());
}

TEST(LinkKinds, ExplorerCommandLine_QuotesTheAddressAndAddsHttpWithoutScheme) {
    WSTRING folder(L"C:\\windows\\");
    EXPECT_EQ(std::wstring(L"C:\\windows\\explorer \"http://www.host.example/a b\""),
              ExplorerCommandLine(folder, L"www.host.example/a b").c_str());
    EXPECT_EQ(std::wstring(L"C:\\windows\\explorer \"https://host.example/?q=1\""),
              ExplorerCommandLine(folder, L"https://host.example/?q=1").c_str());
    EXPECT_EQ(std::wstring(L"C:\\windows\\explorer \"http://host.example/%22x%22\""),
              ExplorerCommandLine(folder, L"host.example/\"x\"").c_str());
    EXPECT_STREQ("C:\\windows\\explorer \"http://www.host.example\"",
                 ExplorerCommandLine(STRING("C:\\windows\\"), "www.host.example").c_str());
}

// ---------------------------------------------------------------- opening for real

TEST_F(OpenLinkTest, MailAddresses_ReachTheMailProgramWithOneMailto) {
    EXPECT_TRUE(OpenLink(nullptr, L"someone@host.example?subject=Window Vaylo"));
    EXPECT_TRUE(OpenLink(nullptr, L"mailto:other@host.example"));
    EXPECT_TRUE(OpenLinkNarrow(nullptr, "narrow@host.example", WindowsFolder()));
    ASSERT_TRUE(recorder.WaitFor(3));
    // winebrowser writes the subject's blank as %20 on its way to the mail program.
    EXPECT_EQ(Sorted({L"mail mailto:narrow@host.example", L"mail mailto:other@host.example",
                      L"mail mailto:someone@host.example?subject=Window%20Vaylo"}),
              Sorted(recorder.Received()));
    EXPECT_EQ(0, traces.Count("link not opened"));
}

TEST_F(OpenLinkTest, WebAddress_StartsExplorerWithShiftHeldThenReleased) {
    KEY_SPY keys;
    SHIFT_WATCH watch;
    EXPECT_TRUE(OpenLink(nullptr, L"www.morvane-utilities.example/wide"));
    EXPECT_TRUE(watch.Stop()) << "Shift was never seen down while explorer started";
    EXPECT_EQ(std::vector<bool>({true, false}), keys.ShiftEvents(2));
    EXPECT_FALSE(KeyIsDown(VK_SHIFT));
    ASSERT_TRUE(recorder.WaitFor(1));
    EXPECT_EQ(std::vector<std::wstring>{L"web http://www.morvane-utilities.example/wide"},
              recorder.Received());

    EXPECT_TRUE(OpenLinkNarrow(nullptr, "https://www.morvane-utilities.example/narrow", WindowsFolder()));
    ASSERT_TRUE(recorder.WaitFor(2));
    EXPECT_EQ(L"web https://www.morvane-utilities.example/narrow", recorder.Received()[1]);
    EXPECT_EQ(0, traces.Count("link not opened"));
}

TEST_F(OpenLinkTest, ExplorerThatCannotStart_ReleasesShiftAndBeepsOnce_InBothForms) {
    KEY_SPY keys;
    EXPECT_FALSE(OpenLinkWide(nullptr, L"www.host.example", WSTRING(L"C:\\no such folder\\")));
    EXPECT_FALSE(KeyIsDown(VK_SHIFT));
    EXPECT_EQ(std::vector<bool>({true, false}), keys.ShiftEvents(2));
    EXPECT_EQ(1, traces.Count("link not opened"));

    EXPECT_FALSE(OpenLinkNarrow(nullptr, "www.host.example", STRING("C:\\no such folder\\")));
    EXPECT_FALSE(KeyIsDown(VK_SHIFT));
    EXPECT_EQ(std::vector<bool>({true, false, true, false}), keys.ShiftEvents(4));
    EXPECT_EQ(2, traces.Count("link not opened"));
}

TEST_F(OpenLinkTest, NothingToOpen_BeepsOnceEachAndPressesNoShift) {
    KEY_SPY keys;
    EXPECT_FALSE(OpenLink(nullptr, L""));
    EXPECT_FALSE(OpenLink(nullptr, nullptr));
    EXPECT_FALSE(OpenLink(nullptr, L"Q:\\no such folder\\at all")); // the shell finds nothing
    EXPECT_EQ(3, traces.Count("link not opened"));
    EXPECT_TRUE(keys.ShiftEvents().empty());
}

// The folder opens in a window of Wine's explorer titled with its name.
TEST_F(OpenLinkTest, LocalPath_OpensTheFolderUnprefixed) {
    char temp[MAX_PATH + 1] = {};
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    std::string name = "VayloLinkFolder" + std::to_string(GetCurrentProcessId());
    std::string folder = std::string(temp) + name;
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);

    EXPECT_TRUE(OpenLink(nullptr, WSTRING(folder.c_str()).c_str()));
    std::wstring title(name.begin(), name.end());
    WINDOW_QUERY query;
    query.title = title.c_str();
    HWND window = WaitForWindow(query);
    EXPECT_NE(nullptr, window) << "no window shows the folder";
    if (window)
        PostMessageW(window, WM_CLOSE, 0, 0);
    PumpUntil([&] { return !IsWindow(window); });
    RemoveDirectoryA(folder.c_str());
    EXPECT_TRUE(recorder.Received().empty());
    EXPECT_EQ(0, traces.Count("link not opened"));
}
