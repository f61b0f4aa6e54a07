#include "support/LinkRecorder.h"

#ifndef LINK_RECORDER_SCRIPT
#error "LINK_RECORDER_SCRIPT must name link-recorder.sh as a Unix path"
#endif

namespace {

const char* const kListsKey = "Software\\Wine\\WineBrowser";

unsigned lastLog = 0;

std::wstring Wide(const std::string& text, UINT codePage) {
    int needed = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(needed > 0 ? needed : 0), L'\0');
    if (needed > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], needed);
    return wide;
}

// The Unix path of a Windows path, through Wine's own conversion; empty
// outside Wine.
std::string UnixPath(const std::string& windowsPath) {
    typedef char*(CDECL * DOS_TO_UNIX)(const WCHAR*);
    auto dosToUnix = reinterpret_cast<DOS_TO_UNIX>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (dosToUnix == nullptr)
        return "";
    char* converted = dosToUnix(Wide(windowsPath, CP_ACP).c_str());
    if (converted == nullptr)
        return "";
    std::string unixPath = converted;
    HeapFree(GetProcessHeap(), 0, converted);
    return unixPath;
}

std::string ReadWhole(const std::string& path) {
    // The script may be appending right now.
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    std::string content;
    char block[4096];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0)
        content.append(block, read);
    CloseHandle(file);
    return content;
}

} // namespace

LINK_RECORDER::LINK_RECORDER() {
    char temp[MAX_PATH + 1] = {};
    if (GetTempPathA(MAX_PATH, temp) == 0)
        return;
    log = std::string(temp) + "vaylo-links-" + std::to_string(GetCurrentProcessId()) + "-" +
          std::to_string(++lastLog) + ".log";
    HANDLE file = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    CloseHandle(file);
    ready = Point("Browsers", "web") && Point("Mailers", "mail");
}

LINK_RECORDER::~LINK_RECORDER() {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kListsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        for (const SAVED& value : saved) {
            if (value.existed)
                RegSetValueExA(key, value.name, 0, value.type, value.data.data(),
                               static_cast<DWORD>(value.data.size()));
            else
                RegDeleteValueA(key, value.name);
        }
        RegCloseKey(key);
    }
    if (!log.empty())
        DeleteFileA(log.c_str());
}

// winebrowser splits a list at commas and each entry into arguments, to
// which it adds the address.
bool LINK_RECORDER::Point(const char* name, const char* kind) {
    std::string unixLog = UnixPath(log);
    if (unixLog.empty() || unixLog.find(',') != std::string::npos ||
        std::string(LINK_RECORDER_SCRIPT).find(',') != std::string::npos)
        return false;
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kListsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    SAVED previous = {name, false, REG_SZ, {}};
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &previous.type, nullptr, &size) == ERROR_SUCCESS) {
        previous.data.resize(size);
        previous.existed = RegQueryValueExA(key, name, nullptr, &previous.type, previous.data.data(),
                                            &size) == ERROR_SUCCESS;
        previous.data.resize(size);
    }
    saved.push_back(previous);
    std::string command = std::string("/bin/sh \"") + LINK_RECORDER_SCRIPT + "\" \"" + unixLog + "\" " + kind;
    bool set = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                              static_cast<DWORD>(command.size() + 1)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}

std::vector<std::wstring> LINK_RECORDER::Received() const {
    std::vector<std::wstring> lines;
    std::string content = ReadWhole(log);
    size_t start = 0;
    for (size_t end; (end = content.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string line = content.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(Wide(line, CP_UTF8));
    }
    return lines;
}

bool LINK_RECORDER::WaitFor(size_t count, DWORD timeoutMs) const {
    return PumpUntil([&] { return Received().size() >= count; }, timeoutMs);
}
