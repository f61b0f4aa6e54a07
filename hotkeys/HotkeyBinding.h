#pragma once
// HOTKEY_BINDING: one desktop-wide hotkey, its text form in the settings
// ("%u,%u,%u,%u,%u": ctrl, shift, alt, key, id) and its display texts.

#include "foundation/TextString.h"

#include <windows.h>

#include <vector>

// Hotkey ids; each is also the main window's command id for the action.
int const HOTKEY_ID_HIDE_ACTIVE = 1009;
int const HOTKEY_ID_POPUP_MENU = 1010;

struct HOTKEY_BINDING {
    STRING name = "none"; // the action; also the settings value that stores it
    int registered = 0;   // the result of the last RegisterHotKey for it
    int ctrl = 0;
    int shift = 0;
    int alt = 0;
    WORD key = 0; // virtual-key code
    int id = 0;
};

// The main window's bindings, in table order; the key binding editor changes
// the order (it appends what it replaces).
typedef std::vector<HOTKEY_BINDING> HOTKEY_TABLE;

// "Hide Active" Ctrl+Shft+H (1009) and "Popup Menu" Ctrl+Shft+M (1010).
HOTKEY_BINDING DefaultBinding(int id);

// Same modifiers, key and id; the name and the registered flag do not count.
bool SameBinding(const HOTKEY_BINDING& a, const HOTKEY_BINDING& b);
// Same modifiers and key.
bool SameCombination(const HOTKEY_BINDING& a, const HOTKEY_BINDING& b);

// Whether the combination leaves typing alone: Ctrl or Alt held, or one of
// the function keys F1 to F24 (with or without Shift). Enter, a letter or
// Shift with a letter would take that key from every program on the desktop.
bool LeavesTypingAlone(const HOTKEY_BINDING& binding);

STRING FormatBinding(const HOTKEY_BINDING& binding);
// Five comma-separated integers; a malformed or missing one counts as 0, so a
// sixth field makes the id 0. Flags are 0 or 1, the key its low 16 bits.
HOTKEY_BINDING ParseBinding(const char* name, const char* text);

// "Ctrl+", "Alt+", "Shft+" as set, then the key's name: the options dialog,
// the main window's tip and the registration question.
STRING DescribeBinding(const HOTKEY_BINDING& binding);
// "Ctrl+", "Shft+", "Alt+" as set, then the key's name: the key binding editor.
STRING CombinationText(const HOTKEY_BINDING& binding);

// The name of a virtual-key constant ("RETURN", "F9", "VK_OEM_CLEAR"), or
// for a key without one the character of its low 8 bits ("H", "7"); the
// empty text for 0.
STRING KeyName(unsigned key);
