// The real Vaylo.exe's About button and its tray menu's "&Visit Morvane
// Utilities": the box opens with the licence the build ships beside the
// program's folder, or short without it, and the maker's web site goes to the
// link recorder instead of a browser.

#include "VayloFixture.h"

#include "support/LinkRecorder.h"

#include <fstream>

namespace {

// build/ARCH/licence/licence.txt for build/ARCH/app/Vaylo.exe, as in a release.
std::string ShippedLicence() {
    std::string path = VayloPath();
    path = path.substr(0, path.rfind('\\'));
    return path.substr(0, path.rfind('\\')) + "\\licence\\licence.txt";
}

// Closed again before the file is moved: an open file cannot be renamed.
std::string FirstLine(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string line;
    std::getline(file, line);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// The shipped licence moved aside while the object lives.
class LICENCE_ASIDE {
  public:
    LICENCE_ASIDE() : path(ShippedLicence()), aside(path + ".aside") {
        moved = MoveFileExA(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    }
    LICENCE_ASIDE(const LICENCE_ASIDE&) = delete;
    LICENCE_ASIDE& operator=(const LICENCE_ASIDE&) = delete;
    ~LICENCE_ASIDE() {
        if (moved)
            MoveFileExA(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    bool moved = false;

  private:
    const std::string path;
    const std::string aside;
};

class AboutAppTest : public VayloTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(recorder.Ready()) << "the link recorder could not be set up";
        VayloTest::SetUp();
    }

    // A real click on "&About"; the box once it shows, or null.
    HWND OpenAbout() const {
        ClickAt(Centre(GetDlgItem(vaylo.main, IDC_ABOUT)));
        return WaitForWindow(ProcessDialog(vaylo.process.Id(), L"About"));
    }
    static bool Close(HWND about) {
        ClickButton(about, IDOK);
        return PumpUntil([&] { return !IsWindow(about); });
    }

    LINK_RECORDER recorder;
};

} // namespace

TEST_F(AboutAppTest, AboutButton_ShowsTheShippedLicence_AndTheShortBoxWithoutIt) {
    std::string firstLine = FirstLine(ShippedLicence());
    ASSERT_FALSE(firstLine.empty()) << ShippedLicence() << " is missing";

    HWND about = OpenAbout();
    ASSERT_NE(nullptr, about) << "the About box did not open";
    EXPECT_NE(nullptr, GetDlgItem(about, IDC_ABOUT_LICENCE));
    EXPECT_EQ(0u,
              ControlText(about, IDC_ABOUT_LICENCE).find(std::wstring(firstLine.begin(), firstLine.end())));
    EXPECT_EQ(L"Window Vaylo 1", ControlText(about, IDC_ABOUT_TITLE));
    EXPECT_EQ(GetWindow(about, GW_OWNER), vaylo.main);
    ASSERT_TRUE(Close(about));

    LICENCE_ASIDE aside;
    ASSERT_TRUE(aside.moved);
    about = OpenAbout();
    ASSERT_NE(nullptr, about) << "the About box did not open without a licence";
    EXPECT_EQ(nullptr, GetDlgItem(about, IDC_ABOUT_LICENCE));
    EXPECT_EQ(L"Morvane Utilities", ControlText(about, IDC_ABOUT_WEB_SITE));
    EXPECT_TRUE(Close(about));
}

TEST_F(AboutAppTest, VisitMenuItem_OpensTheMakersWebSite) {
    HWND menu = vaylo.OpenMenu();
    ASSERT_NE(nullptr, menu);
    ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 1)); // "&Show Window Vaylo", "&Visit Morvane Utilities", "E&xit"
    ASSERT_TRUE(recorder.WaitFor(1));
    EXPECT_EQ(std::vector<std::wstring>{L"web http://www.morvane-utilities.example/"}, recorder.Received());
}
