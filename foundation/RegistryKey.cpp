#include "foundation/RegistryKey.h"

#include "foundation/Diagnostics.h"
#include "foundation/Handles.h"

#include <cstdlib>

namespace {

bool IsKnownRoot(HKEY root) {
    return root == HKEY_CLASSES_ROOT || root == HKEY_CURRENT_USER || root == HKEY_LOCAL_MACHINE ||
           root == HKEY_USERS || root == HKEY_PERFORMANCE_DATA;
}

const LONG kWrongType = ERROR_BADKEY; // 1010: the value exists but is not of the type asked for

} // namespace

REGKEY::REGKEY(HKEY rootKey, const char* keyPath) : root(rootKey), path(keyPath) {
    if (root == HKEY_PERFORMANCE_DATA || (IsKnownRoot(root) && path.Length() > 0)) {
        path.Trim("\\");
        status = 0;
    }
}

REGKEY::REGKEY(const REGKEY& parent, const char* name)
    : REGKEY(parent.root, (parent.path + "\\" + name).Text()) {}

// Callers ignore a failed write (the setting simply is not remembered): it
// leaves a trace for whoever looks.
bool REGKEY::WriteFailed(const char* name) {
    Trace("settings: writing \"%s\" in \"%s\" failed with error %ld", name, path.c_str(), status);
    return false;
}

bool REGKEY::OpenForReading(HKEY& key) {
    status = 0;
    if (root == HKEY_PERFORMANCE_DATA) {
        key = root;
        return true;
    }
    status = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key);
    if (status != 0)
        key = nullptr;
    return status == 0;
}

bool REGKEY::OpenForWriting(HKEY& key) {
    DWORD disposition = 0;
    char emptyClass[] = "";
    status = RegCreateKeyExA(root, path.c_str(), 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, &key, &disposition);
    if (status != 0)
        key = nullptr;
    return status == 0;
}

bool REGKEY::ValueExists(const char* name) {
    if (!name)
        return false;
    HKEY key = nullptr;
    if (!OpenForReading(key))
        return false;
    OPEN_KEY open(key);
    status = RegQueryValueExA(open.Get(), name, nullptr, nullptr, nullptr, nullptr);
    return status == 0;
}

bool REGKEY::ReadDword(const char* name, DWORD& value) {
    if (!name)
        return false;
    HKEY key = nullptr;
    if (!OpenForReading(key))
        return false;
    OPEN_KEY open(key);
    DWORD type = 0, size = 0;
    status = RegQueryValueExA(open.Get(), name, nullptr, &type, nullptr, &size);
    if (status != 0)
        return false;
    if (type != REG_DWORD || size != sizeof(DWORD)) {
        status = kWrongType;
        return false;
    }
    DWORD data = 0;
    size = sizeof data;
    status = RegQueryValueExA(open.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    // The value may have been rewritten between the two queries.
    if (status == 0 && (type != REG_DWORD || size != sizeof(DWORD)))
        status = kWrongType;
    if (status == 0)
        value = data;
    return status == 0;
}

bool REGKEY::ReadString(const char* name, STRING& value) {
    if (!name)
        return false;
    HKEY key = nullptr;
    if (!OpenForReading(key))
        return false;
    OPEN_KEY open(key);
    DWORD type = 0, size = 0;
    status = RegQueryValueExA(open.Get(), name, nullptr, &type, nullptr, &size);
    if (status != 0)
        return false;
    if (type != REG_SZ) {
        status = kWrongType;
        return false;
    }
    // One spare byte so that an empty value still gets a block.
    BYTE* buffer = static_cast<BYTE*>(std::calloc(size + 1, 1));
    if (!buffer) {
        status = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    DWORD read = size;
    status = RegQueryValueExA(open.Get(), name, nullptr, &type, buffer, &read);
    if (status == 0 && type != REG_SZ)
        status = kWrongType;
    if (status == 0)
        value = STRING(reinterpret_cast<const char*>(buffer), read);
    std::free(buffer);
    return status == 0;
}

bool REGKEY::WriteDword(const char* name, DWORD value) {
    if (!name || root == HKEY_PERFORMANCE_DATA)
        return false;
    HKEY key = nullptr;
    if (!OpenForWriting(key))
        return WriteFailed(name);
    OPEN_KEY open(key);
    status =
        RegSetValueExA(open.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    return status == 0 || WriteFailed(name);
}

bool REGKEY::WriteString(const char* name, const char* value) {
    if (!name || !value || root == HKEY_PERFORMANCE_DATA)
        return false;
    HKEY key = nullptr;
    if (!OpenForWriting(key))
        return WriteFailed(name);
    OPEN_KEY open(key);
    unsigned n = BoundedLength(value, 65536);
    status = RegSetValueExA(open.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), n + 1);
    return status == 0 || WriteFailed(name);
}
