#include "support/StoredValues.h"

#include <algorithm>
#include <climits>
#include <cstring>

const std::vector<STORED_SETTING> EVERY_SETTING = {
    {nullptr, "UseHelpPopups"},
    {nullptr, "UseHotkey"},
    {nullptr, "Hide Active"},
    {nullptr, "Popup Menu"},
    {"Password", "UseSystrayPassword"},
    {"Password", "Password"},
    {"CloseToTray", "CloseToTray"},
    {"CloseToTray", "CloseToTrayReminder"},
    {"CloseToTray", "CloseToTrayRunReminder"},
    {"MinimizeToTray", "MinimizeToTray"},
    {"MinimizeToTray", "MinimizeToTrayReminder"},
    {"MinimizeToTray", "MinimizeToTrayRunReminder"},
    {"MainWindow", "WinState"},
    {"MainWindow", "WPLeft"},
    {"MainWindow", "WPTop"},
    {"MainWindow", "WPRight"},
    {"MainWindow", "WPBottom"},
    {"MainWindow", "WPDpi"},
    {"MainWindow", "TopMost"},
    {"Font", "lfHeight"},
    {"Font", "lfWidth"},
    {"Font", "lfEscapement"},
    {"Font", "lfOrientation"},
    {"Font", "lfWeight"},
    {"Font", "lfItalic"},
    {"Font", "lfUnderline"},
    {"Font", "lfStrikeOut"},
    {"Font", "lfCharSet"},
    {"Font", "lfOutPrecision"},
    {"Font", "lfClipPrecision"},
    {"Font", "lfQuality"},
    {"Font", "lfPitchAndFamily"},
    {"Font", "lfFaceName"},
    {"Font", "ForeColor"},
};

namespace {

DWORD const EXTREMES[] = {0, 1, 2, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0xFFFFFFFEu, 0x10000u, 0xFFFFu};

STORED_VALUE Value(DWORD type, std::string bytes, std::string label) {
    return STORED_VALUE{type, std::move(bytes), std::move(label)};
}

std::string Bytes(std::mt19937& random, size_t size, bool text) {
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(text ? ' ' + random() % 95 : random() % 256);
    return bytes;
}

// Comma-separated numbers as the hotkey texts are stored, but any numbers.
std::string Numbers(std::mt19937& random) {
    static const char* const words[] = {"0",          "1",           "-1",    "2147483647", "-2147483648",
                                        "4294967295", "99999999999", "65536", "",           " 7",
                                        "x",          "1e9",         "0x41",  "--3"};
    std::string text;
    int fields = static_cast<int>(random() % 8);
    for (int i = 0; i < fields; ++i)
        text += std::string(i ? "," : "") + words[random() % (sizeof words / sizeof *words)];
    return text + '\0';
}

} // namespace

DWORD STORED_VALUE::Dword() const {
    DWORD number = 0;
    std::memcpy(&number, bytes.data(), std::min(bytes.size(), sizeof number));
    return number;
}

STORED_VALUE DwordValue(DWORD number) {
    return Value(REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number),
                 "REG_DWORD " + std::to_string(number));
}

STORED_VALUE RandomStoredValue(std::mt19937& random) {
    switch (random() % 10) {
    case 0:
    case 1:
        return DwordValue(random() % 2 ? EXTREMES[random() % (sizeof EXTREMES / sizeof *EXTREMES)]
                                       : random());
    case 2: { // a DWORD of another size
        size_t size = random() % 12;
        if (size == sizeof(DWORD))
            size = 0;
        return Value(REG_DWORD, Bytes(random, size, false),
                     "REG_DWORD of " + std::to_string(size) + " bytes");
    }
    case 3: { // text with or without its zero, with zeros inside
        std::string text = Bytes(random, random() % 300, random() % 2 == 0);
        if (random() % 2)
            text += '\0';
        return Value(REG_SZ, text, "REG_SZ of " + std::to_string(text.size()) + " bytes");
    }
    case 4: return Value(REG_SZ, Numbers(random), "REG_SZ numbers");
    case 5: { // huge, now and then
        size_t size = random() % 20 == 0 ? 65536 + random() % (1 << 20) : 256 + random() % 4096;
        return Value(REG_SZ, std::string(size, static_cast<char>('0' + random() % 10)) + '\0',
                     "REG_SZ of " + std::to_string(size + 1) + " bytes");
    }
    case 6: return Value(REG_BINARY, Bytes(random, random() % 16, false), "REG_BINARY");
    case 7: return Value(REG_QWORD, Bytes(random, 8, false), "REG_QWORD");
    case 8: {
        DWORD const types[] = {REG_NONE, REG_EXPAND_SZ,    REG_MULTI_SZ, REG_DWORD_BIG_ENDIAN,
                               REG_LINK, REG_RESOURCE_LIST};
        DWORD type = types[random() % (sizeof types / sizeof *types)];
        return Value(type, Bytes(random, random() % 40, true) + '\0', "type " + std::to_string(type));
    }
    default: {
        DWORD type = 12 + random() % 100000; // no type at all
        return Value(type, Bytes(random, random() % 8, false), "type " + std::to_string(type));
    }
    }
}

std::vector<STORED_VALUE> NastiestStoredValues(size_t hugeBytes) {
    std::string numbers = "-2147483648,4294967295,99999999999999999999,-1,65537,1,2,3";
    return {
        Value(REG_SZ, std::string(hugeBytes, '9') + '\0', "REG_SZ huge"),
        Value(REG_SZ, "abc", "REG_SZ unterminated"),
        Value(REG_SZ, std::string("1\0002\0003", 5), "REG_SZ with zeros inside"),
        Value(REG_SZ, "", "REG_SZ of no bytes"),
        Value(REG_SZ, numbers + '\0', "REG_SZ extreme numbers"),
        DwordValue(0xFFFFFFFFu),
        DwordValue(0x80000000u),
        DwordValue(0x7FFFFFFFu),
        DwordValue(0),
        Value(REG_DWORD, std::string("\x01\x00", 2), "REG_DWORD of 2 bytes"),
        Value(REG_DWORD, std::string(8, '\xFF'), "REG_DWORD of 8 bytes"),
        Value(REG_DWORD, "", "REG_DWORD of no bytes"),
        Value(REG_QWORD, std::string(8, '\xFF'), "REG_QWORD"),
        Value(REG_BINARY, std::string(1000, '\xA5'), "REG_BINARY"),
        Value(REG_MULTI_SZ, std::string("1\0002\0\0", 5), "REG_MULTI_SZ"),
        Value(REG_EXPAND_SZ, "%PATH%%PATH%%PATH%", "REG_EXPAND_SZ"),
        Value(REG_NONE, "", "REG_NONE"),
        Value(0x7FFFFFFF, std::string("\x01\x00\x00\x00", 4), "an unknown type"),
    };
}
