#include "app/HeldRecord.h"

#include <cwchar>

namespace {

wchar_t const PARENT_PATH[] = L"Software\\MorvaneUtilities\\Vaylo";
wchar_t const RECORD_NAME[] = L"Held Windows";

#ifndef PROCESS_QUERY_LIMITED_INFORMATION
DWORD const PROCESS_QUERY_LIMITED_INFORMATION = 0x1000; // Vista on; XP knows only the full right
#endif

// Handles in hexadecimal have at most 16 digits. Any value name fits the room
// read: a longer one could not be deleted. A text longer than any of ours is
// no value of ours.
DWORD const NAME_ROOM = 32;
DWORD const NAME_READ_ROOM = 16384;
DWORD const TEXT_ROOM = 1024;

void HandleName(HWND window, wchar_t (&name)[NAME_ROOM]) {
    UINT_PTR value = reinterpret_cast<UINT_PTR>(window);
    wchar_t digits[NAME_ROOM];
    int count = 0;
    do {
        digits[count++] = L"0123456789ABCDEF"[value & 0xF];
        value >>= 4;
    } while (value != 0);
    for (int i = 0; i < count; ++i)
        name[i] = digits[count - 1 - i];
    name[count] = L'\0';
}

int HexDigit(wchar_t c) {
    return c >= L'0' && c <= L'9' ? c - L'0' : c >= L'A' && c <= L'F' ? c - L'A' + 10 : -1;
}

// Upper-case hexadecimal digits into value, at most maxDigits of them; p is
// left after the last. false without any digit or with too many.
bool ReadHex(const wchar_t*& p, unsigned maxDigits, ULONGLONG& value) {
    value = 0;
    unsigned count = 0;
    for (; HexDigit(*p) >= 0; ++p, ++count) {
        if (count == maxDigits)
            return false;
        value = value << 4 | static_cast<ULONGLONG>(HexDigit(*p));
    }
    return count > 0;
}

bool ParseHandle(const wchar_t* name, HWND& window) {
    ULONGLONG value = 0;
    if (!ReadHex(name, 2 * sizeof(UINT_PTR), value) || *name != L'\0')
        return false;
    window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(value));
    return value != 0;
}

// "<process id>,<creation time>,<0|1> <title>", or the previous version's
// "<process id> <title>"; the title may be empty. Fields a later version adds
// before the blank (",..." without one) are passed over.
bool ParseText(const wchar_t* text, RECORDED_WINDOW& recorded) {
    unsigned long long id = 0;
    const wchar_t* p = text;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        id = id * 10 + static_cast<unsigned>(*p - L'0');
        if (id > 0xFFFFFFFFull)
            return false;
    }
    if (p == text || id == 0)
        return false;
    recorded.processId = static_cast<DWORD>(id);
    if (*p == L',') {
        ++p;
        if (!ReadHex(p, 16, recorded.processStarted) || *p++ != L',' || (*p != L'0' && *p != L'1'))
            return false;
        recorded.restoreOnRelease = *p++ == L'1';
        if (*p == L',')
            while (*p != L'\0' && *p != L' ')
                ++p;
    }
    if (*p != L' ')
        return false;
    recorded.title = WSTRING(p + 1);
    return true;
}

HKEY CreateVolatile(HKEY parent, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

// Every well-formed value of the key not named already in found. Values not
// of that form are deleted when dropMalformed, after the enumeration:
// deleting while enumerating would shift the indexes.
void ReadValues(HKEY key, bool older, bool dropMalformed, std::vector<RECORDED_WINDOW>& found) {
    std::vector<WSTRING> malformed;
    std::vector<wchar_t> name(NAME_READ_ROOM + 1);
    for (DWORD index = 0;; ++index) {
        wchar_t text[TEXT_ROOM] = {};
        DWORD nameLength = NAME_READ_ROOM, type = 0, size = sizeof text - sizeof text[0];
        LONG status = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(text), &size);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        // More data: a text too long for any title of ours.
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
            break;
        name[nameLength < NAME_READ_ROOM ? nameLength : NAME_READ_ROOM] = L'\0';
        RECORDED_WINDOW recorded;
        recorded.older = older;
        if (status != ERROR_SUCCESS || type != REG_SZ || !ParseHandle(name.data(), recorded.window) ||
            !ParseText(text, recorded)) {
            malformed.push_back(WSTRING(name.data()));
            continue;
        }
        bool named = false;
        for (const RECORDED_WINDOW& earlier : found)
            named = named || earlier.window == recorded.window;
        if (!named)
            found.push_back(recorded);
    }
    if (dropMalformed)
        for (const WSTRING& value : malformed)
            RegDeleteValueW(key, value.c_str());
}

} // namespace

std::vector<RECORDED_WINDOW> HELD_RECORD::TakeOver() {
    std::vector<RECORDED_WINDOW> found;
    HKEY parent = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, PARENT_PATH, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_CREATE_SUB_KEY, nullptr, &parent, nullptr) != ERROR_SUCCESS)
        return found;
    OPEN_KEY parentKey(parent);
    olderKey.Reset(CreateVolatile(parent, RECORD_NAME));
    DWORD session = 0;
    if (!olderKey.IsValid() || !ProcessIdToSessionId(GetCurrentProcessId(), &session))
        return found;
    wchar_t sessionName[16];
    std::swprintf(sessionName, sizeof sessionName / sizeof sessionName[0], L"%lu",
                  static_cast<unsigned long>(session));
    key.Reset(CreateVolatile(olderKey.Get(), sessionName));
    if (!key.IsValid())
        return found;
    ReadValues(key.Get(), false, true, found);
    ReadValues(olderKey.Get(), true, false, found);
    return found;
}

void HELD_RECORD::Settle(const RECORDED_WINDOW& recorded, bool adopted) {
    if (recorded.older != adopted)
        return;
    wchar_t name[NAME_ROOM];
    HandleName(recorded.window, name);
    HKEY from = recorded.older ? olderKey.Get() : key.Get();
    if (from != nullptr)
        RegDeleteValueW(from, name);
}

void HELD_RECORD::Note(HWND window, const WSTRING& title, bool restoreOnRelease) {
    if (!key.IsValid())
        return;
    wchar_t name[NAME_ROOM];
    HandleName(window, name);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    ULONGLONG started = ProcessStarted(processId);
    wchar_t fields[48];
    std::swprintf(fields, sizeof fields / sizeof fields[0], L"%lu,%08lX%08lX,%d ",
                  static_cast<unsigned long>(processId), static_cast<unsigned long>(started >> 32),
                  static_cast<unsigned long>(started & 0xFFFFFFFFu), restoreOnRelease ? 1 : 0);
    WSTRING text = WSTRING(fields) + title;
    RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   (text.Length() + 1) * sizeof(wchar_t));
}

void HELD_RECORD::Forget(HWND window) {
    if (!key.IsValid())
        return;
    wchar_t name[NAME_ROOM];
    HandleName(window, name);
    RegDeleteValueW(key.Get(), name);
}

// The limited right reaches a program running as administrator too; XP knows
// only the full one.
ULONGLONG HELD_RECORD::ProcessStarted(DWORD processId) {
    KERNEL_HANDLE process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.IsValid())
        process.Reset(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    FILETIME created = {}, exited = {}, kernel = {}, user = {};
    if (!process.IsValid() || !GetProcessTimes(process.Get(), &created, &exited, &kernel, &user))
        return 0;
    return static_cast<ULONGLONG>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}
