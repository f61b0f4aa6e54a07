#include "ProbeDialog.h"

#include "framework/WindowUtilities.h"
#include "support/Registry.h"
#include "support/Window.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <set>
#include <thread>

namespace {

// Status bars and list boxes need the common controls before any dialog opens.
bool const commonControlsReady = [] {
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&init) != FALSE;
}();

// ------------------------------------------------------------ attachment and routing

// The messages of the list that reached the window, in order.
std::vector<UINT> MessagesTo(const std::vector<MSG>& seen, HWND window, std::vector<UINT> wanted) {
    std::vector<UINT> found;
    for (const MSG& message : seen)
        for (UINT kind : wanted)
            if (message.hwnd == window && message.message == kind)
                found.push_back(kind);
    return found;
}

TEST(DialogThunk, MessagesBeforeInitDialog_AreAnsweredZeroAndNeverReachDialogProc) {
    ASSERT_TRUE(commonControlsReady);
    std::vector<MSG> sent;
    MESSAGE_HOOK hook(MESSAGE_HOOK::SENT, [&](const MSG& message) { sent.push_back(message); });
    ASSERT_TRUE(hook.Installed());
    HWND window = nullptr;
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [&](PROBE_DIALOG& d) { window = d.Handle(); });
    EXPECT_EQ(1, dialog.Run());
    std::vector<UINT> delivered = MessagesTo(sent, window, {WM_SETFONT, WM_INITDIALOG});

    // The template's font reached the window before WM_INITDIALOG, never DialogProc.
    ASSERT_GE(delivered.size(), 2u);
    EXPECT_EQ(static_cast<UINT>(WM_SETFONT), delivered.front());
    EXPECT_TRUE(dialog.Received(WM_INITDIALOG));
    EXPECT_FALSE(dialog.Received(WM_SETFONT));
    EXPECT_EQ(nullptr, dialog.Handle()); // forgotten once the window is gone
}

TEST(DialogThunk, InitDialogWithoutObject_AttachesNothingAndAnswersZero) {
    HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROBE_CHILD), nullptr,
                                     MV_WINBASE::DialogThunk, 0);
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(0, GetWindowLongPtrA(window, DWLP_USER));
    EXPECT_EQ(0, MV_WINBASE::DialogThunk(window, WM_PROBE_ONE, 0, 0));
    EXPECT_EQ(0, MV_WINBASE::DialogThunk(window, WM_INITDIALOG, 0, 0));
    DestroyWindow(window);
}

TEST(DialogThunk, ExceptionInDialogProc_AnswersZeroAndWindowLivesOn) {
    bool alive = false;
    INT_PTR thrown = -1, afterwards = -1;
    LRESULT sent = -1;
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [&](PROBE_DIALOG& d) {
        thrown = MV_WINBASE::DialogThunk(d.Handle(), WM_PROBE_THROW, 0, 0);
        sent = SendMessageA(d.Handle(), WM_PROBE_THROW, 0, 0);
        alive = IsWindow(d.Handle()) != FALSE;
        afterwards = MV_WINBASE::DialogThunk(d.Handle(), WM_PROBE_ONE, 0, 0);
    });
    EXPECT_EQ(1, dialog.Run());
    EXPECT_TRUE(dialog.Received(WM_PROBE_THROW));
    EXPECT_EQ(0, thrown);
    EXPECT_EQ(0, sent);
    EXPECT_TRUE(alive);
    EXPECT_EQ(1, afterwards);
}

TEST(DialogThunk, PaletteAndColourMessages_GoToChildrenNotToDialogProc) {
    std::vector<HWND> children;
    std::vector<MSG> sent;
    MESSAGE_HOOK hook(MESSAGE_HOOK::SENT, [&](const MSG& message) { sent.push_back(message); });
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [&](PROBE_DIALOG& d) {
        for (HWND child = GetWindow(d.Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            children.push_back(child);
        SendMessageA(d.Handle(), WM_SYSCOLORCHANGE, 0, 0);
        SendMessageA(d.Handle(), WM_PALETTECHANGED, 0, 0);
    });
    dialog.Run();
    EXPECT_FALSE(dialog.Received(WM_SYSCOLORCHANGE));
    EXPECT_FALSE(dialog.Received(WM_PALETTECHANGED));
    ASSERT_GE(children.size(), 5u); // button, list, combo box, edit, status bar
    for (HWND child : children) {
        EXPECT_FALSE(MessagesTo(sent, child, {WM_SYSCOLORCHANGE}).empty()) << ClassOf(child);
        EXPECT_FALSE(MessagesTo(sent, child, {WM_PALETTECHANGED}).empty()) << ClassOf(child);
    }
}

TEST(RunModal, TemplateZeroOrMissing_ReturnsZero) {
    PROBE_DIALOG none(0, nullptr, nullptr);
    EXPECT_EQ(0, none.RunModal());
    EXPECT_EQ(-1, none.Result());
    PROBE_DIALOG missing(4711, nullptr, nullptr);
    EXPECT_EQ(0, missing.RunModal());
    EXPECT_EQ(-1, missing.Result());
    // A test body in a dialog that never opened fails its test.
    PROBE_DIALOG never(4711, nullptr, [](PROBE_DIALOG&) {});
    EXPECT_NONFATAL_FAILURE(never.Run(), "did not open");
}

// ------------------------------------------------------------ icon, font, centring

TEST(OnInitDialog, WithoutParent_TakesModuleIconAndIsCentredOnDesktop) {
    HICON shown = nullptr, held = nullptr;
    RECT rect = {};
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [&](PROBE_DIALOG& d) {
        held = d.Icon();
        shown = reinterpret_cast<HICON>(SendMessageA(d.Handle(), WM_GETICON, ICON_BIG, 0));
        GetWindowRect(d.Handle(), &rect);
    });
    dialog.Run();
    EXPECT_NE(nullptr, held);
    EXPECT_EQ(held, shown);
    RECT desk;
    GetWindowRect(GetDesktopWindow(), &desk);
    EXPECT_LE(std::abs((rect.left + rect.right) / 2 - desk.right / 2), 1);
    EXPECT_LE(std::abs((rect.top + rect.bottom) / 2 - desk.bottom / 2), 1);
}

TEST(OnInitDialog, WithParent_TakesParentIconAndFont_AndParentColours) {
    HICON parentIcon = nullptr, childIcon = nullptr;
    HFONT parentFont = nullptr, labelFont = nullptr;
    HBRUSH parentBrush = CreateSolidBrush(RGB(10, 20, 30));
    LRESULT labelBrush = 0, editBrush = 0;
    int mode = 0;
    COLORREF back = 0;
    bool editReachedChild = false;

    PROBE_DIALOG outer(IDD_PROBE, nullptr, [&](PROBE_DIALOG& parent) {
        parentIcon = parent.Icon();
        parentFont = reinterpret_cast<HFONT>(SendMessageA(parent.Handle(), WM_GETFONT, 0, 0));
        PROBE_DIALOG inner(IDD_PROBE_CHILD, nullptr, [&](PROBE_DIALOG& child) {
            childIcon = child.Icon();
            HWND label = child.GetItem(IDC_CHILD_LABEL);
            labelFont = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
            HDC dc = GetDC(label);
            labelBrush = SendMessageA(child.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                      reinterpret_cast<LPARAM>(label));
            mode = GetBkMode(dc);
            back = GetBkColor(dc);
            ReleaseDC(label, dc);
            HWND edit = child.GetItem(IDC_CHILD_EDIT);
            dc = GetDC(edit);
            child.received.clear();
            editBrush = SendMessageA(child.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(edit));
            editReachedChild = child.Received(WM_CTLCOLORSTATIC);
            ReleaseDC(edit, dc);
        });
        inner.Run(parent.Handle());
    });
    outer.ownBrush = parentBrush;
    outer.Run();
    DeleteObject(parentBrush);

    ASSERT_NE(nullptr, parentIcon);
    EXPECT_EQ(parentIcon, childIcon);
    ASSERT_NE(nullptr, parentFont);
    EXPECT_EQ(parentFont, labelFont);
    EXPECT_EQ(reinterpret_cast<LRESULT>(parentBrush), labelBrush);
    EXPECT_EQ(TRANSPARENT, mode);
    EXPECT_EQ(RGB(255, 255, 255), back);
    EXPECT_TRUE(editReachedChild); // edit-type controls keep their own colours
    EXPECT_NE(reinterpret_cast<LRESULT>(parentBrush), editBrush);
}

// ------------------------------------------------------------ layout

// Records what a status bar is sent, then lets the bar do its work.
std::vector<MSG> statusLog;
WNDPROC statusProc = nullptr;
LRESULT CALLBACK RecordStatusBar(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG seen = {window, message, wParam, lParam, 0, {0, 0}};
    statusLog.push_back(seen);
    return CallWindowProcA(statusProc, window, message, wParam, lParam);
}

SIZE ClientSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

void ResizeClient(HWND window, int width, int height) {
    RECT outer;
    GetWindowRect(window, &outer);
    SIZE client = ClientSize(window);
    SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left + width - client.cx,
                 outer.bottom - outer.top + height - client.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::map<HWND, RECT> ReadChildRects(HWND dialog) {
    std::map<HWND, RECT> rects;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        rects[child] = ClientRectOf(child);
    return rects;
}

TEST(Layout, SameSize_MovesAndRepaintsNothing) {
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [](PROBE_DIALOG& d) {
        HWND window = d.Handle();
        SIZE size = ClientSize(window);
        std::map<HWND, RECT> before = ReadChildRects(window);
        UpdateWindow(window);
        ValidateRect(window, nullptr);
        SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(size.cx, size.cy));
        EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));
        std::map<HWND, RECT> after = ReadChildRects(window);
        for (auto& entry : before)
            EXPECT_TRUE(SameRect(entry.second, after[entry.first]));
    });
    dialog.layout = true;
    dialog.Run();
}

TEST(Layout, DoubleWidth_DoublesLeftAndRightEdges_StatusBarGetsMinHeight) {
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [](PROBE_DIALOG& d) {
        HWND window = d.Handle();
        HWND combo = d.GetItem(IDC_PROBE_COMBO);
        HWND status = d.GetItem(IDC_PROBE_STATUS);
        ASSERT_NE(nullptr, status);
        SIZE size = ClientSize(window);
        std::map<HWND, RECT> before = ReadChildRects(window);
        RECT droppedBefore = {};
        SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&droppedBefore));
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&droppedBefore), 2);

        // The combo box is recorded with its list, taller than the box itself.
        auto captured = d.CapturedRects().find(combo);
        ASSERT_NE(d.CapturedRects().end(), captured);
        EXPECT_TRUE(SameRect(droppedBefore, captured->second));
        EXPECT_GT(captured->second.bottom - captured->second.top, before[combo].bottom - before[combo].top);

        statusLog.clear();
        statusProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordStatusBar)));
        ResizeClient(window, 2 * size.cx, size.cy);
        ASSERT_EQ(2 * size.cx, ClientSize(window).cx);

        for (auto& entry : before) {
            if (entry.first == status)
                continue;
            RECT now = ClientRectOf(entry.first);
            EXPECT_EQ(entry.second.left * 2, now.left);
            EXPECT_EQ(entry.second.right * 2, now.right);
            EXPECT_EQ(entry.second.top, now.top);
            if (entry.first != combo) {
                EXPECT_EQ(entry.second.bottom, now.bottom);
            }
        }

        // The bar is told its height and re-docks itself; it is never moved.
        const RECT& bar = before[status];
        bool minHeight = false, sized = false;
        for (const MSG& m : statusLog) {
            if (m.message == SB_SETMINHEIGHT) {
                minHeight = true;
                EXPECT_EQ(static_cast<WPARAM>(bar.bottom - bar.top), m.wParam);
            }
            if (m.message == WM_SIZE && minHeight && m.wParam == 0 && m.lParam == 0)
                sized = true;
        }
        EXPECT_TRUE(minHeight);
        EXPECT_TRUE(sized);
        ASSERT_EQ(1u, d.statusBarsSized.size());
        EXPECT_EQ(status, d.statusBarsSized.front());
        RECT barNow = ClientRectOf(status);
        EXPECT_EQ(ClientSize(window).cy, barNow.bottom);

        // Back at the captured size, every child is back where it was.
        ResizeClient(window, size.cx, size.cy);
        for (auto& entry : before) {
            if (entry.first == status || entry.first == combo)
                continue;
            EXPECT_TRUE(SameRect(entry.second, ClientRectOf(entry.first)));
        }
        SetWindowLongPtrA(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(statusProc));
    });
    dialog.layout = true;
    dialog.Run();
}

TEST(Layout, Minimized_ChildrenKeepTheirRectangles) {
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [](PROBE_DIALOG& d) {
        HWND window = d.Handle();
        HWND button = d.GetItem(IDC_PROBE_BUTTON);
        HWND list = d.GetItem(IDC_PROBE_LIST);
        RECT buttonBefore = ClientRectOf(button), listBefore = ClientRectOf(list);
        ShowWindow(window, SW_MINIMIZE);
        ASSERT_TRUE(IsIconic(window));
        EXPECT_TRUE(SameRect(buttonBefore, ClientRectOf(button)));
        EXPECT_TRUE(SameRect(listBefore, ClientRectOf(list)));
        ShowWindow(window, SW_RESTORE);
        EXPECT_TRUE(SameRect(buttonBefore, ClientRectOf(button)));
    });
    dialog.layout = true;
    dialog.Run();
}

// ------------------------------------------------------------ command ids and system commands

TEST(AllocateCommandId, HandsOutConsecutiveIdsFrom1025_EvenUnderConcurrency) {
    if (MV_WINBASE::topMostCommandId == 0) {
        PROBE_DIALOG dialog(IDD_PROBE, nullptr, [](PROBE_DIALOG&) {});
        dialog.Run();
    }
    EXPECT_EQ(1025, MV_WINBASE::topMostCommandId);
    int first = MV_WINBASE::AllocateCommandId();
    EXPECT_GT(first, 1025);
    EXPECT_EQ(first + 1, MV_WINBASE::AllocateCommandId());

    std::vector<int> ids[4];
    std::vector<std::thread> workers;
    for (auto& list : ids)
        workers.emplace_back([&list] {
            for (int i = 0; i < 50; ++i)
                list.push_back(MV_WINBASE::AllocateCommandId());
        });
    for (auto& worker : workers)
        worker.join();
    std::set<int> all;
    for (auto& list : ids)
        all.insert(list.begin(), list.end());
    ASSERT_EQ(200u, all.size());
    EXPECT_EQ(first + 2, *all.begin());
    EXPECT_EQ(first + 201, *all.rbegin());
}

bool IsTopMost(HWND window) {
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

bool IsChecked(HMENU menu, int id) {
    return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

TEST(SystemCommand, AlwaysOnTop_TogglesTopMostAndTheCheckMark) {
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [](PROBE_DIALOG& d) {
        HWND window = d.Handle();
        int id = MV_WINBASE::topMostCommandId;
        ASSERT_NE(0, id);
        HMENU menu = GetSystemMenu(window, FALSE);
        ASSERT_TRUE(AppendMenuA(menu, MF_STRING, id, "Always on top"));
        ASSERT_FALSE(IsTopMost(window));

        EXPECT_EQ(1, MV_WINBASE::DialogThunk(window, WM_SYSCOMMAND, id, 0));
        EXPECT_TRUE(IsTopMost(window));
        EXPECT_EQ(1, MV_WINBASE::DialogThunk(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
                                             MAKELPARAM(0, TRUE)));
        EXPECT_TRUE(IsChecked(menu, id));

        SendMessageA(window, WM_SYSCOMMAND, id, 0);
        EXPECT_FALSE(IsTopMost(window));
        SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, TRUE));
        EXPECT_FALSE(IsChecked(menu, id));
        EXPECT_FALSE(d.Received(WM_INITMENUPOPUP));

        // A popup that is not the window menu goes to DialogProc untouched.
        HMENU other = CreatePopupMenu();
        AppendMenuA(other, MF_STRING, id, "Other");
        SendMessageA(window, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(other), MAKELPARAM(0, FALSE));
        EXPECT_TRUE(d.Received(WM_INITMENUPOPUP));
        EXPECT_FALSE(IsChecked(other, id));
        DestroyMenu(other);
    });
    dialog.Run();
}

TEST(SystemCommand, MaximizeRestoreMinimize_TrackWinState) {
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [](PROBE_DIALOG& d) {
        HWND window = d.Handle();
        EXPECT_EQ(WINSTATE_NORMAL, d.WinState());
        SendMessageA(window, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
        EXPECT_EQ(WINSTATE_MAXIMIZED, d.WinState());
        EXPECT_TRUE(IsZoomed(window));
        SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
        EXPECT_EQ(WINSTATE_NORMAL, d.WinState());
        EXPECT_FALSE(IsZoomed(window));
        // Without a tray the window minimizes normally.
        SendMessageA(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        EXPECT_EQ(WINSTATE_HIDDEN, d.WinState());
        EXPECT_TRUE(IsIconic(window));
        SendMessageA(window, WM_SYSCOMMAND, SC_RESTORE, 0);
    });
    dialog.layout = true;
    dialog.Run();
}

TEST(SystemCommand, CloseWithTrayIconThatDoesNotHide_DestroysWithoutDialogProc) {
    // The stored answer of an unnamed window: closing closes.
    SCRATCH_KEY answer("Software\\MorvaneUtilities\\CloseToTray");
    ASSERT_TRUE(answer.SetDword(nullptr, "CloseToTray", 0));
    bool gone = false;
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [&](PROBE_DIALOG& d) {
        HWND window = d.Handle();
        SendMessageA(window, WM_CLOSE, 0, 0);
        gone = !IsWindow(window);
    });
    dialog.tray = true;
    dialog.Run();
    EXPECT_TRUE(gone);
    EXPECT_FALSE(dialog.Received(WM_CLOSE));
    EXPECT_TRUE(dialog.Received(WM_DESTROY));
    EXPECT_NE(static_cast<UINT>(-1), MV_WINBASE::taskbarCreatedMessage);
}

// ------------------------------------------------------------ message boxes

UINT_PTR const kBoxPoll = 7;

// Waits (from a timer inside the box's modal loop) until the box carries the
// window's icon, then notes its icon and place and closes it.
struct BOX_SEEN {
    HWND box = nullptr;
    HICON icon = nullptr;
    RECT rect = {};
    int polls = 0;
};

void WatchForBox(PROBE_DIALOG& dialog, BOX_SEEN& seen) {
    dialog.onTimer = [&seen, &dialog](WPARAM id) {
        if (id != kBoxPoll)
            return;
        HWND box = FirstWindow(OwnedDialog(dialog.Handle()));
        HICON boxIcon = box ? reinterpret_cast<HICON>(SendMessageA(box, WM_GETICON, ICON_BIG, 0)) : nullptr;
        if (box && (boxIcon == dialog.Icon() || ++seen.polls > 400)) {
            seen.box = box;
            seen.icon = boxIcon;
            GetWindowRect(box, &seen.rect);
            KillTimer(dialog.Handle(), kBoxPoll);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    };
    SetTimer(dialog.Handle(), kBoxPoll, 25, nullptr);
}

void ExpectCentredOver(const RECT& inner, HWND outerWindow) {
    RECT outer;
    GetWindowRect(outerWindow, &outer);
    EXPECT_LE(std::abs((inner.left + inner.right) / 2 - (outer.left + outer.right) / 2), 1);
    EXPECT_LE(std::abs((inner.top + inner.bottom) / 2 - (outer.top + outer.bottom) / 2), 1);
}

TEST(ShowMessage, BoxCarriesWindowIconAndIsCentredOverWindow_WithOrWithoutCaption) {
    BOX_SEEN captioned, plain;
    int answer = 0;
    HICON warning = LoadIconA(nullptr, MAKEINTRESOURCEA(32515)); // unlike the file icon
    HICON information = LoadIconA(nullptr, MAKEINTRESOURCEA(32516));
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [&](PROBE_DIALOG& d) {
        SetWindowPos(d.Handle(), nullptr, 100, 120, 600, 420, SWP_NOZORDER);
        d.SetIcon(warning);
        WatchForBox(d, captioned);
        answer = d.ShowMessage("Probe text", "Probe caption", MB_OK);
        if (captioned.box)
            ExpectCentredOver(captioned.rect, d.Handle());

        SetWindowPos(d.Handle(), nullptr, 400, 300, 500, 400, SWP_NOZORDER);
        d.SetIcon(information);
        WatchForBox(d, plain);
        d.ShowMessage("Probe text without caption", nullptr, MB_OK);
        if (plain.box)
            ExpectCentredOver(plain.rect, d.Handle());
    });
    dialog.Run();
    EXPECT_EQ(IDOK, answer);
    ASSERT_NE(nullptr, captioned.box);
    EXPECT_EQ(warning, captioned.icon);
    ASSERT_NE(nullptr, plain.box);
    EXPECT_EQ(information, plain.icon);
}

TEST(Fonts, LoadFontAppliesToChildren_SetItemFontReachesOneItem) {
    PROBE_DIALOG dialog(IDD_PROBE, nullptr, [](PROBE_DIALOG& d) {
        HFONT created = d.LoadFont();
        ASSERT_NE(nullptr, created);
        EXPECT_EQ(created, d.Font());
        HWND button = d.GetItem(IDC_PROBE_BUTTON);
        EXPECT_EQ(created, reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0)));
        LOGFONTA described = {};
        GetObjectA(created, sizeof(described), &described);
        EXPECT_STREQ("Arial", described.lfFaceName);
        EXPECT_LT(described.lfHeight, 0); // converted from points to pixels

        HFONT stock = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
        d.SetItemFont(IDC_PROBE_EDIT, stock);
        EXPECT_EQ(stock, reinterpret_cast<HFONT>(SendMessageA(d.GetItem(IDC_PROBE_EDIT), WM_GETFONT, 0, 0)));
        EXPECT_EQ(created, reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0)));
    });
    dialog.Run();
    EXPECT_EQ(nullptr, dialog.Font()); // released with the window
}

} // namespace
