#pragma once
// Every value the program reads from its settings key, and values for them
// that no writer of ours would store: other types, other sizes, huge and
// unterminated strings, extreme numbers. Drawn from a seeded generator, so a
// run can be repeated exactly.

#include <windows.h>

#include <random>
#include <string>
#include <vector>

// A value below the settings key: subkey (null: the key itself) and name.
struct STORED_SETTING {
    const char* subkey;
    const char* name;
};
extern const std::vector<STORED_SETTING> EVERY_SETTING;

// A value as stored: its type and raw bytes.
struct STORED_VALUE {
    DWORD type;
    std::string bytes;
    std::string label; // what it is, for a failure message
    // A well-formed DWORD (REG_DWORD of four bytes), and then its number.
    bool IsDword() const { return type == REG_DWORD && bytes.size() == sizeof(DWORD); }
    DWORD Dword() const;
};

STORED_VALUE DwordValue(DWORD number);
// One value drawn at random: any of the kinds the nastiest list holds, with
// random sizes, numbers and bytes.
STORED_VALUE RandomStoredValue(std::mt19937& random);
// One of each kind, the worst of it: a string of hugeBytes, unterminated and
// embedded-zero strings, the extreme numbers, every other type.
std::vector<STORED_VALUE> NastiestStoredValues(size_t hugeBytes);
