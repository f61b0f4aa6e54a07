#pragma once
// RULE_STORE: which programs' windows go to the tray by themselves. Kept per
// user, one REG_DWORD value per program below the key: its name the
// program's full path, its data 1 (when minimised), 2 (when opened) or 3.
// Other bits, other types and zero are left as they are and ignored; nothing
// malformed is deleted. Paths are compared without regard to case.

#include "foundation/WideString.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

DWORD const RULE_WHEN_MINIMISED = 1;
DWORD const RULE_WHEN_OPENED = 2;
DWORD const RULE_KNOWN = RULE_WHEN_MINIMISED | RULE_WHEN_OPENED;

struct PROGRAM_RULE {
    WSTRING path;   // as stored
    DWORD when = 0; // the known bits only
};

class RULE_STORE {
  public:
    static const wchar_t* KeyPath(); // below HKEY_CURRENT_USER

    // Reads every value again; a key that cannot be read holds no rule.
    void Load();
    // The known bits stored for the program; 0 without a rule.
    DWORD When(const wchar_t* path) const;
    bool Empty() const { return rules.empty(); }
    // Every program with a rule, by file name.
    std::vector<PROGRAM_RULE> Rules() const;
    // Stores the program's known bits, keeping the other bits its value
    // carries; a value left with no bit goes. A value of another type is
    // replaced only when a rule is switched on. false: the system refused,
    // with its reason in error; the rules read as before.
    bool Set(const wchar_t* path, DWORD when, DWORD& error);
    // Changes with every Load and Set, for those who keep what When answered.
    unsigned Version() const { return version; }

  private:
    std::map<std::wstring, PROGRAM_RULE> rules; // by path in upper case
    unsigned version = 0;
};

// The path in upper case, for comparing paths without regard to case.
std::wstring FoldedPath(const wchar_t* path);
// The last part of a path: "C:\Tools\mail.exe" gives "mail.exe".
WSTRING FileNameOf(const wchar_t* path);
// The full path of the process's program; empty when it cannot be asked
// (gone, or another user's). Looked up at run time: Windows XP has only the
// older psapi call, loaded from the system folder.
WSTRING ProgramPathOf(DWORD processId);
