// The "User Interface" options run modally in the test thread and driven from
// a second one, against the real registry and real shell links in the
// Startup folders of the test prefix (the all-users one and the user's own). The program whose start with
// Windows is at stake is this test program: it sits outside an installation's
// "bin" folder, as a copy run from anywhere does.

#include "DialogDriver.h"

#include "dialogs/StartupShortcut.h"
#include "dialogs/UserInterfaceOptions.h"
#include "foundation/Handles.h"
#include "foundation/SystemUtilities.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <cctype>
#include <initializer_list>
#include <string>

namespace {

const wchar_t* const kTitle = L"User Interface";
char const kDescription[] = "Manage active windows with grace";
int const ALL_USERS = 1;
int const USER_OWN = 0;

char const kKeyPath[] = "Software\\MorvaneUtilities\\Vaylo\\UiOptionsTest";

class UI_KEY : public SCRATCH_KEY {
  public:
    UI_KEY() : SCRATCH_KEY(kKeyPath) {}
};

std::string StartupPath(int which = CSIDL_COMMON_STARTUP) {
    char path[MAX_PATH + 1] = {};
    SHGetSpecialFolderPathA(nullptr, path, which, FALSE);
    return std::string(path) + "\\";
}

std::string UserStartupPath() {
    return StartupPath(CSIDL_STARTUP);
}

std::string ProgramFolder() {
    std::string self = ModulePath(nullptr).c_str();
    return self.substr(0, self.rfind('\\'));
}

std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Contents(const std::string& path) {
    std::string bytes;
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

// ---------------------------------------------------------------- shell links

struct LINK {
    bool loaded = false;
    std::string target, folder, description;
};

template <class INTERFACE> void Release(INTERFACE*& held) {
    if (held)
        held->Release();
    held = nullptr;
}

bool WriteLink(const std::string& path, const std::string& target, const char* description = kDescription) {
    COM_INIT com;
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    bool saved = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                            reinterpret_cast<void**>(&link))) &&
                 SUCCEEDED(link->SetPath(target.c_str())) && SUCCEEDED(link->SetDescription(description)) &&
                 SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                 SUCCEEDED(file->Save(WSTRING(path.c_str()).c_str(), TRUE));
    Release(file);
    Release(link);
    return saved;
}

LINK ReadLink(const std::string& path) {
    COM_INIT com;
    LINK read;
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    char target[MAX_PATH + 1] = {}, folder[MAX_PATH + 1] = {}, description[MAX_PATH + 1] = {};
    read.loaded = SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                             reinterpret_cast<void**>(&link))) &&
                  SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                  SUCCEEDED(file->Load(WSTRING(path.c_str()).c_str(), STGM_READ)) &&
                  SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, 0)) &&
                  SUCCEEDED(link->GetWorkingDirectory(folder, MAX_PATH)) &&
                  SUCCEEDED(link->GetDescription(description, MAX_PATH));
    Release(file);
    Release(link);
    read.target = target;
    read.folder = folder;
    read.description = description;
    return read;
}

// The link files one test may leave in either Startup folder, under a name of
// its own, removed before and after the test whatever they became.
class STARTUP_LINKS {
  public:
    STARTUP_LINKS()
        : name("Vaylo UI Test " + std::to_string(GetCurrentProcessId())), folder(StartupPath()),
          userFolder(UserStartupPath()) {
        Clean();
    }
    STARTUP_LINKS(const STARTUP_LINKS&) = delete;
    STARTUP_LINKS& operator=(const STARTUP_LINKS&) = delete;
    ~STARTUP_LINKS() { Clean(); }
    std::string Bare() const { return folder + name; }
    std::string Lnk() const { return folder + name + ".lnk"; }
    std::string UserLnk() const { return userFolder + name + ".lnk"; }
    const std::string name;
    const std::string folder;
    const std::string userFolder;

  private:
    void Clean() const {
        for (const std::string& path : {Bare(), Lnk(), userFolder + name, UserLnk()}) {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
            RemoveDirectoryA(path.c_str());
        }
    }
};

// ---------------------------------------------------------------- the dialog

struct SEEN {
    bool closeToTray = false, minimizeToTray = false, usePassword = false, startWithWindows = false;
    bool closeEnabled = false, minimizeEnabled = false, passwordBoxEnabled = false, entryEnabled = false,
         startEnabled = false;
    std::wstring password;
};

SEEN Look(HWND dialog) {
    SEEN seen;
    seen.closeToTray = IsChecked(dialog, IDC_UI_CLOSE_TO_TRAY);
    seen.minimizeToTray = IsChecked(dialog, IDC_UI_MINIMIZE_TO_TRAY);
    seen.usePassword = IsChecked(dialog, IDC_UI_USE_PASSWORD);
    seen.startWithWindows = IsChecked(dialog, IDC_UI_START_WITH_WINDOWS);
    seen.closeEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_UI_CLOSE_TO_TRAY)) != FALSE;
    seen.minimizeEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_UI_MINIMIZE_TO_TRAY)) != FALSE;
    seen.passwordBoxEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_UI_USE_PASSWORD)) != FALSE;
    seen.entryEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_UI_PASSWORD)) != FALSE;
    seen.startEnabled = IsWindowEnabled(GetDlgItem(dialog, IDC_UI_START_WITH_WINDOWS)) != FALSE;
    seen.password = ControlText(dialog, IDC_UI_PASSWORD);
    return seen;
}

// A click on the box, as the mouse gives it, once its handler has run.
void Toggle(HWND dialog, int id) {
    bool before = IsChecked(dialog, id);
    ClickButton(dialog, id);
    EXPECT_TRUE(PollUntil([&] { return IsChecked(dialog, id) != before; })) << "box " << id;
    RoundTrip(dialog);
}

// Opens the options over the shared owner; `script` sees the dialog on a
// second thread and ends it.
void RunOptions(const std::string& shortcutName, const std::function<void(HWND)>& script,
                int trayOptionsEnabled = 1) {
    TEST_OWNER owner;
    DRIVER driver(OwnedDialog(owner.Get(), kTitle), script);
    ShowUserInterfaceOptions(GetModuleHandleA(nullptr), owner.Get(), trayOptionsEnabled, kKeyPath,
                             shortcutName.c_str(), kDescription);
    driver.Finish();
}

SEEN OpenAndLook(const std::string& shortcutName, int trayOptionsEnabled = 1) {
    SEEN seen;
    RunOptions(
        shortcutName,
        [&](HWND dialog) {
            seen = Look(dialog);
            ClickButton(dialog, IDCANCEL);
        },
        trayOptionsEnabled);
    return seen;
}

// ---------------------------------------------------------------- tray options

TEST(UserInterface, StoredOptionsAreShown_OkStoresWhatTheBoxesSay) {
    UI_KEY key;
    STARTUP_LINKS links;
    key.SetDword("CloseToTray", "CloseToTray", 1);
    key.SetDword("MinimizeToTray", "MinimizeToTray", 0);
    key.SetDword("Password", "UseSystrayPassword", 1);
    key.SetString("Password", "Password", "Stored Secret");
    SEEN opened;
    RunOptions(links.name, [&](HWND dialog) {
        opened = Look(dialog);
        Toggle(dialog, IDC_UI_CLOSE_TO_TRAY);
        Toggle(dialog, IDC_UI_MINIMIZE_TO_TRAY);
        SetControlText(dialog, IDC_UI_PASSWORD, "New \xE9 pass"); // bytes as typed, é included
        ClickButton(dialog, IDOK);
    });
    EXPECT_TRUE(opened.closeToTray);
    EXPECT_FALSE(opened.minimizeToTray);
    EXPECT_TRUE(opened.usePassword);
    EXPECT_TRUE(opened.entryEnabled);
    EXPECT_EQ(L"Stored Secret", opened.password);

    EXPECT_EQ(0, key.Dword("CloseToTray", "CloseToTray"));
    EXPECT_EQ(1, key.Dword("MinimizeToTray", "MinimizeToTray"));
    EXPECT_EQ(1, key.Dword("Password", "UseSystrayPassword"));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(key.Read("Password", "Password", type, bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("New \xE9 pass", 11), bytes); // plain text with its zero
}

// Cleared, the entry empties and goes grey; checked again, it shows the stored
// password, not what was typed. OK while cleared stores the password off.
TEST(UserInterface, PasswordBox_CheckedAgainRefillsTheStoredPassword_OkWhileClearedStoresItOff) {
    UI_KEY key;
    STARTUP_LINKS links;
    key.SetDword("Password", "UseSystrayPassword", 1);
    key.SetString("Password", "Password", "Stored7");
    SEEN cleared, checkedAgain;
    RunOptions(links.name, [&](HWND dialog) {
        SetControlText(dialog, IDC_UI_PASSWORD, "Typed");
        Toggle(dialog, IDC_UI_USE_PASSWORD);
        cleared = Look(dialog);
        Toggle(dialog, IDC_UI_USE_PASSWORD);
        checkedAgain = Look(dialog);
        Toggle(dialog, IDC_UI_USE_PASSWORD);
        ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(L"", cleared.password);
    EXPECT_FALSE(cleared.entryEnabled);
    EXPECT_EQ(L"Stored7", checkedAgain.password);
    EXPECT_TRUE(checkedAgain.entryEnabled);
    EXPECT_EQ(0, key.Dword("Password", "UseSystrayPassword"));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(key.Read("Password", "Password", type, bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string(1, '\0'), bytes);
}

// Values of another type read as off; the password is then neither shown nor
// editable. Cancel stores nothing and touches no link, whatever was clicked.
TEST(UserInterface, MalformedValuesReadAsOff_CancelStoresNothing) {
    UI_KEY key;
    STARTUP_LINKS links;
    key.SetString("Password", "UseSystrayPassword", "1");
    key.SetString("Password", "Password", "hidden");
    BYTE one[4] = {1, 0, 0, 0};
    key.Set("CloseToTray", "CloseToTray", REG_BINARY, one, sizeof one);
    SEEN opened;
    RunOptions(links.name, [&](HWND dialog) {
        opened = Look(dialog);
        Toggle(dialog, IDC_UI_MINIMIZE_TO_TRAY);
        Toggle(dialog, IDC_UI_USE_PASSWORD);
        Toggle(dialog, IDC_UI_START_WITH_WINDOWS);
        ClickButton(dialog, IDCANCEL);
    });
    EXPECT_FALSE(opened.closeToTray);
    EXPECT_FALSE(opened.usePassword);
    EXPECT_FALSE(opened.entryEnabled);
    EXPECT_EQ(L"", opened.password);
    EXPECT_FALSE(key.Exists("MinimizeToTray", "MinimizeToTray"));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(key.Read("Password", "UseSystrayPassword", type, bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_FALSE(Exists(links.Lnk()));
}

TEST(UserInterface, TrayOptionsDisabled_TheirControlsAreGreyAndOkWritesNoneOfThem) {
    UI_KEY key;
    STARTUP_LINKS links;
    SEEN opened;
    RunOptions(
        links.name,
        [&](HWND dialog) {
            opened = Look(dialog);
            ClickButton(dialog, IDOK);
        },
        0);
    EXPECT_FALSE(opened.closeEnabled);
    EXPECT_FALSE(opened.minimizeEnabled);
    EXPECT_FALSE(opened.passwordBoxEnabled);
    EXPECT_FALSE(opened.entryEnabled);
    EXPECT_TRUE(opened.startEnabled);
    EXPECT_FALSE(key.Exists("CloseToTray", "CloseToTray"));
    EXPECT_FALSE(key.Exists("MinimizeToTray", "MinimizeToTray"));
    EXPECT_FALSE(key.Exists("Password", "UseSystrayPassword"));
    EXPECT_FALSE(key.Exists("Password", "Password"));
}

// ---------------------------------------------------------------- start with Windows

// The link points at the program file itself, which is not in a "bin"
// folder here: no "bin" folder appears beside it, and the box shows the link
// at the next opening; cleared, the link goes.
TEST(StartWithWindows, Checked_CreatesALinkToTheProgramItself_ClearedRemovesIt) {
    UI_KEY key;
    STARTUP_LINKS links;
    std::string strayBin = ApplicationFolder().c_str() + std::string("bin");
    bool binBefore = Exists(strayBin);
    SEEN first;
    RunOptions(links.name, [&](HWND dialog) {
        first = Look(dialog);
        Toggle(dialog, IDC_UI_START_WITH_WINDOWS);
        ClickButton(dialog, IDOK);
    });
    EXPECT_TRUE(first.startEnabled);
    EXPECT_FALSE(first.startWithWindows);
    LINK link = ReadLink(links.Lnk());
    ASSERT_TRUE(link.loaded) << links.Lnk();
    EXPECT_EQ(std::string(ModulePath(nullptr).c_str()), link.target);
    EXPECT_EQ(ProgramFolder() + "\\", link.folder);
    EXPECT_EQ(kDescription, link.description);
    EXPECT_FALSE(Exists(links.Bare()));
    if (!binBefore) {
        EXPECT_FALSE(Exists(strayBin));
    }

    EXPECT_TRUE(OpenAndLook(links.name).startWithWindows);
    RunOptions(links.name, [&](HWND dialog) {
        Toggle(dialog, IDC_UI_START_WITH_WINDOWS);
        ClickButton(dialog, IDOK);
    });
    EXPECT_FALSE(Exists(links.Lnk()));
}

// A file named exactly like the link, without extension, that points at the
// program counts (read-only too) and is the one removal deletes first; the
// ".lnk" beside it, found when removal looks again, goes too: left, it would
// still start the program with Windows.
TEST(StartWithWindows, LinkWithoutExtension_CountsAsPresentAndIsTheOneRemoved) {
    UI_KEY key;
    STARTUP_LINKS links;
    std::string program = ModulePath(nullptr).c_str();
    ASSERT_TRUE(WriteLink(links.Bare(), program));
    ASSERT_TRUE(SetFileAttributesA(links.Bare().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(OpenAndLook(links.name).startWithWindows);

    ASSERT_TRUE(WriteLink(links.Lnk(), program));
    RunOptions(links.name, [&](HWND dialog) {
        Toggle(dialog, IDC_UI_START_WITH_WINDOWS);
        ClickButton(dialog, IDOK);
    });
    EXPECT_FALSE(Exists(links.Bare()));
    EXPECT_FALSE(Exists(links.Lnk()));
}

// Folder and file name match whatever their letter case; OK with the box
// checked leaves a matching link exactly as it was.
TEST(StartWithWindows, LetterCaseDoesNotMatter_AndAMatchingLinkIsLeftUntouched) {
    UI_KEY key;
    STARTUP_LINKS links;
    std::string upper = Upper(ModulePath(nullptr).c_str());
    ASSERT_TRUE(WriteLink(links.Lnk(), upper, "made elsewhere"));
    ASSERT_EQ(upper, ReadLink(links.Lnk()).target); // the shell keeps the case it was given
    std::string before = Contents(links.Lnk());
    SEEN opened;
    RunOptions(links.name, [&](HWND dialog) {
        opened = Look(dialog);
        ClickButton(dialog, IDOK);
    });
    EXPECT_TRUE(opened.startWithWindows);
    EXPECT_TRUE(before == Contents(links.Lnk())) << "the link was written again";
    EXPECT_EQ("made elsewhere", ReadLink(links.Lnk()).description);
}

// A link under the name that points at another folder (a sibling whose name
// starts like ours, a sub-folder) or another file counts as absent: cleared,
// OK deletes nothing; checked, OK writes the right link over it.
TEST(StartWithWindows, LinkPointingElsewhere_CountsAsAbsent) {
    UI_KEY key;
    STARTUP_LINKS links;
    std::string program = ModulePath(nullptr).c_str();
    std::string file = program.substr(program.rfind('\\'));
    for (const std::string& elsewhere :
         {ProgramFolder() + "2" + file, ProgramFolder() + "\\sub" + file, ProgramFolder() + "\\other.exe"}) {
        SCOPED_TRACE(elsewhere);
        ASSERT_TRUE(WriteLink(links.Lnk(), elsewhere));
        ASSERT_EQ(elsewhere, ReadLink(links.Lnk()).target);
        std::string before = Contents(links.Lnk());
        SEEN opened;
        RunOptions(links.name, [&](HWND dialog) {
            opened = Look(dialog);
            ClickButton(dialog, IDOK);
        });
        EXPECT_FALSE(opened.startWithWindows);
        EXPECT_TRUE(before == Contents(links.Lnk())) << "the link was touched";
    }
    RunOptions(links.name, [&](HWND dialog) {
        Toggle(dialog, IDC_UI_START_WITH_WINDOWS);
        ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(program, ReadLink(links.Lnk()).target);
}

TEST(StartWithWindows, EmptyShortcutName_DisablesTheBoxAndTouchesNoLink) {
    UI_KEY key;
    STARTUP_LINKS links;
    SEEN opened;
    RunOptions("", [&](HWND dialog) {
        opened = Look(dialog);
        ClickButton(dialog, IDOK);
    });
    EXPECT_FALSE(opened.startEnabled);
    EXPECT_FALSE(Exists(links.folder + ".lnk"));
}

// A Startup folder renamed away for one test, and put back however it ends.
class STARTUP_FOLDER_AWAY {
  public:
    explicit STARTUP_FOLDER_AWAY(const std::string& path)
        : folder(path), away(folder.substr(0, folder.size() - 1) + ".vaylo-away") {
        if (!Exists(folder) && Exists(away)) // an earlier run that died midway
            MoveFileA(away.c_str(), folder.c_str());
        moved = MoveFileA(folder.c_str(), away.c_str()) != FALSE;
    }
    STARTUP_FOLDER_AWAY(const STARTUP_FOLDER_AWAY&) = delete;
    STARTUP_FOLDER_AWAY& operator=(const STARTUP_FOLDER_AWAY&) = delete;
    ~STARTUP_FOLDER_AWAY() {
        if (moved)
            MoveFileA(away.c_str(), folder.c_str());
    }
    const std::string folder, away;
    bool moved = false;
};

// The system names neither Startup folder: the box is grey and unchecked, and
// no link is written anywhere (a lone "\" would have been the drive's root).
TEST(StartWithWindows, NoStartupFolder_BoxIsGreyAndNothingIsWrittenAnywhere) {
    UI_KEY key;
    STARTUP_LINKS links;
    std::string shortcut = "Vaylo UI Root Test " + std::to_string(GetCurrentProcessId());
    char drive[MAX_PATH + 1] = {};
    GetCurrentDirectoryA(MAX_PATH, drive);
    std::string roots[2] = {"C:\\", std::string(drive, 3)};
    for (const std::string& root : roots) // only this run's writes count (Z:\ is shared)
        DeleteFileA((root + shortcut + ".lnk").c_str());
    SEEN opened;
    STRING named;
    {
        STARTUP_FOLDER_AWAY gone(StartupPath()), userGone(UserStartupPath());
        ASSERT_TRUE(gone.moved);
        ASSERT_TRUE(userGone.moved);
        named = StartupFolder(ALL_USERS) + StartupFolder(USER_OWN);
        std::string program = ModulePath(nullptr).c_str();
        for (bool virtualised : {false, true})
            EXPECT_FALSE(CreateStartupShortcut(ProgramFolder().c_str(),
                                               program.substr(program.rfind('\\') + 1).c_str(),
                                               shortcut.c_str(), "", nullptr, virtualised));
        RunOptions(shortcut, [&](HWND dialog) {
            opened = Look(dialog);
            // Should the click get through under Wine, a grey box is never applied.
            ClickButton(dialog, IDC_UI_START_WITH_WINDOWS);
            ClickButton(dialog, IDOK);
        });
    }
    EXPECT_EQ(0u, named.Length());
    EXPECT_FALSE(opened.startEnabled);
    EXPECT_FALSE(opened.startWithWindows);
    for (const std::string& root : roots)
        EXPECT_FALSE(Exists(root + shortcut + ".lnk")) << root;
    EXPECT_TRUE(Exists(StartupPath()));
    EXPECT_TRUE(Exists(UserStartupPath()));
}

// ---------------------------------------------------------------- refused writes

// The message that tells what OK could not store, answered; empty when none
// came. Opened over `dialog`, before the dialog closes.
std::wstring AnswerUnsavedMessage(HWND dialog) {
    HWND box = WaitForWindow(OwnedDialog(dialog, L"Settings Not Saved"));
    if (box == nullptr)
        return L"";
    std::wstring text = ChildTexts(box);
    ClickButton(box, IDOK);
    return text;
}

// The system refuses the writes (keys a standard user may only read, folders
// in the way of the link in both Startup folders): one message names each
// setting with the system's reason, and the next opening shows what is really
// stored and on disk. The password is written before its switch, which is
// not tried once the password was refused.
TEST(UserInterface, RefusedWrites_AreToldInOneMessage_TheNextOpeningShowsWhatIsReallyThere) {
    UI_KEY key;
    STARTUP_LINKS links;
    key.SetDword("CloseToTray", "CloseToTray", 0);
    key.SetString("Password", "Password", "Old");
    ASSERT_TRUE(CreateDirectoryA(links.Lnk().c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(links.UserLnk().c_str(), nullptr));
    SEEN again;
    std::wstring told;
    {
        READ_ONLY_KEY refused(key.Path("CloseToTray")), refusedPassword(key.Path("Password"));
        ASSERT_TRUE(refused.locked && refusedPassword.locked);
        RunOptions(links.name, [&](HWND dialog) {
            Toggle(dialog, IDC_UI_USE_PASSWORD);
            SetControlText(dialog, IDC_UI_PASSWORD, "New");
            Toggle(dialog, IDC_UI_CLOSE_TO_TRAY);
            Toggle(dialog, IDC_UI_MINIMIZE_TO_TRAY);
            Toggle(dialog, IDC_UI_START_WITH_WINDOWS);
            ClickButton(dialog, IDOK);
            told = AnswerUnsavedMessage(dialog);
        });
        again = OpenAndLook(links.name);
    }
    EXPECT_FALSE(again.closeToTray);
    EXPECT_TRUE(again.minimizeToTray);
    EXPECT_FALSE(again.startWithWindows);
    EXPECT_EQ(0, key.Dword("CloseToTray", "CloseToTray"));
    EXPECT_NE(told.find(L"Close to Tray: " + SystemReason(ERROR_ACCESS_DENIED)), std::wstring::npos) << told;
    EXPECT_NE(told.find(L"Start with Windows: "), std::wstring::npos) << told;
    EXPECT_EQ(told.find(L"Minimize to Tray"), std::wstring::npos) << told;
    EXPECT_NE(told.find(L"\nPassword: " + SystemReason(ERROR_ACCESS_DENIED)), std::wstring::npos) << told;
    EXPECT_EQ(told.find(L"Use Password"), std::wstring::npos) << told;
    EXPECT_FALSE(again.usePassword);
}

// Everything stored: no message.
TEST(UserInterface, AcceptedWrites_TellNothing) {
    UI_KEY key;
    STARTUP_LINKS links;
    ANSWERER watch(WINDOW_QUERY{L"Settings Not Saved"}, [](HWND box, int) { ClickButton(box, IDOK); });
    RunOptions(links.name, [&](HWND dialog) {
        Toggle(dialog, IDC_UI_CLOSE_TO_TRAY);
        Toggle(dialog, IDC_UI_START_WITH_WINDOWS);
        ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(0, watch.Stop());
    EXPECT_EQ(1, key.Dword("CloseToTray", "CloseToTray"));
    EXPECT_TRUE(Exists(links.Lnk()));
}

// ---------------------------------------------------------------- where the link goes

// A virtualised process's write to the all-users folder would land in the
// user's VirtualStore, which logon never reads; a refused one lands nowhere.
// Either way the link goes to the user's own Startup folder.
TEST(StartWithWindows, FolderForNewLink_AllUsersUnlessVirtualisedOrRefused) {
    struct CASE {
        bool virtualised, refused;
        int folder;
    } const cases[] = {
        {false, false, CSIDL_COMMON_STARTUP},
        {true, false, CSIDL_STARTUP},
        {false, true, CSIDL_STARTUP},
        {true, true, CSIDL_STARTUP},
    };
    ASSERT_NE(UserStartupPath(), StartupPath());
    for (const CASE& c : cases) {
        SCOPED_TRACE(std::to_string(c.virtualised) + " " + std::to_string(c.refused));
        EXPECT_EQ(StartupPath(c.folder), StartupFolderForNewLink(c.virtualised, c.refused).c_str());
    }
}

std::string ProgramName() {
    std::string program = ModulePath(nullptr).c_str();
    return program.substr(program.rfind('\\') + 1);
}

// Virtualised, the link is written to the user's own folder; a link in
// either folder counts as present, and the box cleared removes it.
TEST(StartWithWindows, Virtualised_LinkGoesToTheUsersFolder_CountsAsPresent_ClearedRemovesIt) {
    UI_KEY key;
    STARTUP_LINKS links;
    ASSERT_TRUE(CreateStartupShortcut(ProgramFolder().c_str(), ProgramName().c_str(), links.name.c_str(),
                                      kDescription, nullptr, true));
    EXPECT_FALSE(Exists(links.Lnk()));
    EXPECT_EQ(std::string(ModulePath(nullptr).c_str()), ReadLink(links.UserLnk()).target);
    EXPECT_TRUE(IsStartupShortcutPresent(ProgramFolder().c_str(), ProgramName().c_str(), links.name.c_str()));
    RunOptions(links.name, [&](HWND dialog) {
        EXPECT_TRUE(IsChecked(dialog, IDC_UI_START_WITH_WINDOWS));
        Toggle(dialog, IDC_UI_START_WITH_WINDOWS);
        ClickButton(dialog, IDOK);
    });
    EXPECT_FALSE(Exists(links.UserLnk()));
}

// The all-users folder refuses the link (a folder in its way): OK puts it in
// the user's own folder and tells nothing. A link in each folder: cleared,
// both go.
TEST(StartWithWindows, AllUsersRefused_LinkGoesToTheUsersFolder_RemovalEmptiesBoth) {
    UI_KEY key;
    STARTUP_LINKS links;
    ASSERT_TRUE(CreateDirectoryA(links.Lnk().c_str(), nullptr));
    ANSWERER watch(WINDOW_QUERY{L"Settings Not Saved"}, [](HWND box, int) { ClickButton(box, IDOK); });
    RunOptions(links.name, [&](HWND dialog) {
        Toggle(dialog, IDC_UI_START_WITH_WINDOWS);
        ClickButton(dialog, IDOK);
    });
    EXPECT_EQ(0, watch.Stop());
    EXPECT_EQ(std::string(ModulePath(nullptr).c_str()), ReadLink(links.UserLnk()).target);

    ASSERT_TRUE(RemoveDirectoryA(links.Lnk().c_str()));
    ASSERT_TRUE(WriteLink(links.Lnk(), ModulePath(nullptr).c_str()));
    EXPECT_TRUE(RemoveStartupShortcut(ProgramFolder().c_str(), ProgramName().c_str(), links.name.c_str()));
    EXPECT_FALSE(Exists(links.Lnk()));
    EXPECT_FALSE(Exists(links.UserLnk()));
}

} // namespace
