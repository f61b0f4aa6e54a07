#pragma once
// The settings an OK could not store, gathered while it stores them and told
// to the user in one message once it is done: what could not be saved and the
// system's reason for each. Only writes the user asked for go through here;
// what the program keeps on its own (placement and font on the way out)
// stays a trace line.

#include "foundation/RegistryKey.h"
#include "foundation/TextString.h"

#include <windows.h>

class UNSAVED_SETTINGS {
  public:
    // Notes `what` with the system's reason (a Windows error code or an
    // HRESULT) unless `written`; returns `written`.
    bool Note(bool written, const char* what, DWORD error);
    // The write, noted as `what` with the key's status when it fails.
    bool WriteDword(REGKEY& key, const char* name, DWORD value, const char* what);
    bool WriteString(REGKEY& key, const char* name, const char* value, const char* what);
    bool Empty() const { return count == 0; }
    // The whole message; empty when everything was stored.
    STRING Text() const;
    // One warning box owned by `owner`; nothing when everything was stored.
    void Tell(HWND owner) const;

    static const char* Caption() { return "Settings Not Saved"; }

  private:
    STRING lines;
    int count = 0;
};
