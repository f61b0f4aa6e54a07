// The MV_HYPERLINK control on a plain window of the test thread: what it
// draws, the pointer over it, the copies it keeps, and what opens it. Its
// part in a dialog (Tab, Enter beside the default button) is the About box's.

#include "LinkTestSupport.h"

#include "dialogs/Hyperlink.h"
#include "support/Input.h"
#include "support/Screen.h"
#include "support/Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <thread>

namespace {

COLORREF const kBackground = RGB(255, 255, 224);
COLORREF const kBlue = 0xFF0000; // as the About box passes it
COLORREF const kRed = RGB(255, 0, 0);
COLORREF const kGreen = RGB(0, 128, 0);

const char* const kHostClass = "HyperlinkTestHost";

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    static HBRUSH background = CreateSolidBrush(kBackground);
    if (message == WM_CTLCOLORSTATIC)
        return reinterpret_cast<LRESULT>(background);
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window of this thread, in front, holding one link control wider than
// its caption; the window answers the control's background question with a
// colour of its own.
class LINK_HOST {
  public:
    LINK_HOST() {
        if (!RegisterClassOnce(kHostClass, HostProc))
            return;
        host = CreateWindowExA(0, kHostClass, "Hyperlink Test", WS_POPUP | WS_BORDER | WS_VISIBLE, 200, 200,
                               420, 120, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        link = CreateWindowExA(0, HYPERLINK_CLASS, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 20, 40, 360, 24,
                               host, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetForegroundWindow(host);
        PumpUntil([&] { return GetForegroundWindow() == host; });
    }
    LINK_HOST(const LINK_HOST&) = delete;
    LINK_HOST& operator=(const LINK_HOST&) = delete;
    ~LINK_HOST() {
        if (host)
            DestroyWindow(host);
    }

    void Set(WPARAM command, const wchar_t* text) const {
        SendMessageA(link, WM_COMMAND, command, reinterpret_cast<LPARAM>(text));
    }
    void Set(WPARAM command, LPARAM value) const { SendMessageA(link, WM_COMMAND, command, value); }

    // How many of the control's pixels on the screen have the colour; what
    // it paints reaches the screen a little later, so callers poll.
    long Count(COLORREF colour) const {
        UpdateWindow(link);
        RECT rect = {};
        GetWindowRect(link, &rect);
        PIXELS pixels = ScreenPixels(rect);
        return static_cast<long>(std::count(pixels.begin(), pixels.end(), colour));
    }

    HWND host = nullptr;
    HWND link = nullptr;
};

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

bool ShowsHand() {
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof cursor;
    return GetCursorInfo(&cursor) && cursor.hCursor == LoadCursorA(nullptr, IDC_HAND);
}

} // namespace

TEST(Hyperlink, DrawsTheCaptionInTheLinkColour_AndOnlyOverItTheHoverColourAndTheHand) {
    LINK_HOST host;
    ASSERT_NE(nullptr, host.link);
    host.Set(HYPERLINK_SET_CAPTION, L"Stanford University Folding@Home");
    host.Set(HYPERLINK_SET_COLOUR, kBlue);
    host.Set(HYPERLINK_SET_HOVER_COLOUR, kGreen);
    host.Set(HYPERLINK_SET_UNDERLINE, 1);
    EXPECT_EQ(std::wstring(L"Stanford University Folding@Home"), WindowText(host.link));
    // The underline at least is solid, whatever the font smoothing.
    EXPECT_TRUE(PumpUntil([&] { return host.Count(kBackground) > 0 && host.Count(kBlue) > 0; }));
    EXPECT_EQ(0, host.Count(kGreen));

    MovePointer(CaptionPoint(host.link));
    EXPECT_TRUE(PumpUntil([&] { return ShowsHand() && host.Count(kGreen) > 0 && host.Count(kBlue) == 0; }))
        << "hand " << ShowsHand() << ", hover-coloured pixels " << host.Count(kGreen);
    RECT rect = {};
    GetWindowRect(host.link, &rect);
    MovePointer(POINT{rect.right - 4, (rect.top + rect.bottom) / 2}); // in the control, right of the caption
    EXPECT_TRUE(PumpUntil([&] { return !ShowsHand() && host.Count(kGreen) == 0 && host.Count(kBlue) > 0; }));

    host.Set(HYPERLINK_SET_COLOUR, kRed);
    EXPECT_TRUE(PumpUntil([&] { return host.Count(kRed) > 0 && host.Count(kBlue) == 0; }));
}

// Enter is the About box's test: in a dialog it competes with the default button.
TEST(Hyperlink, OpensItsOwnCopyOfTheTarget_OncePerClickOrDoubleClick_AndOnSpace) {
    LINK_RECORDER recorder;
    ASSERT_TRUE(recorder.Ready());
    TRACE_LINES traces;
    LINK_HOST host;
    ASSERT_NE(nullptr, host.link);
    host.Set(HYPERLINK_SET_CAPTION, L"write to us");
    ClickAt(CaptionPoint(host.link));
    EXPECT_TRUE(PumpUntil([&] { return traces.Count("link not opened") == 1; }))
        << "no beep without a target";

    wchar_t* target = _wcsdup(L"clicked@host.example?subject=Window Vaylo");
    host.Set(HYPERLINK_SET_TARGET, target);
    wmemset(target, L'X', wcslen(target));
    free(target);
    EXPECT_EQ(std::wstring(L"clicked@host.example?subject=Window Vaylo"), LinkTarget(host.link));
    wchar_t small[8] = {};
    EXPECT_EQ(41, SendMessageW(host.link, HLM_GETTARGET, 8, reinterpret_cast<LPARAM>(small)));
    EXPECT_EQ(std::wstring(L"clicked"), small);

    PumpFor(GetDoubleClickTime() + 100); // a second click at once would be a double click
    ClickAt(CaptionPoint(host.link));
    ASSERT_TRUE(recorder.WaitFor(1));
    PumpFor(GetDoubleClickTime() + 100);
    DoubleClickAt(CaptionPoint(host.link));
    ASSERT_TRUE(recorder.WaitFor(2));
    RECT rect = {};
    GetWindowRect(host.link, &rect);
    ClickAt(POINT{rect.right - 4, (rect.top + rect.bottom) / 2}); // beside the caption: no link
    EXPECT_EQ(host.link, GetFocus());                             // the first click focused it
    PressKey(VK_SPACE);
    ASSERT_TRUE(recorder.WaitFor(3));
    PumpFor(2000);
    EXPECT_EQ(std::vector<std::wstring>(3, L"mail mailto:clicked@host.example?subject=Window%20Vaylo"),
              recorder.Received());
    EXPECT_EQ(1, traces.Count("link not opened"));
}

// Another thread's texts and buffers are pointers the control may not follow
// (from another process they name nothing of ours): it neither takes a
// caption or target from them nor writes its target into them.
TEST(Hyperlink, CommandsAndQuestionsOfAnotherThread_ChangeAndWriteNothing) {
    LINK_HOST host;
    ASSERT_NE(nullptr, host.link);
    host.Set(HYPERLINK_SET_TARGET, L"mine@host.example");
    host.Set(HYPERLINK_SET_CAPTION, L"mine");
    wchar_t buffer[64] = L"untouched";
    LRESULT answer = -1;
    std::atomic<bool> done{false};
    std::thread other([&] {
        SendMessageW(host.link, WM_COMMAND, HYPERLINK_SET_TARGET, reinterpret_cast<LPARAM>(L"file:///C:/"));
        SendMessageW(host.link, WM_COMMAND, HYPERLINK_SET_CAPTION, reinterpret_cast<LPARAM>(L"theirs"));
        answer = SendMessageW(host.link, HLM_GETTARGET, 64, reinterpret_cast<LPARAM>(buffer));
        done = true;
    });
    bool finished = PumpUntil([&] { return done.load(); });
    other.join();
    ASSERT_TRUE(finished);
    EXPECT_EQ(0, answer);
    EXPECT_EQ(std::wstring(L"untouched"), buffer);
    EXPECT_EQ(std::wstring(L"mine@host.example"), LinkTarget(host.link));
    EXPECT_EQ(std::wstring(L"mine"), WindowText(host.link));
}
