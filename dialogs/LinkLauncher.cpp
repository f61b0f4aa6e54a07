#include "dialogs/LinkLauncher.h"

#include "foundation/Diagnostics.h"
#include "foundation/Handles.h"
#include "foundation/SystemUtilities.h"

#include <shellapi.h>

#include <initializer_list>

namespace {

// Explorer reads the Shift state while it starts up, which is after
// CreateProcess has returned: the key stays down that long.
DWORD const kShiftHoldMs = 500;

// The two text forms share every step; they differ in the character type, the
// string class, the system calls and the character that keeps a text with
// "@" from being a mail address.
struct WIDE_FORM {
    typedef wchar_t CHAR;
    typedef WSTRING TEXT;
    static constexpr const wchar_t* mailto = L"mailto:";
    static constexpr const wchar_t* scheme = L"://";
    static constexpr const wchar_t* http = L"http://";
    static constexpr const wchar_t* explorer = L"explorer \"";
    static constexpr const wchar_t* quoteEscape = L"%22";
    static constexpr wchar_t notMail = L'/';

    static bool ShellOpen(HWND owner, const wchar_t* target) {
        return reinterpret_cast<INT_PTR>(
                   ShellExecuteW(owner, L"open", target, nullptr, nullptr, SW_SHOWNORMAL)) > 32;
    }
};

struct NARROW_FORM {
    typedef char CHAR;
    typedef STRING TEXT;
    static constexpr const char* mailto = "mailto:";
    static constexpr const char* scheme = "://";
    static constexpr const char* http = "http://";
    static constexpr const char* explorer = "explorer \"";
    static constexpr const char* quoteEscape = "%22";
    static constexpr char notMail = ':';

    static bool ShellOpen(HWND owner, const char* target) {
        return reinterpret_cast<INT_PTR>(
                   ShellExecuteA(owner, "open", target, nullptr, nullptr, SW_SHOWNORMAL)) > 32;
    }
};

template <typename CHAR> unsigned Length(const CHAR* text) {
    unsigned n = 0;
    while (text[n])
        ++n;
    return n;
}

template <typename CHAR> bool HasChar(const CHAR* text, CHAR c) {
    for (; *text; ++text)
        if (*text == c)
            return true;
    return false;
}

template <typename CHAR> bool HasPart(const CHAR* text, const CHAR* part) {
    for (; *text; ++text) {
        unsigned i = 0;
        while (part[i] && text[i] == part[i])
            ++i;
        if (!part[i])
            return true;
    }
    return false;
}

template <typename CHAR> CHAR AsciiLower(CHAR c) {
    return c >= 'A' && c <= 'Z' ? static_cast<CHAR>(c - 'A' + 'a') : c;
}

// ASCII letters only: a scheme name is ASCII under every code page.
template <typename CHAR> bool StartsWithNoCase(const CHAR* text, const CHAR* prefix) {
    for (; *prefix; ++text, ++prefix)
        if (AsciiLower(*text) != AsciiLower(*prefix))
            return false;
    return true;
}

// A path is looked at before "@": "C:\mail@home\notes.txt" is a path, and no
// mail address has ":" as its second character. A text that already names
// the mail scheme is a mail address whatever else it holds.
template <typename FORM> LINK_KIND Classify(const typename FORM::CHAR* text) {
    if (!text)
        return LINK_KIND::WEB;
    if (StartsWithNoCase(text, FORM::mailto))
        return LINK_KIND::MAIL;
    if (Length(text) >= 3 && text[1] == ':')
        return LINK_KIND::LOCAL_PATH;
    if (HasChar(text, static_cast<typename FORM::CHAR>('@')) && !HasChar(text, FORM::notMail))
        return LINK_KIND::MAIL;
    return LINK_KIND::WEB;
}

template <typename FORM> typename FORM::TEXT Target(const typename FORM::CHAR* text) {
    typename FORM::TEXT target;
    if (!text)
        return target;
    if (Classify<FORM>(text) == LINK_KIND::MAIL && !StartsWithNoCase(text, FORM::mailto))
        target = FORM::mailto;
    target.Append(text);
    return target;
}

// A double quote inside the address would end the quoted argument early; in
// a web address it is written %22 anyway.
template <typename FORM>
typename FORM::TEXT CommandLine(const typename FORM::TEXT& windowsFolder,
                                const typename FORM::CHAR* address) {
    typename FORM::TEXT line(windowsFolder);
    line.Append(FORM::explorer);
    if (!HasPart(address, FORM::scheme))
        line.Append(FORM::http);
    for (; *address; ++address) {
        if (*address == '"')
            line.Append(FORM::quoteEscape);
        else
            line.Append(*address);
    }
    return line.Append(static_cast<typename FORM::CHAR>('"'));
}

bool Fail(const char* why) {
    Trace("link not opened: %s", why);
    MessageBeep(MB_ICONEXCLAMATION);
    return false;
}

// The Shift key as a synthesised key event, down for as long as the object
// lives. The scan code is the Shift key's own, so a program that reads scan
// codes sees Shift too.
class SYNTHETIC_SHIFT {
  public:
    SYNTHETIC_SHIFT() : scanCode(static_cast<BYTE>(MapVirtualKeyA(VK_SHIFT, 0))) {
        keybd_event(VK_SHIFT, scanCode, 0, 0);
    }
    SYNTHETIC_SHIFT(const SYNTHETIC_SHIFT&) = delete;
    SYNTHETIC_SHIFT& operator=(const SYNTHETIC_SHIFT&) = delete;
    ~SYNTHETIC_SHIFT() { keybd_event(VK_SHIFT, scanCode, KEYEVENTF_KEYUP, 0); }

  private:
    BYTE scanCode;
};

template <typename FORM> bool LaunchExplorer(const typename FORM::TEXT& commandLine) {
    PROCESS_INFORMATION info = {};
    bool started;
    {
        SYNTHETIC_SHIFT shift;
        started = LaunchOnDesktop(commandLine.c_str(), &info);
        if (started)
            Sleep(kShiftHoldMs);
    }
    if (!started)
        return Fail("explorer could not be started");
    KERNEL_HANDLE process(info.hProcess);
    return true;
}

template <typename FORM>
bool Open(HWND owner, const typename FORM::CHAR* text, const typename FORM::TEXT& windowsFolder) {
    if (!text || !*text)
        return Fail("empty text");
    if (Classify<FORM>(text) == LINK_KIND::WEB)
        return LaunchExplorer<FORM>(CommandLine<FORM>(windowsFolder, text));
    // The shell may hand a mail or file link to an extension made through COM.
    COM_INIT com;
    if (!FORM::ShellOpen(owner, Target<FORM>(text).c_str()))
        return Fail("the shell did not open it");
    return true;
}

} // namespace

LINK_KIND ClassifyLink(const wchar_t* text) {
    return Classify<WIDE_FORM>(text);
}

LINK_KIND ClassifyLink(const char* text) {
    return Classify<NARROW_FORM>(text);
}

WSTRING ShellTarget(const wchar_t* text) {
    return Target<WIDE_FORM>(text);
}

STRING ShellTarget(const char* text) {
    return Target<NARROW_FORM>(text);
}

WSTRING ExplorerCommandLine(const WSTRING& windowsFolder, const wchar_t* address) {
    return CommandLine<WIDE_FORM>(windowsFolder, address ? address : L"");
}

STRING ExplorerCommandLine(const STRING& windowsFolder, const char* address) {
    return CommandLine<NARROW_FORM>(windowsFolder, address ? address : "");
}

bool OpenLink(HWND owner, const wchar_t* text) {
    if (IsNtPlatform())
        return OpenLinkWide(owner, text, WindowsFolderW());
    STRING narrow = text ? FromWide(text) : STRING();
    return OpenLinkNarrow(owner, narrow.c_str(), WindowsFolder());
}

bool IsWebOrMailLink(const wchar_t* text) {
    if (!text)
        return false;
    for (const wchar_t* prefix : {L"http://", L"https://", L"mailto:", L"www."})
        if (StartsWithNoCase(text, prefix))
            return true;
    return false;
}

bool OpenWebOrMailLink(HWND owner, const wchar_t* text) {
    if (!IsWebOrMailLink(text))
        return Fail("neither a web nor a mail address");
    return OpenLink(owner, text);
}

bool OpenLinkWide(HWND owner, const wchar_t* text, const WSTRING& windowsFolder) {
    return Open<WIDE_FORM>(owner, text, windowsFolder);
}

bool OpenLinkNarrow(HWND owner, const char* text, const STRING& windowsFolder) {
    return Open<NARROW_FORM>(owner, text, windowsFolder);
}
