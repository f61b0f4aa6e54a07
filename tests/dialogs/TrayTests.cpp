// The tray icon and tray behaviour, on a small named
// dialog with a tray icon, against the shell's real notification area.
// Dialogs the behaviour opens (query, notice, password prompt) are answered
// from a second thread while the test thread sits in their modal loops.

#include "TrayTestIds.h"

#include "dialogs/TrayPolicyDialog.h"
#include "resources/resource.h"
#include "support/Dialog.h"
#include "support/ModalProbe.h"
#include "support/Poll.h"
#include "support/Registry.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

const char* const kProbeName = "VayloTrayTest";
const char* const kProbeKey = "Software\\MorvaneUtilities\\VayloTrayTest";
const wchar_t* const kQueryTitle = L"Query";
const wchar_t* const kNoticeTitle = L"Close to Systray";
const wchar_t* const kPromptTitle = L"Enter Password";
UINT_PTR const kMenuTimer = 31;

// The query's rich edit class must exist before a query opens, as in the program.
HMODULE const richEditLibrary = LoadLibraryA("riched20.dll");

// ------------------------------------------------------------ the probe window

class TRAY_PROBE : public MODAL_PROBE<TRAY_PROBE, MV_TRAYDIALOG> {
  public:
    explicit TRAY_PROBE(BODY testBody)
        : MODAL_PROBE(std::move(testBody), kProbeName, IDD_TRAY_PROBE, nullptr, GetModuleHandleA(nullptr)) {}

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (ProbeMessage(message, wParam))
            return TRUE;
        switch (message) {
        case WM_TRAYNOTIFY:
            callbacks.push_back(static_cast<UINT>(lParam));
            ++callbacksSeen;
            return TRUE;
        case WM_COMMAND: commands.push_back(LOWORD(wParam)); return TRUE;
        default: return FALSE;
        }
    }

    bool HasTrayIcon() const override { return true; }
    bool TrayOnlyWhenHidden() const override { return onlyWhenHidden; }
    UINT GetTrayMessage() const override { return WM_TRAYNOTIFY; }
    HMENU GetTrayMenu() const override { return menu; }
    STRING GetTrayTip() const override { return STRING(tip.c_str()); }

    // Which operation a tray message started; the base does the work.
    void OnTrayRightClick() override {
        ++rightClicks;
        MV_TRAYDIALOG::OnTrayRightClick();
    }
    void OnTrayLeftClick() override {
        ++leftClicks;
        MV_TRAYDIALOG::OnTrayLeftClick();
    }
    void OnTrayMiddleClick() override {
        ++middleClicks;
        MV_TRAYDIALOG::OnTrayMiddleClick();
    }
    void OnTrayDoubleClick() override {
        ++doubleClicks;
        MV_TRAYDIALOG::OnTrayDoubleClick();
    }

    int TrayFailed() const { return trayFailed; }

    HMENU menu = nullptr;
    std::string tip = "Tray Probe";
    bool onlyWhenHidden = false;
    std::vector<UINT> callbacks;
    std::atomic<int> callbacksSeen{0};
    std::vector<WORD> commands;
    int rightClicks = 0, leftClicks = 0, middleClicks = 0, doubleClicks = 0;
};

void Notify(HWND window, UINT mouseMessage) {
    SendMessageA(window, WM_TRAYNOTIFY, 0, mouseMessage);
}

bool Shown(HWND window) {
    return IsWindowVisible(window) && !IsIconic(window);
}
bool HiddenAlive(HWND window) {
    return IsWindow(window) && !IsWindowVisible(window);
}

// ------------------------------------------------------------ a second shell tray

struct TRAY_CALL {
    DWORD operation;
    HWND window;
    UINT flags;
    UINT callback;
    std::wstring tip;
};

// A window of the shell tray's class made after the shell's own, so that
// Shell_NotifyIcon reaches it first. It stands for an Explorer that has just
// restarted (it knows no icon yet) or, refusing every icon, for a tray that is
// unavailable. It reads the record as Wine's shell32 hands it over: window,
// id, flags and callback message as 32-bit values, then the tip as 128 UTF-16
// characters.
class STAND_IN_TRAY {
  public:
    explicit STAND_IN_TRAY(bool acceptIcons) : accept(acceptIcons) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "Shell_TrayWnd";
        RegisterClassA(&windowClass);
        current = this;
        window = CreateWindowExA(WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    STAND_IN_TRAY(const STAND_IN_TRAY&) = delete;
    STAND_IN_TRAY& operator=(const STAND_IN_TRAY&) = delete;
    ~STAND_IN_TRAY() {
        if (window)
            DestroyWindow(window);
        current = nullptr;
    }

    bool Reached() const {
        return window && FindWindowExA(nullptr, nullptr, "Shell_TrayWnd", nullptr) == window;
    }
    bool Holds(HWND owner) const { return icons.count(owner) != 0; }
    const TRAY_CALL* LastAdd() const {
        for (auto call = calls.rbegin(); call != calls.rend(); ++call)
            if (call->operation == NIM_ADD)
                return &*call;
        return nullptr;
    }
    // What the shell does when the user releases the left button over the icon.
    void ClickLeft(HWND owner) const { PostMessageA(owner, callbackMessage, 0, WM_LBUTTONUP); }

    std::vector<TRAY_CALL> calls;

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != WM_COPYDATA || !current)
            return DefWindowProcA(hwnd, message, wParam, lParam);
        const COPYDATASTRUCT* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data->cbData < 16 + 128 * sizeof(wchar_t))
            return FALSE;
        const BYTE* bytes = static_cast<const BYTE*>(data->lpData);
        LONG ownerValue;
        UINT fields[3];
        std::memcpy(&ownerValue, bytes, 4);
        std::memcpy(fields, bytes + 4, sizeof(fields));
        wchar_t tip[129] = L"";
        std::memcpy(tip, bytes + 16, 128 * sizeof(wchar_t));
        TRAY_CALL call = {static_cast<DWORD>(data->dwData),
                          reinterpret_cast<HWND>(static_cast<LONG_PTR>(ownerValue)), fields[1], fields[2],
                          tip};
        return current->Answer(call);
    }

    BOOL Answer(const TRAY_CALL& call) {
        calls.push_back(call);
        bool known = Holds(call.window);
        switch (call.operation) {
        case NIM_ADD:
            if (!accept || known)
                return FALSE;
            icons.insert(call.window);
            break;
        case NIM_MODIFY:
            if (!known)
                return FALSE;
            break;
        case NIM_DELETE: return icons.erase(call.window) != 0;
        default: return FALSE;
        }
        if (call.flags & NIF_MESSAGE)
            callbackMessage = call.callback;
        return TRUE;
    }

    static STAND_IN_TRAY* current;
    bool accept;
    HWND window = nullptr;
    std::set<HWND> icons;
    UINT callbackMessage = 0;
};

STAND_IN_TRAY* STAND_IN_TRAY::current = nullptr;

// ------------------------------------------------------------ answering dialogs

// Visible dialogs of this process with that title.
WINDOW_QUERY Dialogs(const wchar_t* title) {
    return ProcessDialog(GetCurrentProcessId(), title);
}

// ------------------------------------------------------------ menus

HWND OpenMenuWindow() {
    WINDOW_QUERY menus;
    menus.className = "#32768";
    menus.threadId = GetCurrentThreadId();
    return FirstWindow(menus);
}

// Notes each popup menu the probe opens, from a timer that the menu's own
// loop delivers, and then closes it or chooses its first item.
struct MENU_WATCH {
    int opened = 0;
    RECT rect = {};
    HWND foreground = nullptr;
    bool chooseFirst = false;
    std::function<void()> whileOpen;
    HWND last = nullptr;

    void Start(TRAY_PROBE& probe) {
        probe.onTimer = [this](WPARAM id) {
            if (id != kMenuTimer)
                return;
            HWND menu = OpenMenuWindow();
            if (!menu || menu == last)
                return;
            last = menu;
            ++opened;
            GetWindowRect(menu, &rect);
            foreground = GetForegroundWindow();
            if (whileOpen)
                whileOpen();
            if (chooseFirst) {
                PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
            } else {
                EndMenu();
            }
        };
        SetTimer(probe.Handle(), kMenuTimer, 20, nullptr);
    }
};

// ------------------------------------------------------------ fixture

// The probe's settings, thrown away before and after each test.
class Tray : public ::testing::Test {
  protected:
    void SetDword(const char* subkey, const char* name, DWORD value) { key.SetDword(subkey, name, value); }
    void SetString(const char* subkey, const char* name, const char* value) {
        key.SetString(subkey, name, value);
    }
    // Closing then hides to the tray without asking and without the notice.
    void CloseGoesQuietlyToTray() {
        SetDword("CloseToTray", "CloseToTray", 1);
        SetDword("CloseToTray", "CloseToTrayRunReminder", 0);
    }
    void RequirePassword(const char* password) {
        SetDword("Password", "UseSystrayPassword", 1);
        SetString("Password", "Password", password);
    }
    SCRATCH_KEY key{kProbeKey};
};

// ------------------------------------------------------------ the icon

TEST_F(Tray, Icon_HeldWhileTheWindowLives_RemovedWithIt) {
    HWND window = nullptr;
    bool held = false;
    int failed = -1;
    TRAY_PROBE probe([&](TRAY_PROBE& p) {
        window = p.Handle();
        held = ShellHasIcon(window);
        failed = p.TrayFailed();
    });
    probe.Run();
    EXPECT_TRUE(held);
    EXPECT_EQ(0, failed);
    EXPECT_FALSE(ShellHasIcon(window));
}

TEST_F(Tray, Icon_AddedWithTipCallbackAndImage_TipCutTo63Characters) {
    CloseGoesQuietlyToTray();
    std::string const base =
        "Tray probe tip that runs on and on past the sixty-three characters a first-version record holds";
    for (size_t length : {size_t(20), size_t(63), size_t(64), base.size()}) {
        SCOPED_TRACE(length);
        STAND_IN_TRAY tray(true);
        ASSERT_TRUE(tray.Reached());
        HWND window = nullptr;
        TRAY_PROBE probe([&](TRAY_PROBE& p) {
            window = p.Handle();
            SendMessageA(window, WM_CLOSE, 0, 0); // hides: an update with tip and callback
            EXPECT_TRUE(HiddenAlive(window));
        });
        probe.tip = base.substr(0, length);
        probe.Run();

        std::string cut = base.substr(0, length < 63 ? length : 63);
        std::wstring expected(cut.begin(), cut.end());
        const TRAY_CALL* add = tray.LastAdd();
        ASSERT_NE(nullptr, add);
        EXPECT_EQ(window, add->window);
        EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_TIP | NIF_ICON), add->flags);
        EXPECT_EQ(WM_TRAYNOTIFY, add->callback);
        int tipped = 0;
        for (const TRAY_CALL& call : tray.calls)
            if (call.flags & NIF_TIP && call.operation != NIM_DELETE) {
                EXPECT_EQ(expected, call.tip);
                ++tipped;
            }
        EXPECT_GE(tipped, 2); // the add, and the update on hiding
        EXPECT_EQ(static_cast<DWORD>(NIM_DELETE), tray.calls.back().operation);
        EXPECT_FALSE(tray.Holds(window));
    }
}

// The tray shows the program file's small image at the system's small icon
// size, not the window's big icon for the shell to shrink.
// The window's small icon is that image too.
TEST_F(Tray, Icon_IsTheFilesSmallImageAtTheSystemsSmallSize) {
    SIZE shown = {};
    bool same = true, windowsSmallIcon = false;
    TRAY_PROBE probe([&](TRAY_PROBE& p) {
        same = p.TrayImage() == p.Icon();
        windowsSmallIcon =
            SendMessageA(p.Handle(), WM_GETICON, ICON_SMALL, 0) == reinterpret_cast<LRESULT>(p.TrayImage());
        ICONINFO info = {};
        if (p.TrayImage() && GetIconInfo(p.TrayImage(), &info)) {
            BITMAP mask = {};
            GetObjectA(info.hbmMask, sizeof mask, &mask);
            shown = {mask.bmWidth, info.hbmColor ? mask.bmHeight : mask.bmHeight / 2};
            DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
        }
    });
    probe.Run();
    EXPECT_FALSE(same);
    EXPECT_TRUE(windowsSmallIcon);
    EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), shown.cx);
    EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), shown.cy);
}

TEST_F(Tray, TaskbarCreated_AddsTheIconAgain_WithTipAndCallback_AndItAnswersClicks) {
    CloseGoesQuietlyToTray();
    TRAY_PROBE probe([&](TRAY_PROBE& p) {
        HWND window = p.Handle();
        UINT taskbarCreated = MV_WINBASE::taskbarCreatedMessage;
        ASSERT_EQ(RegisterWindowMessageA("TaskbarCreated"), taskbarCreated);

        // The shell lost its icons, then announces the new taskbar to everyone.
        ShellDeleteIcon(window);
        ASSERT_FALSE(ShellHasIcon(window));
        PostMessageA(HWND_BROADCAST, taskbarCreated, 0, 0);
        EXPECT_TRUE(PumpUntil([&] { return ShellHasIcon(window); }));

        // Hidden in the tray when a shell starts that knows nothing yet.
        SendMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(HiddenAlive(window));
        STAND_IN_TRAY restarted(true);
        ASSERT_TRUE(restarted.Reached());
        PostMessageA(HWND_BROADCAST, taskbarCreated, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return restarted.Holds(window); }));
        const TRAY_CALL* add = restarted.LastAdd();
        EXPECT_EQ(static_cast<UINT>(NIF_MESSAGE | NIF_TIP | NIF_ICON), add->flags);
        EXPECT_EQ(WM_TRAYNOTIFY, add->callback);
        EXPECT_EQ(L"Tray Probe", add->tip);

        restarted.ClickLeft(window);
        EXPECT_TRUE(PumpUntil([&] { return Shown(window); }));
        EXPECT_EQ(WINSTATE_NORMAL, p.WinState());
    });
    probe.Run();
}

TEST_F(Tray, OnlyWhenHidden_IconExistsJustWhileHiddenInTheTray) {
    CloseGoesQuietlyToTray();
    TRAY_PROBE probe([&](TRAY_PROBE& p) {
        HWND window = p.Handle();
        EXPECT_FALSE(ShellHasIcon(window));
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(HiddenAlive(window));
        EXPECT_TRUE(ShellHasIcon(window));
        Notify(window, WM_LBUTTONUP);
        EXPECT_TRUE(Shown(window));
        EXPECT_FALSE(ShellHasIcon(window));
    });
    probe.onlyWhenHidden = true;
    probe.Run();
}

// ------------------------------------------------------------ an unavailable tray

TEST_F(Tray, Unavailable_CloseAndMinimizeBehaveAsWithoutTray) {
    // No stored answers: with a tray the user would be asked.
    ANSWERER query(Dialogs(kQueryTitle), [](HWND dialog, int) { PressButton(dialog, IDNO); });
    int failed = 0;
    bool minimized = false, closed = false;
    {
        STAND_IN_TRAY refusing(false);
        ASSERT_TRUE(refusing.Reached());
        TRAY_PROBE probe([&](TRAY_PROBE& p) {
            HWND window = p.Handle();
            failed = p.TrayFailed();
            SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            minimized = IsIconic(window) && IsWindowVisible(window);
            SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
            SendMessageA(window, WM_CLOSE, 0, 0);
            closed = !IsWindow(window);
        });
        probe.Run();
    }
    EXPECT_EQ(1, failed);
    EXPECT_TRUE(minimized);
    EXPECT_TRUE(closed);
    EXPECT_EQ(0, query.Stop());
}

TEST_F(Tray, Unavailable_NextUpdateClearsTheFailure_AShellGoneSinceHidesNothing) {
    CloseGoesQuietlyToTray();
    SetDword("MinimizeToTray", "MinimizeToTray", 1);
    SetDword("MinimizeToTray", "MinimizeToTrayRunReminder", 0);
    HWND window = nullptr;
    bool closed = false;
    {
        auto refusing = std::make_unique<STAND_IN_TRAY>(false);
        TRAY_PROBE probe([&](TRAY_PROBE& p) {
            window = p.Handle();
            ASSERT_EQ(1, p.TrayFailed());
            // The shell is back and says so.
            refusing.reset();
            SendMessageA(window, MV_WINBASE::taskbarCreatedMessage, 0, 0);
            EXPECT_EQ(0, p.TrayFailed());
            EXPECT_TRUE(ShellHasIcon(window));
            SendMessageA(window, WM_CLOSE, 0, 0);
            EXPECT_TRUE(HiddenAlive(window));
            Notify(window, WM_LBUTTONUP);
            ASSERT_TRUE(Shown(window));

            // The shell went away after the last update: a window hidden now
            // could never come back, so it minimizes and closes instead.
            STAND_IN_TRAY gone(false);
            SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
            EXPECT_TRUE(IsIconic(window) && IsWindowVisible(window));
            EXPECT_EQ(1, p.TrayFailed());
            SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
            SendMessageA(window, WM_CLOSE, 0, 0);
            closed = !IsWindow(window);
        });
        probe.Run();
    }
    EXPECT_TRUE(closed);
    ShellDeleteIcon(window); // the real shell still holds the icon added above
}

// ------------------------------------------------------------ clicks

TEST_F(Tray, Clicks_ReleasesRestore_MovesAndPressesStartNothing) {
    CloseGoesQuietlyToTray();
    ANSWERER prompt(Dialogs(kPromptTitle), Cancel);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 501, "First");
    TRAY_PROBE probe([&](TRAY_PROBE& p) {
        HWND window = p.Handle();
        MENU_WATCH watch;
        watch.Start(p);
        SendMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(HiddenAlive(window));
        for (UINT idle : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN}) {
            Notify(window, idle);
            EXPECT_TRUE(HiddenAlive(window)) << idle;
        }
        EXPECT_EQ(0, p.rightClicks + p.leftClicks + p.middleClicks + p.doubleClicks);
        EXPECT_EQ(WINSTATE_HIDDEN, p.WinState());

        for (UINT restore : {WM_LBUTTONUP, WM_MBUTTONUP, WM_LBUTTONDBLCLK}) {
            SendMessageA(window, WM_CLOSE, 0, 0);
            ASSERT_TRUE(HiddenAlive(window));
            Notify(window, restore);
            EXPECT_TRUE(Shown(window)) << restore;
            EXPECT_EQ(window, GetForegroundWindow()) << restore;
            EXPECT_EQ(WINSTATE_NORMAL, p.WinState());
        }
        EXPECT_EQ(1, p.middleClicks);
        EXPECT_EQ(1, p.doubleClicks);

        // Without a menu a right click restores too.
        p.menu = nullptr;
        SendMessageA(window, WM_CLOSE, 0, 0);
        Notify(window, WM_RBUTTONUP);
        EXPECT_TRUE(Shown(window));
        EXPECT_EQ(0, watch.opened);
        KillTimer(window, kMenuTimer);
    });
    probe.menu = menu;
    probe.Run();
    DestroyMenu(menu);

    std::vector<UINT> expected = {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN,   WM_MBUTTONDOWN,
                                  WM_LBUTTONUP, WM_MBUTTONUP,   WM_LBUTTONDBLCLK, WM_RBUTTONUP};
    EXPECT_EQ(expected, probe.callbacks); // the window's own procedure sees every one
    EXPECT_EQ(0, prompt.Stop());
}

TEST_F(Tray, RightClick_OpensMenuAtPointer_ChoiceArrives_OtherClicksWaitMeanwhile) {
    CloseGoesQuietlyToTray();
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 501, "First");
    AppendMenuA(menu, MF_STRING, 502, "Second");
    TRAY_PROBE probe([&](TRAY_PROBE& p) {
        HWND window = p.Handle();
        MENU_WATCH watch;
        watch.Start(p);

        // Hidden: the menu opens at the pointer and the window stays hidden;
        // a left click while the menu is open is dropped.
        SendMessageA(window, WM_CLOSE, 0, 0);
        SetCursorPos(400, 300);
        POINT pointer = {};
        GetCursorPos(&pointer);
        bool hiddenMeanwhile = false;
        watch.chooseFirst = true;
        watch.whileOpen = [&] {
            Notify(window, WM_LBUTTONUP);
            hiddenMeanwhile = HiddenAlive(window);
        };
        Notify(window, WM_RBUTTONUP);
        EXPECT_TRUE(PumpUntil([&] { return !p.commands.empty(); }));
        EXPECT_EQ(std::vector<WORD>{501}, p.commands);
        EXPECT_EQ(1, watch.opened);
        EXPECT_EQ(pointer.x, watch.rect.left);
        EXPECT_EQ(pointer.y, watch.rect.top);
        EXPECT_TRUE(hiddenMeanwhile);
        EXPECT_EQ(0, p.leftClicks);
        EXPECT_TRUE(HiddenAlive(window));

        // Visible behind another window: the window takes the foreground so
        // the menu can be dismissed; closing the menu chooses nothing.
        Notify(window, WM_LBUTTONUP);
        ASSERT_TRUE(Shown(window));
        TEST_WINDOW other("Other", {10, 10, 60, 60}, WS_POPUP | WS_VISIBLE);
        SetForegroundWindow(other);
        watch.chooseFirst = false;
        watch.whileOpen = nullptr;
        Notify(window, WM_RBUTTONUP);
        EXPECT_EQ(2, watch.opened);
        EXPECT_EQ(window, watch.foreground);
        // A choice would already be queued: it would arrive before this marker.
        PostMessageA(window, WM_COMMAND, 999, 0);
        EXPECT_TRUE(PumpUntil([&] { return p.commands.size() >= 2; }));
        EXPECT_EQ((std::vector<WORD>{501, 999}), p.commands);
        KillTimer(window, kMenuTimer);
    });
    probe.menu = menu;
    probe.Run();
    DestroyMenu(menu);
}

TEST_F(Tray, LeftClickWhileVisible_OnlyBringsToFront_WithoutPrompt) {
    RequirePassword("Secret1");
    ANSWERER prompt(Dialogs(kPromptTitle), Cancel);
    TRAY_PROBE probe([&](TRAY_PROBE& p) {
        HWND window = p.Handle();
        TEST_WINDOW other("Other", {10, 10, 60, 60}, WS_POPUP | WS_VISIBLE);
        ASSERT_TRUE(BringToFront(other));
        Notify(window, WM_LBUTTONUP);
        EXPECT_EQ(window, GetForegroundWindow());
        EXPECT_TRUE(Shown(window));
    });
    probe.Run();
    EXPECT_EQ(0, prompt.Stop());
}

// ------------------------------------------------------------ the password

TEST_F(Tray, Password_RightOneRestores_WrongOrCancelledLeaveHidden_EmptyStoredAsksNothing) {
    CloseGoesQuietlyToTray();
    RequirePassword("Secret1");
    std::atomic<const char*> typed{nullptr}; // null: Cancel
    ANSWERER prompt(Dialogs(kPromptTitle), [&](HWND dialog, int) {
        const char* text = typed;
        if (!text)
            return PressButton(dialog, IDCANCEL);
        SetControlText(dialog, IDC_PASSWORD_EDIT, text);
        PressButton(dialog, IDOK);
    });
    TRAY_PROBE probe([&](TRAY_PROBE& p) {
        HWND window = p.Handle();
        auto attempt = [&](const char* text) {
            typed = text;
            Notify(window, WM_LBUTTONUP);
            return Shown(window);
        };
        SendMessageA(window, WM_CLOSE, 0, 0);
        // Each refusal lets the next click ask again.
        EXPECT_FALSE(attempt("secret1"));
        EXPECT_FALSE(attempt(nullptr));
        EXPECT_FALSE(attempt("Secret"));
        EXPECT_TRUE(attempt("Secret1"));
        EXPECT_EQ(WINSTATE_NORMAL, p.WinState());

        // No password could be typed for an empty or missing one: no prompt.
        SetString("Password", "Password", "");
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(attempt("x"));
        key.Delete("Password", "Password");
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(attempt("x"));
        EXPECT_EQ(4, prompt.Seen());

        // A switch that is no number reads as off, as the options show it.
        SetString("Password", "Password", "Secret1");
        SetString("Password", "UseSystrayPassword", "1");
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(attempt("x"));
    });
    probe.Run();
    EXPECT_EQ(4, prompt.Stop());
}

TEST_F(Tray, Password_SecondRequestWhilePromptIsOpen_IsRefusedWithoutSecondPrompt) {
    CloseGoesQuietlyToTray();
    RequirePassword("Secret1");
    std::atomic<TRAY_PROBE*> first{nullptr}, second{nullptr};
    std::atomic<HWND> firstWindow{nullptr}, secondWindow{nullptr};
    std::atomic<int> promptsWhileOpen{-1};
    ANSWERER prompt(Dialogs(kPromptTitle), [&](HWND dialog, int ordinal) {
        if (ordinal == 1) {
            // Both windows are clicked again while this prompt is open; the
            // click that opened it is recorded only once it has been handled.
            PostMessageA(firstWindow, WM_TRAYNOTIFY, 0, WM_LBUTTONUP);
            PostMessageA(secondWindow, WM_TRAYNOTIFY, 0, WM_LBUTTONUP);
            PollUntil([&] { return first.load()->callbacksSeen >= 1 && second.load()->callbacksSeen >= 1; });
            promptsWhileOpen = static_cast<int>(FindWindows(Dialogs(kPromptTitle)).size());
        }
        SetControlText(dialog, IDC_PASSWORD_EDIT, "Secret1");
        PressButton(dialog, IDOK);
    });

    TRAY_PROBE outer([&](TRAY_PROBE& a) {
        firstWindow = a.Handle();
        SendMessageA(a.Handle(), WM_CLOSE, 0, 0);
        TRAY_PROBE inner([&](TRAY_PROBE& b) {
            secondWindow = b.Handle();
            SendMessageA(b.Handle(), WM_CLOSE, 0, 0);
            ASSERT_TRUE(HiddenAlive(a.Handle()) && HiddenAlive(b.Handle()));
            Notify(a.Handle(), WM_LBUTTONUP);
            EXPECT_EQ(1, promptsWhileOpen.load());
            EXPECT_TRUE(Shown(a.Handle()));
            EXPECT_EQ(1, a.leftClicks); // its second click came while it was busy
            EXPECT_EQ(1, b.leftClicks); // refused: the prompt was open
            EXPECT_TRUE(HiddenAlive(b.Handle()));
            // The guard is down again once the prompt has closed.
            Notify(b.Handle(), WM_LBUTTONUP);
            EXPECT_TRUE(Shown(b.Handle()));
        });
        second = &inner;
        inner.Run();
    });
    first = &outer;
    outer.Run();
    EXPECT_EQ(2, prompt.Stop());
}

// ------------------------------------------------------------ hiding to the tray

TEST_F(Tray, HideToTray_WithoutStoredAnswer_AsksEachTime_YesHides_NoClosesOrMinimizes) {
    // A switch that is no number counts as not stored.
    SetString("MinimizeToTray", "MinimizeToTray", "1");
    std::atomic<int> answer{IDYES};
    std::wstring question;
    ANSWERER query(Dialogs(kQueryTitle), [&](HWND dialog, int ordinal) {
        if (ordinal == 1)
            question = ControlText(dialog, IDC_REMINDER_TEXT);
        PressButton(dialog, answer);
    });
    bool closed = false;
    TRAY_PROBE probe([&](TRAY_PROBE& p) {
        HWND window = p.Handle();
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(HiddenAlive(window));
        EXPECT_EQ(WINSTATE_HIDDEN, p.WinState());
        Notify(window, WM_LBUTTONUP);
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(HiddenAlive(window));
        EXPECT_FALSE(IsIconic(window));
        Notify(window, WM_LBUTTONUP);

        answer = IDNO;
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(IsIconic(window) && IsWindowVisible(window));
        SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
        SendMessageA(window, WM_CLOSE, 0, 0);
        closed = !IsWindow(window);
    });
    probe.Run();
    EXPECT_EQ(4, query.Stop());
    EXPECT_TRUE(closed);
    EXPECT_EQ(L"Would you like to hide the application and run it in the system tray?", question);
}

TEST_F(Tray, HideToTray_StoredOneShowsNoticeAndHides_StoredZeroClosesOrMinimizes) {
    SetDword("MinimizeToTray", "MinimizeToTray", 0);
    SetDword("CloseToTray", "CloseToTray", 1);
    ANSWERER notice(Dialogs(kNoticeTitle), [](HWND dialog, int) { PressButton(dialog, IDOK); });
    ANSWERER query(Dialogs(kQueryTitle), [](HWND dialog, int) { PressButton(dialog, IDNO); });
    bool closed = false;
    TRAY_PROBE probe([&](TRAY_PROBE& p) {
        HWND window = p.Handle();
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(IsIconic(window) && IsWindowVisible(window));
        SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);

        SetDword("MinimizeToTray", "MinimizeToTray", 1);
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_TRUE(HiddenAlive(window));
        EXPECT_FALSE(IsIconic(window));
        Notify(window, WM_LBUTTONUP);

        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(HiddenAlive(window));
        Notify(window, WM_LBUTTONUP);
        EXPECT_EQ(2, notice.Seen());

        SetDword("CloseToTray", "CloseToTray", 0);
        SendMessageA(window, WM_CLOSE, 0, 0);
        closed = !IsWindow(window);
    });
    probe.Run();
    EXPECT_TRUE(closed);
    EXPECT_EQ(2, notice.Stop());
    EXPECT_EQ(0, query.Stop());
}

// ------------------------------------------------------------ the console

TEST_F(Tray, HideAndShow_WithoutConsole_ConcernOnlyTheWindow) {
    char consoleTitle[261] = "";
    if (GetConsoleTitleA(consoleTitle, sizeof(consoleTitle)) && consoleTitle[0])
        GTEST_SKIP() << "this run has a console";
    TRAY_PROBE probe([&](TRAY_PROBE& p) {
        HWND window = p.Handle();
        // Above every other window: an empty console title must not find it.
        TEST_WINDOW other("Other", {10, 10, 60, 60}, WS_POPUP | WS_VISIBLE);
        ShowWindow(window, SW_MINIMIZE);
        p.HideWithConsole();
        EXPECT_FALSE(IsWindowVisible(window));
        EXPECT_TRUE(IsWindowVisible(other));
        p.ShowWithConsole();
        EXPECT_TRUE(Shown(window));
        EXPECT_EQ(WINSTATE_NORMAL, p.WinState());
        EXPECT_TRUE(IsWindowVisible(other));
    });
    probe.Run();
}

} // namespace
