// The desktop-wide hotkeys of the real Vaylo.exe pressed as a user presses
// them: real X key events from xdotool into the X window of the target in
// front, which Wine turns into keyboard input and checks against the
// registered hotkeys. Keys pressed with SendInput would not do: modifiers
// pressed so do not survive the X focus change that puts the target in front.

#include "VayloFixture.h"

#include <cstdlib>
#include <string>

namespace {

using HotkeyKeyTest = VayloTest;

POINT const POINTER = {700, 140}; // clear of the target cascade and of the main window

// Runs xdotool on the X window of the Wine window titled exactly `title`:
// it waits for the window, gives it the X input focus and, once it has it,
// runs `keys`, xdotool's own commands. Each key command names "--window 0",
// the window with the X focus, whatever Wine made it: the keys then go
// through the XTEST extension as a keyboard's do. Named, the window gets
// events sent to it alone whenever it is not exactly the focused X window,
// and such an event carries its modifiers only as flags, which Wine does not
// take for keys held down. Only the start is known: a Unix program's process
// handle tells nothing reliable under Wine, so the test waits for what the
// keys do.
bool XdotoolKeys(CHILD_PROCESS& xdotool, const std::wstring& title, const std::string& keys) {
    std::string program = WindowsPath("/usr/bin/xdotool");
    std::string line = "xdotool search --sync --name \"^" + Narrow(title) + "$\" windowfocus --sync " + keys;
    return xdotool.Start(program.c_str(), line);
}

} // namespace

TEST_F(HotkeyKeyTest, CtrlShiftH_HidesTheWindowInFrontIntoTheTrayMenu) {
    std::wstring front = Title(L"front"), next = Title(L"next");
    ASSERT_TRUE(targets.Start({Titled(next), Titled(front)}));
    HWND frontWindow = targets.Window(front), nextWindow = targets.Window(next);
    ASSERT_TRUE(vaylo.WaitListed(front));
    MeasureEmptyMenu();
    ASSERT_GT(emptyMenuHeight, 0) << "the tray menu did not open";
    ASSERT_TRUE(MakeForeground(frontWindow));

    CHILD_PROCESS xdotool;
    ASSERT_TRUE(XdotoolKeys(xdotool, front, "key --window 0 ctrl+shift+h"));
    EXPECT_TRUE(WaitVisible(frontWindow, false)) << "the hotkey did not hide the window in front";
    EXPECT_TRUE(vaylo.WaitUnlisted(front));
    EXPECT_TRUE(WaitForeground(nextWindow));
    EXPECT_EQ(1, HiddenItems());
}

// The system repeats the hotkey while the key is held: still one window.
TEST_F(HotkeyKeyTest, CtrlShiftHHeldForASecond_HidesOneWindowNotACascade) {
    std::wstring a = Title(L"A"), b = Title(L"B"), c = Title(L"C");
    ASSERT_TRUE(targets.Start({Titled(a), Titled(b), Titled(c)}));
    HWND windowA = targets.Window(a), windowB = targets.Window(b), windowC = targets.Window(c);
    ASSERT_TRUE(vaylo.WaitListed(c));
    MeasureEmptyMenu();
    ASSERT_GT(emptyMenuHeight, 0) << "the tray menu did not open";
    ASSERT_TRUE(MakeForeground(windowA));
    ASSERT_TRUE(MakeForeground(windowB));
    ASSERT_TRUE(MakeForeground(windowC));

    CHILD_PROCESS xdotool;
    ASSERT_TRUE(
        XdotoolKeys(xdotool, c, "keydown --window 0 ctrl+shift+h sleep 1 keyup --window 0 ctrl+shift+h"));
    ASSERT_TRUE(WaitVisible(windowC, false)) << "the hotkey did not hide the window in front";
    ASSERT_TRUE(PumpUntil([] { return !KeyIsDown('H') && !KeyIsDown(VK_CONTROL); })) << "the key stayed down";
    // The menu opens through the main window's queue, behind every hotkey
    // the held key sent.
    EXPECT_EQ(1, HiddenItems());
    EXPECT_TRUE(IsWindowVisible(windowB)) << "a repeat of the held hotkey hid the next window";
    EXPECT_TRUE(IsWindowVisible(windowA));
}

TEST_F(HotkeyKeyTest, CtrlShiftM_OpensTheTrayMenuAtThePointerAndGivesTheFrontBack) {
    std::wstring front = Title(L"front");
    ASSERT_TRUE(targets.Start({Titled(front)}));
    HWND frontWindow = targets.Window(front);
    ASSERT_TRUE(vaylo.WaitListed(front));
    MovePointer(POINTER);
    ASSERT_TRUE(MakeForeground(frontWindow));

    CHILD_PROCESS xdotool;
    ASSERT_TRUE(XdotoolKeys(xdotool, front, "key --window 0 ctrl+shift+m"));
    HWND menu = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (menu = vaylo.MenuWindow()) != nullptr; })) << "no menu opened";
    EXPECT_TRUE(Near(TopLeft(menu), POINTER))
        << "the menu opened at " << TopLeft(menu).x << "," << TopLeft(menu).y;
    ASSERT_TRUE(vaylo.CloseMenu(menu));
    EXPECT_TRUE(WaitForeground(frontWindow)) << "the window in front did not get the foreground back";
}

// A combination without Ctrl or Alt would take that key from every program:
// "Assign" refuses Enter and says why, and OK stores the binding as it was.
TEST_F(HotkeyKeyTest, EnterAssignedInTheKeyBindingEditor_IsRefusedAndNothingChanges) {
    ClickButton(vaylo.main, IDC_OPTIONS);
    HWND options = WaitForWindow(ProcessDialog(vaylo.process.Id(), L"Hot Key"));
    ASSERT_NE(options, nullptr) << "the hotkey options did not open";
    ClickButton(options, IDC_CHANGE_KEYS);
    HWND editor = WaitForWindow(ProcessDialog(vaylo.process.Id(), L"Change Key Bindings"));
    ASSERT_NE(editor, nullptr) << "the key binding editor did not open";

    ASSERT_TRUE(ClickIntoControl(editor, IDC_KEY_CAPTURE));
    PressKey(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return ControlText(editor, IDC_KEY_CAPTURE) == L"RETURN"; }))
        << "Enter was not captured";
    ClickButton(editor, IDC_ASSIGN);
    EXPECT_TRUE(PumpUntil([&] { return ControlText(editor, IDC_COLLISION) == L"Needs Ctrl or Alt"; }))
        << "shows [" << Narrow(ControlText(editor, IDC_COLLISION)) << "]";
    EXPECT_EQ(L"Ctrl+Shft+H", ControlText(editor, IDC_CURRENT_BINDING));

    ClickButton(editor, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(editor); }));
    ClickButton(options, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(options); }));
    DWORD type = 0;
    std::string text;
    ASSERT_TRUE(settings.Read(nullptr, "Hide Active", type, text));
    EXPECT_EQ(std::string("1,1,0,72,1009", 14), text);
}
