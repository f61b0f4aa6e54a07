#include "app/RuleStore.h"

#include "foundation/Handles.h"
#include "foundation/SystemUtilities.h"

#include <algorithm>
#include <memory>
#include <new>

namespace {

wchar_t const RULES_PATH[] = L"Software\\MorvaneUtilities\\Vaylo\\Rules";

// Registry value names are at most 16383 characters.
DWORD const NAME_ROOM = 16384;

// PROCESS_QUERY_LIMITED_INFORMATION: also granted for an elevated program's
// process. Windows XP knows only the full query right.
DWORD const QUERY_LIMITED = 0x1000;

typedef BOOL(WINAPI* QueryFullProcessImageNameProc)(HANDLE, DWORD, LPWSTR, PDWORD);
typedef DWORD(WINAPI* GetModuleFileNameExProc)(HANDLE, HMODULE, LPWSTR, DWORD);

// From the system folder only: a psapi.dll beside the program is never loaded.
// Loaded once and kept for the process's life.
GetModuleFileNameExProc PsapiModuleFileName() {
    static GetModuleFileNameExProc const moduleFileName =
        LibraryProc<GetModuleFileNameExProc>(LoadSystemLibrary("psapi.dll"), "GetModuleFileNameExW");
    return moduleFileName;
}

// The stored data as the rule reads it: a DWORD's bits; other types none.
bool ReadStored(HKEY key, const wchar_t* name, DWORD& type, DWORD& data) {
    DWORD size = sizeof data;
    data = 0;
    LONG status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    if (status == ERROR_MORE_DATA)
        return true; // longer than a DWORD: of another kind, with no bits
    if (status != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || size != sizeof data)
        data = 0;
    return true;
}

} // namespace

const wchar_t* RULE_STORE::KeyPath() {
    return RULES_PATH;
}

std::wstring FoldedPath(const wchar_t* path) {
    std::wstring folded(path != nullptr ? path : L"");
    if (!folded.empty())
        CharUpperBuffW(&folded[0], static_cast<DWORD>(folded.size()));
    return folded;
}

WSTRING FileNameOf(const wchar_t* path) {
    const wchar_t* name = path != nullptr ? path : L"";
    for (const wchar_t* at = name; *at != L'\0'; ++at)
        if (*at == L'\\' || *at == L'/')
            name = at + 1;
    return WSTRING(name);
}

WSTRING ProgramPathOf(DWORD processId) {
    static QueryFullProcessImageNameProc const queryFull = LibraryProc<QueryFullProcessImageNameProc>(
        GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameW");
    KERNEL_HANDLE process(
        OpenProcess(queryFull != nullptr ? QUERY_LIMITED : PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE,
                    processId));
    if (!process.IsValid())
        return WSTRING();
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = MAX_PATH * 2;
    if (queryFull != nullptr) {
        if (!queryFull(process.Get(), 0, path, &length))
            return WSTRING();
    } else if (GetModuleFileNameExProc moduleFile = PsapiModuleFileName()) {
        length = moduleFile(process.Get(), nullptr, path, MAX_PATH * 2 - 1);
    } else {
        return WSTRING();
    }
    return WSTRING(path, std::min<DWORD>(length, MAX_PATH * 2 - 1));
}

// Enumerated by index: the names are read into one buffer sized for the
// longest a value name can be.
void RULE_STORE::Load() {
    ++version;
    rules.clear();
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RULES_PATH, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return;
    OPEN_KEY key(opened);
    std::unique_ptr<wchar_t[]> name(new (std::nothrow) wchar_t[NAME_ROOM]);
    if (name == nullptr)
        return;
    for (DWORD index = 0;; ++index) {
        DWORD length = NAME_ROOM;
        LONG status =
            RegEnumValueW(key.Get(), index, name.get(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        DWORD type = 0, data = 0;
        if (status != ERROR_SUCCESS || !ReadStored(key.Get(), name.get(), type, data) ||
            (data & RULE_KNOWN) == 0)
            continue;
        PROGRAM_RULE rule;
        rule.path = WSTRING(name.get(), length);
        rule.when = data & RULE_KNOWN;
        rules[FoldedPath(rule.path.c_str())] = rule;
    }
}

DWORD RULE_STORE::When(const wchar_t* path) const {
    if (rules.empty())
        return 0;
    auto found = rules.find(FoldedPath(path));
    return found == rules.end() ? 0 : found->second.when;
}

std::vector<PROGRAM_RULE> RULE_STORE::Rules() const {
    std::vector<PROGRAM_RULE> listed;
    for (const auto& rule : rules)
        listed.push_back(rule.second);
    std::stable_sort(listed.begin(), listed.end(), [](const PROGRAM_RULE& a, const PROGRAM_RULE& b) {
        return lstrcmpiW(FileNameOf(a.path.c_str()).c_str(), FileNameOf(b.path.c_str()).c_str()) < 0;
    });
    return listed;
}

// The stored name is kept where the program has one already (its case may
// differ from the path asked about).
bool RULE_STORE::Set(const wchar_t* path, DWORD when, DWORD& error) {
    auto known = rules.find(FoldedPath(path));
    WSTRING name(known != rules.end() ? known->second.path : WSTRING(path));
    HKEY created = nullptr;
    error =
        static_cast<DWORD>(RegCreateKeyExW(HKEY_CURRENT_USER, RULES_PATH, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &created, nullptr));
    if (error != ERROR_SUCCESS)
        return false;
    OPEN_KEY key(created);
    DWORD type = REG_NONE, data = 0;
    bool stored = ReadStored(key.Get(), name.c_str(), type, data);
    DWORD kept = data & ~RULE_KNOWN;
    DWORD wanted = kept | (when & RULE_KNOWN);
    if (wanted == 0 && (data & RULE_KNOWN) != 0)
        error = static_cast<DWORD>(RegDeleteValueW(key.Get(), name.c_str()));
    else if (wanted != 0 && (!stored || wanted != data || type != REG_DWORD))
        error = static_cast<DWORD>(RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD,
                                                  reinterpret_cast<const BYTE*>(&wanted), sizeof wanted));
    else
        error = ERROR_SUCCESS;
    Load();
    return error == ERROR_SUCCESS;
}
