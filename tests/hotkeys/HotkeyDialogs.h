#pragma once
// Test support for the options dialog and the key binding editor: the
// program's settings thrown away around a test, the dialogs' help
// popups read back, and keys pressed into the editor's capture field. The
// dialogs run modally in the test thread; these calls are made from the
// second thread that drives them (support/Dialog.h).

#include "support/Dialog.h"
#include "support/Registry.h"

#include <windows.h>

#include <initializer_list>
#include <string>
#include <vector>

// HKLM\Software\MorvaneUtilities\Vaylo, the program's own settings, which
// the options dialog reads and writes: thrown away before and after the test.
class OPTIONS_SETTINGS : public SCRATCH_KEY {
  public:
    OPTIONS_SETTINGS() : SCRATCH_KEY("Software\\MorvaneUtilities\\Vaylo") {}
    // The text of the value, or "(missing)" when there is no such text.
    std::string Text(const char* name) const;
    // Whether any value the dialog writes is stored.
    bool AnyStored() const;
};

WINDOW_QUERY OptionsDialog(); // "Hot Key" of this process
WINDOW_QUERY EditorDialog();  // "Change Key Bindings" of this process

// The tooltip windows owned by the dialog, shown or not; the number of tools
// one holds and the text of the tool of a control (bounded sends).
std::vector<HWND> TooltipsOf(HWND dialog);
int ToolCount(HWND tooltip);
std::string TipText(HWND tooltip, HWND dialog, int controlId);

// The editor's list texts, in list order.
std::vector<std::string> ListTexts(HWND editor);
// Selects the list's entry as a click on it does (the selection and its
// notification).
void SelectAction(HWND editor, int index);
// A key pressed with real input into the capture field, which gets the
// focus first, while the modifiers are held down; false when the field did
// not get the focus or a modifier would not stay down. A hotkey registered
// for the combination would take the key instead.
bool PressIntoCaptureField(HWND editor, std::initializer_list<WORD> modifiers, WORD key);
// Moves the keyboard focus to the control, as Tab does, and waits until the
// dialog is in front for real key presses.
bool FocusControl(HWND dialog, int id);
// Control texts, narrowed (the dialogs are ANSI).
std::string TextOf(HWND dialog, int id);
