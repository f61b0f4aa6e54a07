#pragma once
// Item data of the main window's visible-window list and of its hidden-window
// menu items. Icons are borrowed from the other window or the system and are
// never destroyed here.

#include "foundation/TextString.h"

#include <windows.h>

// One entry of list 1000: owned by the list, made afresh at every refill.
struct WINDOW_ENTRY {
    STRING title; // also the entry's list text
    HWND window = nullptr;
    HICON icon = nullptr;
};

// One hidden-window item of the tray menu: owned by the menu item.
struct HIDDEN_ENTRY {
    STRING title; // the full title, as listed when the window was hidden
    int id = 0;   // the item's command id
    HWND window = nullptr;
    HICON icon = nullptr;
    bool restoreOnRelease = false; // hidden when minimised: given back restored
};

// Menu text of a title: more than 25 characters become the first 26 and "...".
STRING ShortTitle(const STRING& title);

// One owner-drawn line of the list or the tray menu: the fill rectangle is
// painted on selection, the icon drawn iconSize square at the item's left
// edge, centred in its height, over background, the text single-line and
// centred in its height into textRect.
void DrawEntryLine(const DRAWITEMSTRUCT& item, HICON image, int iconSize, const char* text, RECT fill,
                   RECT textRect, HBRUSH highlight, HBRUSH background);
