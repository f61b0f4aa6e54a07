#pragma once
// REGKEY names a registry key by root and path and reads or writes one value
// per call: every operation opens (or creates) the key and closes it again, so
// no handle outlives a call. Reads leave the caller's preset default in place
// on failure; `status` keeps the Windows error code of the last operation.

#include "foundation/TextString.h"

#include <windows.h>

class REGKEY {
  public:
    REGKEY(HKEY root, const char* path);
    REGKEY(const REGKEY& parent, const char* name); // sub key: parent path + "\" + name
    REGKEY(const REGKEY&) = default;
    REGKEY& operator=(const REGKEY&) = default;

    HKEY Root() const { return root; }
    const STRING& Path() const { return path; }

    bool ValueExists(const char* name);
    bool ReadDword(const char* name, DWORD& value);
    bool ReadString(const char* name, STRING& value);
    bool WriteDword(const char* name, DWORD value);
    bool WriteString(const char* name, const char* value);

    LONG status = 3;

  private:
    bool OpenForReading(HKEY& key);
    bool OpenForWriting(HKEY& key);
    bool WriteFailed(const char* name); // always false

    HKEY root;
    STRING path;
};
