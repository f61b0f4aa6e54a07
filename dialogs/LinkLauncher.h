#pragma once
// Opening a link text for the user: a mail address, a local path or a web
// address. Mail addresses and local paths go through the shell's "open"
// verb; a web address is started as an explorer process with Shift held down,
// so that it opens in a window of its own.
//
// Every failure to open ends in one exclamation beep, a false result and a
// trace line ("link not opened: ..."); no message box is shown.

#include "foundation/TextString.h"
#include "foundation/WideString.h"

#include <windows.h>

enum class LINK_KIND { MAIL, LOCAL_PATH, WEB };

// How a text is read. A text that begins with "mailto:" (any case) is a mail
// address as it stands. Otherwise a text with "@" is a mail address unless it
// also holds "/" (the narrow form, used outside the NT family: ":"); a text of
// three or more characters whose second is ":" is a local path; anything else
// is a web address.
LINK_KIND ClassifyLink(const wchar_t* text);
LINK_KIND ClassifyLink(const char* text);

// What the shell opens for a mail address ("mailto:" in front, never twice)
// or a local path (the text unchanged).
WSTRING ShellTarget(const wchar_t* text);
STRING ShellTarget(const char* text);

// The command line that opens a web address: windowsFolder (ending in "\"),
// explorer, a blank and the address in double quotes, with "http://" in front
// of an address that names no scheme ("://").
WSTRING ExplorerCommandLine(const WSTRING& windowsFolder, const wchar_t* address);
STRING ExplorerCommandLine(const STRING& windowsFolder, const char* address);

// Opens `text`; true when it was handed over. owner: the window the shell's
// own messages belong to. The wide form on NT-family systems, the narrow one
// (the text in the ANSI code page) elsewhere. The Shift key pressed for a web
// address is released on every path, before any beep.
bool OpenLink(HWND owner, const wchar_t* text);

// Whether `text` names the web or the mail: it begins with "http://",
// "https://" or "mailto:" (any case), or with "www.", which opens as http.
bool IsWebOrMailLink(const wchar_t* text);
// OpenLink for a link found in text the program does not write (the
// licence): anything but the web or the mail (file:, ftp:, a path) would go
// to explorer or the shell, and only beeps (false, a trace line).
bool OpenWebOrMailLink(HWND owner, const wchar_t* text);

// The two forms, with the folder explorer is started from; OpenLink passes
// the Windows folder.
bool OpenLinkWide(HWND owner, const wchar_t* text, const WSTRING& windowsFolder);
bool OpenLinkNarrow(HWND owner, const char* text, const STRING& windowsFolder);
