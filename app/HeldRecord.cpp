#include "app/HeldRecord.h"

#include <cstring>

namespace {

char const PARENT_PATH[] = "Software\\MorvaneUtilities\\Vaylo";
char const RECORD_NAME[] = "Held Windows";

// Handles in hexadecimal have at most 16 digits; a title at most 254 bytes.
// Any value name fits the room read: a longer one could not be deleted.
DWORD const NAME_ROOM = 32;
DWORD const NAME_READ_ROOM = 16384;
DWORD const TEXT_ROOM = 512;

void HandleName(HWND window, char (&name)[NAME_ROOM]) {
    UINT_PTR value = reinterpret_cast<UINT_PTR>(window);
    char digits[NAME_ROOM];
    int count = 0;
    do {
        digits[count++] = "0123456789ABCDEF"[value & 0xF];
        value >>= 4;
    } while (value != 0);
    for (int i = 0; i < count; ++i)
        name[i] = digits[count - 1 - i];
    name[count] = '\0';
}

bool ParseHandle(const char* name, HWND& window) {
    UINT_PTR value = 0;
    size_t length = std::strlen(name);
    if (length == 0 || length > 2 * sizeof value)
        return false;
    for (const char* p = name; *p; ++p) {
        int digit = *p >= '0' && *p <= '9' ? *p - '0' : *p >= 'A' && *p <= 'F' ? *p - 'A' + 10 : -1;
        if (digit < 0)
            return false;
        value = value << 4 | static_cast<UINT_PTR>(digit);
    }
    window = reinterpret_cast<HWND>(value);
    return value != 0;
}

// "<process id> <title>"; the title may be empty.
bool ParseText(const char* text, RECORDED_WINDOW& recorded) {
    unsigned long long id = 0;
    const char* p = text;
    for (; *p >= '0' && *p <= '9'; ++p) {
        id = id * 10 + static_cast<unsigned>(*p - '0');
        if (id > 0xFFFFFFFFull)
            return false;
    }
    if (p == text || *p != ' ' || id == 0)
        return false;
    recorded.processId = static_cast<DWORD>(id);
    recorded.title = STRING(p + 1);
    return true;
}

} // namespace

std::vector<RECORDED_WINDOW> HELD_RECORD::TakeOver() {
    std::vector<RECORDED_WINDOW> found;
    HKEY parent = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, PARENT_PATH, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_CREATE_SUB_KEY, nullptr, &parent, nullptr) != ERROR_SUCCESS)
        return found;
    OPEN_KEY parentKey(parent);
    HKEY record = nullptr;
    if (RegCreateKeyExA(parent, RECORD_NAME, 0, nullptr, REG_OPTION_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                        &record, nullptr) != ERROR_SUCCESS)
        return found;
    key.Reset(record);

    // Read whole first: deleting while enumerating would shift the indexes.
    std::vector<STRING> names;
    std::vector<char> name(NAME_READ_ROOM + 1);
    for (DWORD index = 0;; ++index) {
        char text[TEXT_ROOM] = {};
        DWORD nameLength = NAME_READ_ROOM, type = 0, size = TEXT_ROOM - 1;
        LONG status = RegEnumValueA(record, index, name.data(), &nameLength, nullptr, &type,
                                    reinterpret_cast<BYTE*>(text), &size);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        // More data: a text too long for any title of ours, dropped below.
        if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA)
            break;
        name[nameLength < NAME_READ_ROOM ? nameLength : NAME_READ_ROOM] = '\0';
        names.push_back(STRING(name.data()));
        RECORDED_WINDOW recorded;
        if (status == ERROR_SUCCESS && type == REG_SZ && ParseHandle(name.data(), recorded.window) &&
            ParseText(text, recorded))
            found.push_back(recorded);
    }
    for (const STRING& read : names)
        RegDeleteValueA(record, read.c_str());
    return found;
}

// Costs one small value: no list is rewritten. A failed write leaves this
// window out of the record, nothing else.
void HELD_RECORD::Note(HWND window, const STRING& title) {
    if (!key.IsValid())
        return;
    char name[NAME_ROOM];
    HandleName(window, name);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char id[16];
    wsprintfA(id, "%lu ", static_cast<unsigned long>(processId));
    STRING text = STRING(id) + title.c_str();
    RegSetValueExA(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   text.Length() + 1);
}

void HELD_RECORD::Forget(HWND window) {
    if (!key.IsValid())
        return;
    char name[NAME_ROOM];
    HandleName(window, name);
    RegDeleteValueA(key.Get(), name);
}
