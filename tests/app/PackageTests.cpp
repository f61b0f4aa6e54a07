// The unpacked release package, run as a user runs it: bin\Vaylo.exe from a
// fresh folder (VAYLO_EXE_UNDER_TEST, set by package_test.sh) hides a window
// and gives it back, and its About box shows the package's own licence; none
// of the libraries planted beside it is loaded.

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
    // The list asked the window manager's library, the About box the rich
    // edit library: each from the system folder, not from bin\.
    std::string bin = VayloPath().substr(0, VayloPath().rfind('\\') + 1);
    int richEdit = 0;
    for (const std::string& module : LoadedModules(vaylo.process.Id())) {
        std::string name = module.substr(module.rfind('\\') + 1);
        richEdit += _stricmp(name.c_str(), "riched20.dll") == 0;
        EXPECT_TRUE(_strnicmp(module.c_str(), bin.c_str(), bin.size()) != 0 ||
                    _stricmp(module.c_str(), VayloPath().c_str()) == 0)
            << module;
    }
    EXPECT_EQ(1, richEdit);
    ClickButton(about, IDOK);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(about); }));
}
