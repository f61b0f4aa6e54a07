#pragma once
// A throw-away key of HKEY_LOCAL_MACHINE (the test prefix's own registry):
// deleted with everything below it when the object is made and when it goes,
// so every test starts from nothing stored and leaves nothing behind.

#include <windows.h>

#include <string>

class SCRATCH_KEY {
  public:
    explicit SCRATCH_KEY(const std::string& path);
    SCRATCH_KEY(const SCRATCH_KEY&) = delete;
    SCRATCH_KEY& operator=(const SCRATCH_KEY&) = delete;
    ~SCRATCH_KEY();

    // Values are named by a subkey below the key (null or "": the key
    // itself) and a value name; missing keys are created on writing.
    const std::string& Path() const { return path; }
    std::string Path(const char* subkey) const;
    bool Set(const char* subkey, const char* name, DWORD type, const void* data, DWORD size) const;
    bool SetDword(const char* subkey, const char* name, DWORD value) const;
    bool SetString(const char* subkey, const char* name, const char* value) const;
    // The value's type and raw bytes; false when it is missing.
    bool Read(const char* subkey, const char* name, DWORD& type, std::string& bytes) const;
    // The DWORD, or -1 when the value is missing or of another type.
    long long Dword(const char* subkey, const char* name) const;
    bool Exists(const char* subkey, const char* name) const;
    bool Delete(const char* subkey, const char* name) const;

  private:
    std::string path;
};

// A volatile key of HKEY_LOCAL_MACHINE, thrown away when the object is made
// and when it goes. The system makes no lasting key below a volatile one, so
// a settings write into a subkey of it is refused, on Windows and Wine alike,
// as HKEY_LOCAL_MACHINE refuses a standard user.
class VOLATILE_KEY {
  public:
    explicit VOLATILE_KEY(const std::string& path);
    VOLATILE_KEY(const VOLATILE_KEY&) = delete;
    VOLATILE_KEY& operator=(const VOLATILE_KEY&) = delete;
    ~VOLATILE_KEY();
    const std::string path;
    bool made = false;
};

// A key of HKEY_LOCAL_MACHINE whose DACL lets everyone read and nobody write,
// as HKEY_LOCAL_MACHINE is for a standard user; writable again when the
// object goes.
class READ_ONLY_KEY {
  public:
    explicit READ_ONLY_KEY(const std::string& keyPath);
    READ_ONLY_KEY(const READ_ONLY_KEY&) = delete;
    READ_ONLY_KEY& operator=(const READ_ONLY_KEY&) = delete;
    ~READ_ONLY_KEY();
    bool locked = false;

  private:
    bool Apply(const char* descriptor);
    std::string path;
};
