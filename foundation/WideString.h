#pragma once
// WSTRING: the UTF-16 counterpart of STRING, for the Windows interfaces that
// want wide text. Capacity counts characters and grows in steps of 32; the
// length always equals wcslen of the text. Also home of the conversions
// between the ANSI code page and UTF-16.

#include "foundation/TextString.h"

#include <windows.h>

#include <cstdarg>

class WSTRING {
  public:
    WSTRING() = default;
    WSTRING(const wchar_t* source);                    // null gives no buffer
    WSTRING(const wchar_t* source, unsigned maxCount); // null gives no buffer
    explicit WSTRING(const char* ansi);                // CP_ACP conversion; null gives no buffer
    WSTRING(const WSTRING& other);
    WSTRING(WSTRING&& other) noexcept;
    ~WSTRING();

    WSTRING& operator=(const WSTRING& other) { return Assign(other); }
    WSTRING& operator=(WSTRING&& other) noexcept;
    WSTRING& operator=(const wchar_t* source) { return Assign(source); }

    static WSTRING Format(const wchar_t* format, ...);
    static WSTRING FormatV(const wchar_t* format, va_list arguments);

    WSTRING& Assign(const wchar_t* source);
    WSTRING& Assign(const WSTRING& other);

    const wchar_t* Text() const { return text; }
    // Writable block for filling by a Windows call after SetLength; null without a buffer.
    wchar_t* Buffer() { return text; }
    // Never null: L"" for a string without a buffer, for handing to Windows.
    const wchar_t* c_str() const { return text ? text : L""; }
    unsigned Length() const { return text ? length : 0; }
    unsigned Capacity() const { return capacity; } // in characters
    bool HasBuffer() const { return text != nullptr; }
    wchar_t LastChar() const;
    unsigned CountChar(wchar_t c) const;
    // As STRING's: exact, or case-blind as the C runtime folds (A to Z only).
    bool Equals(const wchar_t* other) const;
    bool EqualsNoCase(const wchar_t* other) const;

    // Grows the block as needed and writes the zero. Out of memory, or for a
    // length whose rounded capacity would wrap around, the string stays as it was.
    WSTRING& SetLength(unsigned newLength);
    WSTRING& Append(const wchar_t* other);
    WSTRING& Append(const WSTRING& other);
    WSTRING& Append(wchar_t c);
    WSTRING& EnsureEndsWith(wchar_t c);

    WSTRING operator+(const WSTRING& right) const;
    WSTRING operator+(const wchar_t* right) const;

  private:
    bool Resize(unsigned newLength); // SetLength that says whether it could
    void Free();

    wchar_t* text = nullptr;
    unsigned length = 0;
    unsigned capacity = 0;
};

WSTRING operator+(const wchar_t* left, const WSTRING& right);

unsigned BoundedLength(const wchar_t* text, unsigned maximum);

// How many of the first `count` UTF-16 units of text are kept when text is cut
// to at most `limit` units: never the high half of a surrogate pair without
// its low half, so the cut ends with a whole character.
unsigned WholeUnits(const wchar_t* text, unsigned count, unsigned limit);

// UTF-16 to 8-bit text in `codePage` (taken as 16 bits; 0 = CP_ACP). A count
// of 0 means the text is zero-terminated. Null text or a failed conversion
// gives a string without a buffer.
STRING FromWide(const wchar_t* text, unsigned count = 0, unsigned codePage = CP_ACP);
