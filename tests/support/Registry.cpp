#include "support/Registry.h"

#include <sddl.h>

namespace {

void DeleteTree(HKEY parent, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char name[256];
    for (;;) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DeleteTree(key, name);
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, path);
}

// An open key, closed when the object goes; null when it could not be opened.
class OPEN_KEY {
  public:
    OPEN_KEY(const std::string& path, bool create) {
        LONG status = create ? RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                                               KEY_ALL_ACCESS, nullptr, &key, nullptr)
                             : RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key);
        if (status != ERROR_SUCCESS)
            key = nullptr;
    }
    OPEN_KEY(const OPEN_KEY&) = delete;
    OPEN_KEY& operator=(const OPEN_KEY&) = delete;
    ~OPEN_KEY() {
        if (key)
            RegCloseKey(key);
    }
    HKEY key = nullptr;
};

} // namespace

SCRATCH_KEY::SCRATCH_KEY(const std::string& keyPath) : path(keyPath) {
    DeleteTree(HKEY_LOCAL_MACHINE, path.c_str());
}

SCRATCH_KEY::~SCRATCH_KEY() {
    DeleteTree(HKEY_LOCAL_MACHINE, path.c_str());
}

std::string SCRATCH_KEY::Path(const char* subkey) const {
    return subkey && *subkey ? path + "\\" + subkey : path;
}

bool SCRATCH_KEY::Set(const char* subkey, const char* name, DWORD type, const void* data, DWORD size) const {
    OPEN_KEY open(Path(subkey), true);
    return open.key &&
           RegSetValueExA(open.key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool SCRATCH_KEY::SetDword(const char* subkey, const char* name, DWORD value) const {
    return Set(subkey, name, REG_DWORD, &value, sizeof value);
}

bool SCRATCH_KEY::SetString(const char* subkey, const char* name, const char* value) const {
    return Set(subkey, name, REG_SZ, value, static_cast<DWORD>(std::string(value).size() + 1));
}

bool SCRATCH_KEY::Read(const char* subkey, const char* name, DWORD& type, std::string& bytes) const {
    OPEN_KEY open(Path(subkey), false);
    DWORD size = 0;
    bytes.clear();
    if (!open.key || RegQueryValueExA(open.key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    bytes.resize(size);
    if (RegQueryValueExA(open.key, name, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]), &size) !=
        ERROR_SUCCESS)
        return false;
    bytes.resize(size);
    return true;
}

long long SCRATCH_KEY::Dword(const char* subkey, const char* name) const {
    DWORD type = 0;
    std::string bytes;
    if (!Read(subkey, name, type, bytes) || type != REG_DWORD || bytes.size() != sizeof(DWORD))
        return -1;
    DWORD value = 0;
    bytes.copy(reinterpret_cast<char*>(&value), sizeof value);
    return value;
}

bool SCRATCH_KEY::Exists(const char* subkey, const char* name) const {
    DWORD type = 0;
    std::string bytes;
    return Read(subkey, name, type, bytes);
}

bool SCRATCH_KEY::Delete(const char* subkey, const char* name) const {
    OPEN_KEY open(Path(subkey), false);
    return open.key && RegDeleteValueA(open.key, name) == ERROR_SUCCESS;
}

VOLATILE_KEY::VOLATILE_KEY(const std::string& keyPath) : path(keyPath) {
    DeleteTree(HKEY_LOCAL_MACHINE, path.c_str());
    HKEY key = nullptr;
    made = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, &key, nullptr) == ERROR_SUCCESS;
    if (key)
        RegCloseKey(key);
}

VOLATILE_KEY::~VOLATILE_KEY() {
    DeleteTree(HKEY_LOCAL_MACHINE, path.c_str());
}

READ_ONLY_KEY::READ_ONLY_KEY(const std::string& keyPath) : path(keyPath) {
    locked = Apply("D:P(A;;KR;;;WD)");
}

READ_ONLY_KEY::~READ_ONLY_KEY() {
    Apply("D:P(A;;KA;;;WD)");
}

bool READ_ONLY_KEY::Apply(const char* descriptor) {
    PSECURITY_DESCRIPTOR security = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(descriptor, SDDL_REVISION_1, &security,
                                                              nullptr))
        return false;
    HKEY key = nullptr;
    bool applied = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC, &key) == ERROR_SUCCESS &&
                   RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security) == ERROR_SUCCESS;
    if (key)
        RegCloseKey(key);
    LocalFree(security);
    return applied;
}
