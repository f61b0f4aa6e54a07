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

#include <windows.h>

// The Startup folder with a trailing backslash: the one of all users when
// `common` is nonzero on an NT-family system, otherwise the user's own.
// Empty when the system cannot name it (the folder is missing, say).
STRING StartupFolder(int common);

// True when Windows virtualises this process's file and registry writes (a
// 32-bit program without an execution level, run with UAC's filtered token).
// False where the system does not know the question (Windows XP) or the token
// cannot be read.
bool IsProcessVirtualised();

// Where a new link goes: the all-users Startup folder, unless the process is
// virtualised (its write there would land in the user's private VirtualStore,
// where logon never looks) or that folder refused the write; then the user's
// own. Empty when the system names no such folder.
STRING StartupFolderForNewLink(bool virtualised, bool allUsersRefused);

// Can the program start with Windows at all: the system names a Startup
// folder, the all-users one or the user's own.
bool IsStartupFolderKnown();

// The full path of the link in `startupFolder` that points at the program:
// the file named `shortcutName` itself, else `shortcutName` + ".lnk". Empty
// when neither exists, loads or matches.
STRING FindStartupShortcut(const char* folder, const char* startupFolder, const char* programFileName,
                           const char* shortcutName);

// Our link is in the all-users Startup folder or in the user's own.
bool IsStartupShortcutPresent(const char* folder, const char* programFileName, const char* shortcutName);

// True when a matching link exists afterwards, in either Startup folder: one
// found already is left as it is; otherwise `shortcutName` + ".lnk" is
// written (over a file of that name that points elsewhere) with the program's
// folder as working folder and `description` as comment, where
// StartupFolderForNewLink says, trying the user's own folder when the
// all-users one refuses. A program file that does not exist is never linked
// to (false). On false, `error` (if given) receives the system's reason: a
// Windows error code or the shell's HRESULT.
bool CreateStartupShortcut(const char* folder, const char* programFileName, const char* shortcutName,
                           const char* description, const char* arguments, bool virtualised,
                           DWORD* error = nullptr);

// Deletes every matching link (read-only or not) from both Startup folders,
// looking again after each delete. True when none is left; on false, `error`
// (if given) receives the reason: ERROR_ACCESS_DENIED for a link still there
// after a delete the system reported done (a virtualised process's).
bool RemoveStartupShortcut(const char* folder, const char* programFileName, const char* shortcutName,
                           DWORD* error = nullptr);
