#pragma once
// The main window's hotkey table against the settings and the system: load
// it, register it with the window as the receiver of WM_HOTKEY, release it.
// "UseHotkey" 0 in the window's settings keeps every binding unregistered
// (the table is still loaded, for the options dialog to show and edit).

#include "framework/WindowBase.h"
#include "hotkeys/HotkeyBinding.h"

// Rebuilds the table from the defaults and the stored texts ("Hide Active"
// then "Popup Menu"), then registers it. A stored text keeps the default when
// it names no key or id, or a combination without Ctrl or Alt other than a
// function key; its id is replaced by the action's own (1009, 1010). The caller has released the old
// table (UnregisterHotkeys) or never registered it.
void LoadHotkeys(MV_WINBASE& window, HOTKEY_TABLE& table);

// Registers every binding in table order. When one is refused (another
// program holds the combination) the user is asked whether to stop
// registering, unless every binding has been refused, which shows nothing.
void RegisterHotkeys(MV_WINBASE& window, HOTKEY_TABLE& table);

// Releases every binding marked registered; one whose release fails stays
// marked.
void UnregisterHotkeys(MV_WINBASE& window, HOTKEY_TABLE& table);

// "UseHotkey" of the settings, 1 when it cannot be read.
bool HotkeysWanted(REGKEY& settings);
