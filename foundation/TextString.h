#pragma once
// STRING: owned, growable, zero-terminated 8-bit text in the ANSI code page.
// Capacity grows in steps of 32 bytes; a default string has no buffer at all,
// which a few operations treat differently from an empty text with a buffer.

#include <windows.h>

#include <cstdarg>

class STRING {
  public:
    STRING() = default;
    STRING(const char* source);                    // null gives no buffer
    STRING(const char* source, unsigned maxCount); // always allocates
    STRING(const STRING& other);
    STRING(STRING&& other) noexcept;
    ~STRING();

    STRING& operator=(const STRING& other) { return Assign(other); }
    STRING& operator=(STRING&& other) noexcept;
    STRING& operator=(const char* source) { return Assign(source); }

    static STRING FromWindowText(HWND window);
    static STRING Format(const char* format, ...);
    static STRING FormatV(const char* format, va_list arguments);

    STRING& Assign(const char* text);
    STRING& Assign(const STRING& other);

    // Queries
    const char* Text() const { return text; }
    // Writable block for filling by a Windows call after SetLength; null without a buffer.
    char* Buffer() { return text; }
    // Never null: "" for a string without a buffer, for handing to Windows.
    const char* c_str() const { return text ? text : ""; }
    unsigned Length() const { return text ? length : 0; }
    unsigned Capacity() const { return capacity; }
    bool HasBuffer() const { return text != nullptr; }
    char LastChar() const;
    bool Equals(const char* other) const;
    bool EqualsNoCase(const char* other) const;
    bool operator==(const char* other) const { return Equals(other); }
    bool operator!=(const char* other) const { return !Equals(other); }
    bool StartsWithNoCase(const char* prefix) const;
    bool Contains(char c) const;
    bool Contains(const char* substring) const;
    unsigned CountChar(char c) const;
    int CountOf(const char* pattern) const;
    long ToInteger() const;

    // Editing in place
    // Grows the block as needed and writes the zero. Out of memory, or for a
    // length whose rounded capacity would wrap around, the string stays as it was.
    STRING& SetLength(unsigned newLength);
    STRING& Append(const char* other);
    STRING& Append(const STRING& other);
    STRING& Append(char c);
    STRING& EnsureEndsWith(char c);
    STRING& Reverse();
    STRING& ToUpper();
    STRING& ToLower();
    STRING& Keep(unsigned n, int fromFront);
    STRING& RemoveLeft(unsigned n);
    STRING Extract(unsigned start, unsigned end);
    STRING Token(unsigned k, const char* separators, int direction) const;
    STRING SplitToken(const char* separators, int direction);
    STRING& Replace(const char* pattern, const char* replacement);
    unsigned SpanCount(const char* set, int direction) const;
    STRING& TrimLeft(const char* set);
    STRING& TrimRight(const char* set);
    STRING& Trim(const char* set);

    STRING operator+(const STRING& right) const;
    STRING operator+(const char* right) const;

  private:
    bool Resize(unsigned newLength); // SetLength that says whether it could
    char* text = nullptr;
    unsigned length = 0;
    unsigned capacity = 0;
};

STRING operator+(const char* left, const STRING& right);

unsigned BoundedLength(const char* text, unsigned maximum);
bool IsIntegerText(const char* text, const char* signs);
