#pragma once
// MV_HYPERLINK: a child control that shows a caption in the link colour and
// opens its target (OpenLink) when it is clicked, or when it has the keyboard
// focus and Enter or Space is pressed. The pointer turns into a hand over the
// caption; the focus is shown by a dotted rectangle around it. Dialog
// templates create it with WS_CHILD | WS_VISIBLE | WS_TABSTOP, which makes it
// a Tab stop like a button. The parent is asked for the background with
// WM_CTLCOLORSTATIC, as a static control does.
//
// Configured with WM_COMMAND, wParam one of the codes below. Texts are
// zero-terminated UTF-16 and are copied: the caller may free them at once.
// The commands and HLM_GETTARGET are for the control's own thread: sent by
// another thread they do nothing and answer 0.
// The caption is also the window text (WM_GETTEXT); without one the control
// shows its target.

#include <windows.h>

char const HYPERLINK_CLASS[] = "MV_HYPERLINK";

WPARAM const HYPERLINK_SET_TARGET = 1001;       // lParam: the link text, as OpenLink takes it
WPARAM const HYPERLINK_SET_CAPTION = 1002;      // lParam: the text shown
WPARAM const HYPERLINK_SET_COLOUR = 1004;       // lParam: COLORREF of the caption (blue until set)
WPARAM const HYPERLINK_SET_HOVER_COLOUR = 1006; // lParam: COLORREF while the pointer is over the caption
WPARAM const HYPERLINK_SET_UNDERLINE = 1009;    // lParam: nonzero underlines the caption always,
                                                // 0 only while the pointer is over it (the default)

// Copies the target into the UTF-16 buffer lParam of wParam characters, cut
// to fit and zero-terminated; answers the target's whole length (a null
// buffer only asks for it).
UINT const HLM_GETTARGET = WM_USER + 1;

// Registers the class for the whole process (CS_GLOBALCLASS), so that any
// dialog template of any module can use it; Unicode windows on NT-family
// systems. True when the class exists afterwards, also when it did already.
bool RegisterHyperlinkClass(HINSTANCE instance);
