#include "foundation/WideString.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

const unsigned kGrowStep = 32;
const unsigned kFormatLimit = 8u * 1024u * 1024u; // characters; see STRING::FormatV

bool Inside(const wchar_t* p, const wchar_t* block, unsigned count) {
    return p && block && p >= block && p < block + count;
}

} // namespace

#ifdef _UCRT
#error "WSTRING::FormatV relies on msvcrt's _vsnwprintf"
#endif

unsigned BoundedLength(const wchar_t* text, unsigned maximum) {
    if (!text)
        return 0;
    unsigned n = 0;
    while (n < maximum && text[n])
        ++n;
    return n;
}

unsigned WholeUnits(const wchar_t* text, unsigned count, unsigned limit) {
    if (!text || count <= limit)
        return text ? count : 0;
    // The unit after the cut is the low half of a pair whose high half ends the cut.
    if (limit > 0 && IS_HIGH_SURROGATE(text[limit - 1]) && IS_LOW_SURROGATE(text[limit]))
        return limit - 1;
    return limit;
}

WSTRING::WSTRING(const wchar_t* source) {
    if (!source)
        return;
    unsigned n = static_cast<unsigned>(std::wcslen(source));
    if (!Resize(n))
        return;
    std::memcpy(text, source, n * sizeof(wchar_t));
}

WSTRING::WSTRING(const wchar_t* source, unsigned maxCount) {
    if (!source)
        return;
    unsigned n = BoundedLength(source, maxCount);
    if (!Resize(n))
        return;
    std::wcsncpy(text, source, n);
    text[n] = 0;
}

WSTRING::WSTRING(const char* ansi) {
    if (!ansi)
        return;
    int needed = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi, -1, nullptr, 0);
    // Without a block the call below would only count again, and the length
    // be read from nowhere.
    if (needed <= 0 || !Resize(static_cast<unsigned>(needed) + 1))
        return;
    if (MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi, -1, text, static_cast<int>(capacity)) > 0)
        length = static_cast<unsigned>(std::wcslen(text));
    else
        Free();
}

WSTRING::WSTRING(const WSTRING& other) {
    if (!other.text)
        return;
    if (!Resize(other.length))
        return;
    std::memcpy(text, other.text, (other.length + 1) * sizeof(wchar_t));
}

WSTRING::WSTRING(WSTRING&& other) noexcept
    : text(other.text), length(other.length), capacity(other.capacity) {
    other.text = nullptr;
    other.length = other.capacity = 0;
}

WSTRING::~WSTRING() {
    Free();
}

WSTRING& WSTRING::operator=(WSTRING&& other) noexcept {
    if (this != &other) {
        Free();
        text = other.text;
        length = other.length;
        capacity = other.capacity;
        other.text = nullptr;
        other.length = other.capacity = 0;
    }
    return *this;
}

void WSTRING::Free() {
    std::free(text);
    text = nullptr;
    length = capacity = 0;
}

WSTRING& WSTRING::SetLength(unsigned newLength) {
    Resize(newLength);
    return *this;
}

bool WSTRING::Resize(unsigned newLength) {
    if (!text || newLength >= capacity) {
        // The rounded capacity (in bytes) must not wrap around.
        if (newLength >= (UINT_MAX / sizeof(wchar_t)) - kGrowStep)
            return false;
        unsigned newCapacity = (newLength + kGrowStep) / kGrowStep * kGrowStep;
        wchar_t* grown = static_cast<wchar_t*>(std::realloc(text, newCapacity * sizeof(wchar_t)));
        if (!grown)
            return false; // the old block stays ours, unchanged
        text = grown;
        capacity = newCapacity;
    }
    length = newLength;
    text[length] = 0;
    return true;
}

WSTRING WSTRING::Format(const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    WSTRING result = FormatV(format, arguments);
    va_end(arguments);
    return result;
}

WSTRING WSTRING::FormatV(const wchar_t* format, va_list arguments) {
    va_list rest;
    va_copy(rest, arguments);
    if (!format)
        format = va_arg(rest, const wchar_t*);

    WSTRING result;
    int written = -1;
    while (written < 0) {
        unsigned newCapacity = result.capacity + kGrowStep;
        wchar_t* block = newCapacity <= kFormatLimit
                             ? static_cast<wchar_t*>(std::realloc(result.text, newCapacity * sizeof(wchar_t)))
                             : nullptr;
        if (!block) {
            result.Free();
            va_end(rest);
            return result;
        }
        result.text = block;
        result.capacity = newCapacity;
        va_list attempt;
        va_copy(attempt, rest);
        written = format ? _vsnwprintf(result.text, result.capacity - 1, format, attempt) : 0;
        va_end(attempt);
    }
    va_end(rest);
    result.length = static_cast<unsigned>(written);
    result.text[result.length] = 0;
    return result;
}

WSTRING& WSTRING::Assign(const wchar_t* source) {
    if (!source) {
        Free();
        return *this;
    }
    unsigned n = static_cast<unsigned>(std::wcslen(source));
    if (text && source >= text && source <= text + length) {
        std::memmove(text, source, (n + 1) * sizeof(wchar_t));
        length = n;
        return *this;
    }
    if (!Resize(n))
        return *this;
    std::memcpy(text, source, n * sizeof(wchar_t));
    return *this;
}

WSTRING& WSTRING::Assign(const WSTRING& other) {
    return Assign(other.text);
}

wchar_t WSTRING::LastChar() const {
    return text && length ? text[length - 1] : 0;
}

bool WSTRING::Equals(const wchar_t* other) const {
    if (text == other)
        return true;
    return text && other && std::wcscmp(text, other) == 0;
}

bool WSTRING::EqualsNoCase(const wchar_t* other) const {
    if (text == other)
        return true;
    return text && other && _wcsicmp(text, other) == 0;
}

unsigned WSTRING::CountChar(wchar_t c) const {
    if (!text)
        return 0;
    unsigned count = 0;
    for (unsigned i = 0; i < length; ++i)
        if (text[i] == c)
            ++count;
    return count;
}

WSTRING& WSTRING::Append(const wchar_t* other) {
    if (!text)
        return Assign(other);
    if (!other)
        return *this;
    unsigned n = static_cast<unsigned>(std::wcslen(other));
    unsigned old = length;
    // A pointer into our own block would dangle once realloc moves it.
    bool own = Inside(other, text, capacity);
    unsigned offset = own ? static_cast<unsigned>(other - text) : 0;
    if (n > UINT_MAX - old || !Resize(old + n))
        return *this;
    std::memmove(text + old, own ? text + offset : other, n * sizeof(wchar_t));
    return *this;
}

WSTRING& WSTRING::Append(const WSTRING& other) {
    if (!text)
        return Assign(other);
    if (!other.text)
        return *this;
    unsigned n = other.length; // read before a self-append changes it
    unsigned old = length;
    bool own = Inside(other.text, text, capacity);
    unsigned offset = own ? static_cast<unsigned>(other.text - text) : 0;
    if (n > UINT_MAX - old || !Resize(old + n))
        return *this;
    std::memmove(text + old, own ? text + offset : other.text, n * sizeof(wchar_t));
    return *this;
}

WSTRING& WSTRING::Append(wchar_t c) {
    if (!c)
        return *this; // would break length == wcslen
    unsigned old = Length();
    if (!Resize(old + 1))
        return *this;
    text[old] = c;
    return *this;
}

WSTRING& WSTRING::EnsureEndsWith(wchar_t c) {
    if (!text)
        return *this;
    if (length == 0 || text[length - 1] != c)
        Append(c);
    return *this;
}

WSTRING WSTRING::operator+(const WSTRING& right) const {
    WSTRING result(*this);
    result.Append(right);
    return result;
}

WSTRING WSTRING::operator+(const wchar_t* right) const {
    WSTRING result(*this);
    result.Append(right);
    return result;
}

WSTRING operator+(const wchar_t* left, const WSTRING& right) {
    WSTRING result(left);
    result.Append(right);
    return result;
}

STRING FromWide(const wchar_t* source, unsigned count, unsigned codePage) {
    STRING result;
    if (!source)
        return result;
    UINT page = static_cast<WORD>(codePage);
    int sourceCount = count ? static_cast<int>(count) : -1;
    int needed = WideCharToMultiByte(page, 0, source, sourceCount, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return result;
    if (result.SetLength(static_cast<unsigned>(needed)).Buffer() == nullptr)
        return result;
    int written =
        WideCharToMultiByte(page, 0, source, sourceCount, result.Buffer(), needed, nullptr, nullptr);
    if (written <= 0)
        return STRING();
    return result.SetLength(BoundedLength(result.Text(), result.Length()));
}
