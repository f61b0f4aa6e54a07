// The unpacked release package, run as a user runs it: bin\Vaylo.exe from a
// fresh folder (VAYLO_EXE_UNDER_TEST, set by package_test.sh) hides a window
// and gives it back, and its About box shows the package's own licence.

#include "VayloFixture.h"

#include <fstream>
#include <sstream>

namespace {

// licence\licence.txt beside the package's bin folder, CRLF read as LF.
std::wstring PackagedLicence() {
    std::string folder = VayloPath();
    folder = folder.substr(0, folder.rfind('\\'));
    folder = folder.substr(0, folder.rfind('\\'));
    std::ifstream file(folder + "\\licence\\licence.txt", std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    std::wstring wide;
    for (char c : text.str())
        if (c != '\r')
            wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

std::wstring WithoutCarriageReturns(const std::wstring& text) {
    std::wstring plain;
    for (wchar_t c : text)
        if (c != L'\r')
            plain += c;
    return plain;
}

} // namespace

TEST_F(VayloTest, UnpackedPackage_HidesAndRestoresAWindow_AndShowsItsLicence) {
    std::wstring licence = PackagedLicence();
    ASSERT_GT(licence.size(), 100u) << "the package holds no licence beside bin";

    std::wstring title = Title(L"packaged");
    HWND target = StartListed(title);
    ASSERT_NE(nullptr, target) << "the packaged program did not list the target";
    ASSERT_TRUE(vaylo.DoubleClickEntry(title));
    ASSERT_TRUE(WaitVisible(target, false)) << "the window was not hidden";
    HWND menu = vaylo.OpenMenu();
    ASSERT_NE(nullptr, menu) << "the tray menu did not open";
    ASSERT_TRUE(vaylo.ChooseMenuItem(menu, 0));
    EXPECT_TRUE(WaitVisible(target, true)) << "the window did not come back";

    ClickAt(Centre(GetDlgItem(vaylo.main, IDC_ABOUT)));
    HWND about = WaitForWindow(ProcessDialog(vaylo.process.Id(), L"About"));
    ASSERT_NE(nullptr, about) << "the About box did not open";
    EXPECT_EQ(licence, WithoutCarriageReturns(ControlText(about, IDC_ABOUT_LICENCE)));
    ClickButton(about, IDOK);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(about); }));
}
