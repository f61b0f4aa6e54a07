#pragma once
// The start with Windows: a shell link in a Startup folder that points at the
// program. Whether the program starts with Windows is whether such a link
// exists; nothing about it is kept anywhere else. Every operation initialises
// COM on the calling thread for its own duration, so any thread may call.
//
// `folder` is the program's folder, with or without a trailing backslash, and
// `programFileName` the program's file name in it. A link matches when its
// target is exactly that file, letter case aside: a link to another folder
// (a sub-folder or a folder of which this one's name is only the start
// included) or to another file name does not.

#include "foundation/TextString.h"

// The Startup folder with a trailing backslash: the one of all users when
// `common` is nonzero on an NT-family system, otherwise the user's own.
// Empty when the system cannot name it (the folder is missing, say); the
// operations below then find, write and delete nothing.
STRING StartupFolder(int common);

// The full path of the link in `startupFolder` that points at the program:
// the file named `shortcutName` itself, else `shortcutName` + ".lnk". Empty
// when neither exists, loads or matches.
STRING FindStartupShortcut(const char* folder, const char* startupFolder, const char* programFileName,
                           const char* shortcutName);

bool IsStartupShortcutPresent(const char* folder, const char* programFileName, const char* shortcutName,
                              int common);

// True when a matching link exists afterwards: one found already is left as
// it is; otherwise `shortcutName` + ".lnk" is written (over a file of that
// name that points elsewhere) with the program's folder as working folder and
// `description` as comment. A program file that does not exist is never
// linked to (false).
bool CreateStartupShortcut(const char* folder, const char* programFileName, const char* shortcutName,
                           const char* description, const char* arguments, int common);

// True when a matching link was found and deleted (read-only or not).
bool RemoveStartupShortcut(const char* folder, const char* programFileName, const char* shortcutName,
                           int common);
