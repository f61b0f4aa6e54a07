#pragma once
// The "Hidden Windows" viewer and the help popups of the running Vaylo.exe,
// seen from outside: the viewer's list read and double-clicked, a dialog's
// tooltip and its tools read back, and the real pointer moved.

#include "Desktop.h"

#include <string>
#include <vector>

extern wchar_t const VIEWER_TITLE[]; // "Hidden Windows"

// Hides a window of another program from outside, not through Vaylo; false
// when it does not stay hidden.
bool HideFromOutside(HWND window);

// Opens the viewer as its button does (posted: it runs modally) and waits
// for it; null when it did not show.
HWND OpenViewer(const VAYLO& vaylo);
// Closes it with "Done" and waits until it has gone.
bool CloseViewer(HWND viewer);
// Each entry's text and item data, the window, in list order.
std::vector<std::pair<std::wstring, HWND>> ViewerEntries(HWND viewer);
bool ViewerLists(HWND viewer, HWND window);
// Selects the window's entry (null: none at all) and sends the list's double
// click notification; false when the viewer did not answer within answerMs.
bool DoubleClickViewerEntry(HWND viewer, HWND window, DWORD answerMs = WAIT_MS);

// The tooltip windows a dialog owns.
std::vector<HWND> TooltipsOf(HWND dialog);
// The tips of the tooltip's dialog, each control's id and text, by id: read
// as the user sees them, the real pointer resting on each visible control in
// turn (the tooltip answers no other thread's TTM_ messages). A control whose
// tip does not show within TIP_WAIT_MS has none.
DWORD const TIP_WAIT_MS = 3000;
std::vector<std::pair<int, std::wstring>> ReadTips(HWND tooltip);
// The text the tooltip shows now (WM_GETTEXT, which crosses processes).
std::wstring ShownTip(HWND tooltip);

// Moves the real pointer with xdotool, as a user's mouse does, and waits
// (bounded) until the system sees it there.
bool MovePointerWithXdotool(POINT screen);
