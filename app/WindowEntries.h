#pragma once
// Item data of the main window's visible-window list and of its hidden-window
// menu items. Icons are borrowed from the other window or the system and are
// never destroyed here.

#include "foundation/WideString.h"

#include <windows.h>

// One entry of list 1000: owned by the main window's set of list entries;
// the list's item data only names it.
struct WINDOW_ENTRY {
    WSTRING title; // also the entry's list text
    HWND window = nullptr;
    HICON icon = nullptr;
};

// One hidden-window item of the tray menu: owned by the set of held entries;
// the item's data only names it.
struct HIDDEN_ENTRY {
    WSTRING title; // the full title, as listed when the window was hidden
    int id = 0;    // the item's command id
    HWND window = nullptr;
    HICON icon = nullptr;
    // Shown restored rather than as it was hidden (a window hidden on minimising).
    bool restoreOnRelease = false;
};

// Whether the visible-window list offers the window: shown to the user, no
// parent or owner that GetParent reports, titled, not "Program Manager", not
// own. Its title, read without a message to the window, goes to title.
bool ListableWindow(HWND window, HWND own, WSTRING& title);

// Menu text of a title: more than 25 UTF-16 units become the first 26 and
// "...", or the first 25 where the 26th would be half a surrogate pair.
WSTRING ShortTitle(const WSTRING& title);

// One owner-drawn line of the list or the tray menu: the fill rectangle is
// painted on selection, the icon drawn iconSize square at the item's left
// edge, centred in its height, over background, the text single-line and
// centred in its height into textRect.
void DrawEntryLine(const DRAWITEMSTRUCT& item, HICON image, int iconSize, const wchar_t* text, RECT fill,
                   RECT textRect, HBRUSH highlight, HBRUSH background);
