#pragma once
// Resource ids the hotkeys test program adds to the program's own resources.

#define IDD_HOTKEY_PROBE 910
