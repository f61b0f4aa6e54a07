#pragma once
// Small window helpers shared by every part of the program.

#include "foundation/TextString.h"
#include "foundation/WideString.h"

#include <windows.h>

// First window among the children of parent (null: the desktop) whose title
// contains title (upper-cased substring test; null skips the test) and whose
// class name begins with className (any case; null or empty skips the test).
// With recurse, each window's children are searched before its next sibling.
HWND FindTopLevelWindow(const char* title, const char* className, HWND parent, bool recurse);

// The title, at most 254 characters, read without sending the window a message.
STRING ReadWindowTitle(HWND window);
// The same title as it is, at most 254 UTF-16 units and never half a
// surrogate pair: every title the program shows or keeps.
WSTRING ReadWindowTitleW(HWND window);

STRING WindowClassName(HWND window);

// The text of an edit control of this process; empty (never without a
// buffer) when there is none or it cannot be read.
STRING EditText(HWND edit);

// Whether the user can see the window: visible, and not cloaked by the
// desktop window manager, which keeps windows WS_VISIBLE that no screen shows
// (Windows 8 on: those of another virtual desktop, the frames of suspended
// Store apps, the text input panels). The list, the drag picker and Hide
// Active offer or activate only such windows.
bool IsWindowShownToUser(HWND window);
// The decision, from the answers it rests on: IsWindowVisible, and
// DwmGetWindowAttribute(DWMWA_CLOAKED)'s result and value. A system without
// the window manager, or a call that fails, counts as not cloaked.
bool ShownToUser(bool visible, HRESULT cloakedQuery, DWORD cloaked);

// whole: move onto the rectangle; otherwise move the top-left corner only.
void MoveWindowTo(HWND window, const RECT& rect, bool whole);

// Centres window over reference (null: the desktop's primary work area), kept
// in the work area of the monitor nearest the reference (CentredInWorkArea).
void CentreWindow(HWND window, HWND reference);

// MessageBoxIndirectA, the box centred over its owner (CentreWindow) and
// given icon (unless null) as it is first activated, before it is drawn.
int MessageBoxOverOwner(const MSGBOXPARAMSA& box, HICON icon);
// The same for a text that holds window titles, which are wide.
int MessageBoxOverOwner(const MSGBOXPARAMSW& box, HICON icon);

// Lets message reach window from processes of lower integrity (Windows Vista
// on): an elevated instance otherwise never receives them from the shell or
// from a second start. Does nothing where the system has no such filter.
// false: the system has the filter and refused.
bool AllowMessageFromLowerIntegrity(HWND window, UINT message);

// Whether the message being handled was sent by another thread (of this or
// another process). Messages whose parameters carry this thread's own
// pointers (item data, the caller's buffers) are answered only for this
// thread: the system copies the structures across, not what they point to,
// so another process could otherwise have us free or read any address.
bool SentByAnotherThread();
