#include "foundation/TextString.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const unsigned kGrowStep = 32;

// Format gives up beyond this block size: _vsnprintf also answers -1 for
// output it cannot encode, and growing forever would only end when the
// address space is exhausted.
const unsigned kFormatLimit = 16u * 1024u * 1024u;

// WM_GETTEXT to a window of another thread must not hang the caller.
const UINT kWindowTextTimeoutMs = 1000;
// Far beyond any real title, small enough to allocate at once.
const DWORD_PTR kWindowTextLimit = 65535;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// True when `p` points into [block, block + size).
bool Inside(const char* p, const char* block, unsigned size) {
    return p && block && p >= block && p < block + size;
}

} // namespace

// _vsnprintf here is msvcrt's (MinGW's default runtime): it answers -1 when
// the output is cut, which drives the growth loop of FormatV.
#ifdef _UCRT
#error "FormatV relies on msvcrt's _vsnprintf"
#endif

unsigned BoundedLength(const char* text, unsigned maximum) {
    if (!text)
        return 0;
    unsigned n = 0;
    while (n < maximum && text[n])
        ++n;
    return n;
}

bool IsIntegerText(const char* text, const char* signs) {
    if (!text || !signs || !*text)
        return false;
    const char* p = text;
    if (!IsDigit(*p)) {
        if (!std::strchr(signs, *p) || !p[1])
            return false; // not a sign, or a lone sign
    }
    for (++p; *p; ++p)
        if (!IsDigit(*p))
            return false;
    return true;
}

STRING::STRING(const char* source) {
    if (!source)
        return;
    unsigned n = static_cast<unsigned>(std::strlen(source));
    if (!Resize(n))
        return;
    std::memcpy(text, source, n);
}

STRING::STRING(const char* source, unsigned maxCount) {
    unsigned n = BoundedLength(source, maxCount);
    if (!Resize(n))
        return;
    if (n)
        std::memcpy(text, source, n);
}

STRING::STRING(const STRING& other) : STRING(other.text) {}

STRING::STRING(STRING&& other) noexcept : text(other.text), length(other.length), capacity(other.capacity) {
    other.text = nullptr;
    other.length = other.capacity = 0;
}

STRING::~STRING() {
    std::free(text);
}

STRING& STRING::operator=(STRING&& other) noexcept {
    if (this != &other) {
        std::free(text);
        text = other.text;
        length = other.length;
        capacity = other.capacity;
        other.text = nullptr;
        other.length = other.capacity = 0;
    }
    return *this;
}

STRING& STRING::SetLength(unsigned newLength) {
    Resize(newLength);
    return *this;
}

bool STRING::Resize(unsigned newLength) {
    if (!text || newLength >= capacity) {
        // The rounded capacity (in bytes) must not wrap around.
        if (newLength >= UINT_MAX - kGrowStep)
            return false;
        unsigned newCapacity = (newLength + kGrowStep) / kGrowStep * kGrowStep;
        char* grown = static_cast<char*>(std::realloc(text, newCapacity));
        if (!grown)
            return false; // the old block stays ours, unchanged
        text = grown;
        capacity = newCapacity;
    }
    length = newLength;
    text[length] = 0;
    return true;
}

STRING STRING::FromWindowText(HWND window) {
    if (!window)
        return STRING("!!**NULL HWND**!!");
    if (!IsWindow(window))
        return STRING("!!**INVALID HWND**!!");

    // Bounded: the window may belong to a hung program.
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kWindowTextTimeoutMs, &answer))
        answer = 0;
    // The length is another program's answer: a negative or absurd one must
    // not size the buffer. A longer text is cut at the cap.
    if (answer > kWindowTextLimit)
        answer = kWindowTextLimit;
    STRING result;
    unsigned size = static_cast<unsigned>(answer);
    if (!result.Resize(size))
        return result;
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, size + 1, reinterpret_cast<LPARAM>(result.text),
                             SMTO_ABORTIFHUNG, kWindowTextTimeoutMs, &copied))
        copied = 0;
    unsigned count = static_cast<unsigned>(copied);
    if (count > size)
        count = size; // a window answering more than it was given room for
    if (count && result.text[count - 1] == 0)
        --count;
    result.SetLength(count);
    return result;
}

STRING STRING::Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    STRING result = FormatV(format, arguments);
    va_end(arguments);
    return result;
}

STRING STRING::FormatV(const char* format, va_list arguments) {
    va_list rest;
    va_copy(rest, arguments);
    if (!format)
        format = va_arg(rest, const char*);

    STRING result;
    int written = -1;
    while (written < 0) {
        unsigned newCapacity = result.capacity + kGrowStep;
        char* block = newCapacity <= kFormatLimit ? static_cast<char*>(std::realloc(result.text, newCapacity))
                                                  : nullptr;
        if (!block) {
            std::free(result.text);
            result.text = nullptr;
            result.length = result.capacity = 0;
            va_end(rest);
            return result;
        }
        result.text = block;
        result.capacity = newCapacity;
        va_list attempt;
        va_copy(attempt, rest);
        written = format ? _vsnprintf(result.text, result.capacity - 1, format, attempt) : 0;
        va_end(attempt);
    }
    va_end(rest);
    result.length = static_cast<unsigned>(written);
    result.text[result.length] = 0;
    return result;
}

STRING& STRING::Assign(const char* source) {
    if (!source) {
        std::free(text);
        text = nullptr;
        length = capacity = 0;
        return *this;
    }
    if (text && source >= text && source <= text + length) {
        unsigned n = static_cast<unsigned>(std::strlen(source));
        std::memmove(text, source, n + 1);
        length = n;
        return *this;
    }
    unsigned n = static_cast<unsigned>(std::strlen(source));
    if (!Resize(n))
        return *this;
    std::memcpy(text, source, n);
    return *this;
}

STRING& STRING::Assign(const STRING& other) {
    return Assign(other.text);
}

char STRING::LastChar() const {
    return text && length ? text[length - 1] : 0;
}

bool STRING::Equals(const char* other) const {
    if (text == other)
        return true;
    return text && other && std::strcmp(text, other) == 0;
}

bool STRING::EqualsNoCase(const char* other) const {
    if (text == other)
        return true;
    return text && other && _stricmp(text, other) == 0;
}

bool STRING::StartsWithNoCase(const char* prefix) const {
    if (!text || !prefix)
        return false;
    unsigned n = BoundedLength(prefix, length + 1);
    return _strnicmp(text, prefix, n) == 0;
}

bool STRING::Contains(char c) const {
    return text && c && std::strchr(text, c);
}

bool STRING::Contains(const char* substring) const {
    return text && substring && std::strstr(text, substring);
}

unsigned STRING::CountChar(char c) const {
    if (!text)
        return 0;
    unsigned count = 0;
    for (unsigned i = 0; i < length; ++i)
        if (text[i] == c)
            ++count;
    return count;
}

int STRING::CountOf(const char* pattern) const {
    if (!text || !pattern)
        return 0;
    if (!*pattern)
        return -1;
    unsigned p = BoundedLength(pattern, length + 1);
    if (p > length)
        return 0;
    int count = 0;
    for (const char* at = std::strstr(text, pattern); at; at = std::strstr(at + p, pattern))
        ++count;
    return count;
}

long STRING::ToInteger() const {
    if (!text)
        return 0;
    STRING copy(text);
    copy.Trim(" \t\r\n");
    if (!IsIntegerText(copy.text, "+-"))
        return 0;
    // strtol rather than atol: out-of-range text clamps instead of being undefined.
    return std::strtol(copy.text, nullptr, 10);
}

STRING& STRING::Append(const char* other) {
    if (!other)
        return *this;
    unsigned n = static_cast<unsigned>(std::strlen(other));
    unsigned old = Length();
    // A pointer into our own block would dangle once realloc moves it.
    bool own = Inside(other, text, capacity);
    unsigned offset = own ? static_cast<unsigned>(other - text) : 0;
    if (n > UINT_MAX - old || !Resize(old + n))
        return *this;
    std::memmove(text + old, own ? text + offset : other, n);
    return *this;
}

STRING& STRING::Append(const STRING& other) {
    if (!other.text)
        return *this;
    unsigned n = other.length; // read before a self-append changes it
    unsigned old = Length();
    bool own = Inside(other.text, text, capacity);
    unsigned offset = own ? static_cast<unsigned>(other.text - text) : 0;
    if (n > UINT_MAX - old || !Resize(old + n))
        return *this;
    std::memmove(text + old, own ? text + offset : other.text, n);
    return *this;
}

STRING& STRING::Append(char c) {
    if (!c)
        return *this;
    unsigned old = Length();
    if (!Resize(old + 1))
        return *this;
    text[old] = c;
    return *this;
}

STRING& STRING::EnsureEndsWith(char c) {
    if (!text)
        return *this;
    if (length == 0 || text[length - 1] != c)
        Append(c);
    return *this;
}

STRING& STRING::Reverse() {
    if (text)
        _strrev(text);
    return *this;
}

STRING& STRING::ToUpper() {
    if (text)
        _strupr(text);
    return *this;
}

STRING& STRING::ToLower() {
    if (text)
        _strlwr(text);
    return *this;
}

STRING& STRING::Keep(unsigned n, int fromFront) {
    if (!text || n >= length)
        return *this;
    if (fromFront != 1)
        std::memmove(text, text + length - n, n);
    return SetLength(n);
}

STRING& STRING::RemoveLeft(unsigned n) {
    if (!text || n > length)
        return *this;
    std::memmove(text, text + n, length - n);
    return SetLength(length - n);
}

STRING STRING::Extract(unsigned start, unsigned end) {
    if (start > end || end >= Length())
        return STRING();
    STRING part(text + start, end - start + 1);
    std::memmove(text + start, text + end + 1, length - end - 1);
    SetLength(length - (end - start + 1));
    return part;
}

STRING STRING::Token(unsigned k, const char* separators, int direction) const {
    if (!text || !separators || !*separators || (direction != 0 && direction != 1))
        return STRING();
    if (direction == 0) {
        STRING reversed(text);
        reversed.Reverse();
        STRING field = reversed.Token(k, separators, 1);
        return field.Reverse();
    }
    const char* p = text;
    for (unsigned i = 0; i < k; ++i) {
        const char* next = std::strpbrk(p, separators);
        if (!next)
            return STRING();
        p = next + 1;
    }
    return STRING(p, static_cast<unsigned>(std::strcspn(p, separators)));
}

STRING STRING::SplitToken(const char* separators, int direction) {
    if (!text || !separators || !*separators || (direction != 0 && direction != 1))
        return STRING();
    STRING field = Token(0, separators, direction);
    unsigned whole = static_cast<unsigned>(std::strlen(text));
    if (field.length >= whole)
        SetLength(0);
    else if (direction == 1)
        RemoveLeft(field.length + 1);
    else
        SetLength(whole - field.length - 1);
    return field;
}

STRING& STRING::Replace(const char* pattern, const char* replacement) {
    if (!pattern || !replacement || !*pattern)
        return *this;
    int count = CountOf(pattern);
    if (count <= 0)
        return *this;

    // Either argument may point into our own text, which is rewritten below.
    STRING patternCopy, replacementCopy;
    if (Inside(pattern, text, capacity))
        pattern = (patternCopy = STRING(pattern)).text;
    if (Inside(replacement, text, capacity))
        replacement = (replacementCopy = STRING(replacement)).text;

    unsigned p = BoundedLength(pattern, length + 1);
    unsigned r = static_cast<unsigned>(std::strlen(replacement));
    char* old = _strdup(text);
    if (!old)
        return *this;
    unsigned oldLength = static_cast<unsigned>(std::strlen(old));
    if (!Resize(oldLength + (r - p) * static_cast<unsigned>(count))) {
        std::free(old);
        return *this;
    }
    char* out = text;
    for (const char* in = old; *in;) {
        if (std::strncmp(in, pattern, p) == 0) {
            std::memcpy(out, replacement, r);
            out += r;
            in += p;
        } else {
            *out++ = *in++;
        }
    }
    std::free(old);
    return SetLength(static_cast<unsigned>(out - text));
}

unsigned STRING::SpanCount(const char* set, int direction) const {
    if (!text || !set || !*set)
        return 0;
    if (direction == 1)
        return static_cast<unsigned>(std::strspn(text, set));
    unsigned count = 0;
    while (count < length) {
        char c = text[length - 1 - count];
        if (!c || !std::strchr(set, c))
            break;
        ++count;
    }
    return count;
}

STRING& STRING::TrimLeft(const char* set) {
    if (!text || !set || !*set)
        return *this;
    return RemoveLeft(SpanCount(set, 1));
}

STRING& STRING::TrimRight(const char* set) {
    if (!text || !set || !*set)
        return *this;
    return SetLength(length - SpanCount(set, 0));
}

STRING& STRING::Trim(const char* set) {
    TrimLeft(set);
    return TrimRight(set);
}

STRING STRING::operator+(const STRING& right) const {
    STRING result(text);
    result.Append(right.text);
    return result;
}

STRING STRING::operator+(const char* right) const {
    STRING result(text);
    result.Append(right);
    return result;
}

STRING operator+(const char* left, const STRING& right) {
    STRING result(left);
    result.Append(right);
    return result;
}
