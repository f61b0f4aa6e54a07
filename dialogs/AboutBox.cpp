#include "dialogs/AboutBox.h"

#include "dialogs/Hyperlink.h"
#include "dialogs/LinkLauncher.h"
#include "dialogs/OwnerColours.h"
#include "dialogs/RichText.h"
#include "foundation/SystemUtilities.h"
#include "framework/Metrics.h"
#include "framework/WindowUtilities.h"
#include "resources/resource.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

UINT_PTR const kFiguresTimer = 1;
UINT const kFiguresPeriodMs = 1000;

// Beside the product name, in client pixels from the top at 96 DPI.
int const kIconTop = 22;

COLORREF const kLinkColour = RGB(0, 0, 255);

// A licence is a few pages; a bigger file is shown only this far, so a wrong
// file cannot swallow the program's memory.
unsigned const kLicenceLimit = 1024 * 1024;

// Only a changed figure is written: the statics would flicker every second.
void SetTextIfChanged(HWND dialog, int id, const STRING& text) {
    char shown[64] = {};
    GetDlgItemTextA(dialog, id, shown, sizeof shown);
    if (!text.Equals(shown))
        SetDlgItemTextA(dialog, id, text.c_str());
}

} // namespace

// ---------------------------------------------------------------- MODAL_ABOUT

MODAL_ABOUT::MODAL_ABOUT(const ABOUT_REQUEST& request, const STRING& licence)
    : MV_MODALDIALOG("", licence.Length() ? IDD_ABOUT_LICENCE : IDD_ABOUT, request.owner, request.module),
      moduleInstance(request.module), ownerWindow(request.owner), productIcon(request.icon),
      licenceShown(licence.Length() ? 1 : 0), licenceText(licence) {
    if (licenceShown)
        LoadRichEditLibrary();
}

MODAL_ABOUT::~MODAL_ABOUT() = default;

INT_PTR MODAL_ABOUT::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (IsControlColourMessage(message))
        return AskOwnerForColours(parent, message, wParam, lParam);
    switch (message) {
    case WM_INITDIALOG: return Initialise();
    case WM_PAINT: return PaintIcon();
    case WM_TIMER: return OnTimer(wParam);
    case WM_COMMAND: return OnCommand(wParam);
    case WM_NOTIFY: return OnNotify(reinterpret_cast<const NMHDR*>(lParam));
    case WM_DESTROY: return Close();
    default: return 0;
    }
}

INT_PTR MODAL_ABOUT::Initialise() {
    ConfigureLink(IDC_ABOUT_WEB_SITE, HYPERLINK_SET_CAPTION, STRING("Morvane Utilities"));
    ConfigureLink(IDC_ABOUT_WEB_SITE, HYPERLINK_SET_COLOUR, kLinkColour);
    ConfigureLink(IDC_ABOUT_WEB_SITE, HYPERLINK_SET_UNDERLINE, 1);

    ConfigureLink(IDC_ABOUT_SCIENCE, HYPERLINK_SET_CAPTION, STRING("Stanford University Folding@Home"));
    ConfigureLink(IDC_ABOUT_SCIENCE, HYPERLINK_SET_TARGET, STRING(SCIENCE_PROJECT_PAGE));
    ConfigureLink(IDC_ABOUT_SCIENCE, HYPERLINK_SET_COLOUR, kLinkColour);
    ConfigureLink(IDC_ABOUT_SCIENCE, HYPERLINK_SET_HOVER_COLOUR, GetSysColor(COLOR_BTNTEXT));
    ConfigureLink(IDC_ABOUT_SCIENCE, HYPERLINK_SET_UNDERLINE, 1);

    if (licenceShown)
        ShowLicence();

    STRING file = ModulePath(moduleInstance);
    STRING company = VersionString(file.c_str(), "CompanyName");
    STRING copyright = VersionString(file.c_str(), "LegalCopyright");
    STRING productName = VersionString(file.c_str(), "ProductName");
    STRING title = productName + " " + CleanVersion(VersionString(file.c_str(), "ProductVersion"));

    ConfigureLink(IDC_ABOUT_WEB_SITE, HYPERLINK_SET_TARGET, WebSiteLink(title));
    ConfigureLink(IDC_ABOUT_MAIL, HYPERLINK_SET_CAPTION, STRING(SUPPORT_MAIL));
    ConfigureLink(IDC_ABOUT_MAIL, HYPERLINK_SET_TARGET, MailLink(productName));
    ConfigureLink(IDC_ABOUT_MAIL, HYPERLINK_SET_COLOUR, kLinkColour);
    ConfigureLink(IDC_ABOUT_MAIL, HYPERLINK_SET_UNDERLINE, 1);

    SetDlgItemTextA(hwnd, IDC_ABOUT_TITLE, title.c_str());
    SetDlgItemTextA(hwnd, IDC_ABOUT_COPYRIGHT, copyright.c_str());
    SetDlgItemTextA(hwnd, IDC_ABOUT_COMPANY, company.c_str());

    RefreshSystemFigures(hwnd);
    SetTimer(hwnd, kFiguresTimer, kFiguresPeriodMs, nullptr);

    // Over its owner, with OK in focus: Enter closes the box rather than
    // opening the first link, which the dialog manager would focus.
    CentreWindow(hwnd, ownerWindow);
    SetFocus(GetItem(IDOK));
    return 0;
}

// The control keeps its own copy of the text; ours goes when this returns.
void MODAL_ABOUT::ConfigureLink(int id, WPARAM command, const STRING& text) {
    WSTRING wide(text.c_str());
    SendMessageA(GetItem(id), WM_COMMAND, command, reinterpret_cast<LPARAM>(wide.c_str()));
}

void MODAL_ABOUT::ConfigureLink(int id, WPARAM command, LPARAM value) {
    SendMessageA(GetItem(id), WM_COMMAND, command, value);
}

// A licence longer than the rich edit's default limit (32767 characters)
// would be cut: the limit is raised to the text first. The box then shows
// the licence from its beginning, not where the insertion left the caret.
void MODAL_ABOUT::ShowLicence() {
    SendControlMessage(hwnd, IDC_ABOUT_LICENCE, EM_AUTOURLDETECT, TRUE, 0);
    SendControlMessage(hwnd, IDC_ABOUT_LICENCE, EM_SETEVENTMASK, 0, ENM_LINK | ENM_PROTECTED);
    SendControlMessage(hwnd, IDC_ABOUT_LICENCE, EM_SETREADONLY, TRUE, 0);
    SendControlMessage(hwnd, IDC_ABOUT_LICENCE, EM_EXLIMITTEXT, 0,
                       static_cast<LPARAM>(licenceText.Length()) + 1);
    if (IsNtPlatform()) {
        WSTRING wide(licenceText.c_str());
        SendControlMessage(hwnd, IDC_ABOUT_LICENCE, EM_REPLACESEL, FALSE,
                           reinterpret_cast<LPARAM>(wide.c_str()));
    } else {
        SendControlMessage(hwnd, IDC_ABOUT_LICENCE, EM_REPLACESEL, FALSE,
                           reinterpret_cast<LPARAM>(licenceText.c_str()));
    }
    SendControlMessage(hwnd, IDC_ABOUT_LICENCE, EM_SETSEL, 0, 0);
    SendControlMessage(hwnd, IDC_ABOUT_LICENCE, EM_SCROLLCARET, 0, 0);
}

// Drawn after BeginPaint has erased the background, so every repaint keeps it.
INT_PTR MODAL_ABOUT::PaintIcon() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    if (dc && productIcon) {
        RECT title = GetItemRect(IDC_ABOUT_TITLE);
        DrawIcon(dc, title.right, ScaledPixels(kIconTop), productIcon);
    }
    EndPaint(hwnd, &paint);
    return TRUE;
}

INT_PTR MODAL_ABOUT::OnTimer(WPARAM timer) {
    if (timer == kFiguresTimer)
        RefreshSystemFigures(hwnd);
    return 0;
}

INT_PTR MODAL_ABOUT::OnCommand(WPARAM wParam) {
    WORD id = LOWORD(wParam);
    WORD code = HIWORD(wParam);
    if (id == IDC_ABOUT_LICENCE) {
        // The rich edit leaves parts unpainted when it scrolls on the dialog.
        if (licenceShown && (code == EN_HSCROLL || code == EN_VSCROLL))
            InvalidateRect(GetItem(IDC_ABOUT_LICENCE), nullptr, TRUE);
        return 0;
    }
    if (code == BN_CLICKED && (id == IDOK || id == IDCANCEL))
        EndDialog(hwnd, 0);
    return 0;
}

// The header is read only for this thread's own message (the licence's rich
// edit): another process's WM_NOTIFY carries an address the system does not
// copy, which could name anything in this program.
INT_PTR MODAL_ABOUT::OnNotify(const NMHDR* header) {
    if (!header || SentByAnotherThread() || header->idFrom != IDC_ABOUT_LICENCE || header->code != EN_LINK)
        return 0;
    const ENLINK* link = reinterpret_cast<const ENLINK*>(header);
    if (link->msg == WM_LBUTTONUP) {
        OpenRichEditLink(hwnd, link->chrg);
        SetFocus(GetItem(IDC_ABOUT_LICENCE));
    }
    return 0;
}

INT_PTR MODAL_ABOUT::Close() {
    KillTimer(hwnd, kFiguresTimer);
    return 0;
}

// ---------------------------------------------------------------- functions

void ShowAbout(const ABOUT_REQUEST& request) {
    STRING licence;
    STRING path = LicencePath();
    if (FileExists(path.c_str()))
        licence = ReadLicenceText(path.c_str());
    MODAL_ABOUT about(request, licence);
    about.RunModal();
}

STRING LicencePath() {
    return LicenceFolder() + "licence.txt";
}

// The view ends at the file's end: a file whose size is a multiple of the
// page size has no zero after its text, so the length comes from the size.
STRING ReadLicenceText(const char* path) {
    MAPPED_FILE file(path);
    if (!file.View())
        return STRING();
    unsigned limit = file.Size() < kLicenceLimit ? file.Size() : kLicenceLimit;
    STRING text(reinterpret_cast<const char*>(file.View()), limit);
    return text.Length() ? text : STRING();
}

// The version library is not among those the system always takes from its own
// folder: imported, a file of its name beside the program would be loaded at
// start. Looked up here, from the system folder, when About first asks.
namespace {

struct VERSION_CALLS {
    typedef DWORD(WINAPI* INFO_SIZE)(LPCSTR, LPDWORD);
    typedef BOOL(WINAPI* INFO)(LPCSTR, DWORD, DWORD, LPVOID);
    typedef BOOL(WINAPI* QUERY)(LPCVOID, LPCSTR, LPVOID*, PUINT);
    INFO_SIZE infoSize = nullptr;
    INFO info = nullptr;
    QUERY query = nullptr;
};

const VERSION_CALLS& VersionCalls() {
    static const VERSION_CALLS calls = [] {
        VERSION_CALLS found;
        HMODULE library = LoadSystemLibrary("version.dll");
        if (library != nullptr) {
            found.infoSize = LibraryProc<VERSION_CALLS::INFO_SIZE>(library, "GetFileVersionInfoSizeA");
            found.info = LibraryProc<VERSION_CALLS::INFO>(library, "GetFileVersionInfoA");
            found.query = LibraryProc<VERSION_CALLS::QUERY>(library, "VerQueryValueA");
        }
        return found;
    }();
    return calls;
}

} // namespace

STRING VersionString(const char* filePath, const char* itemName) {
    const VERSION_CALLS& calls = VersionCalls();
    if (!filePath || !itemName || !calls.infoSize || !calls.info || !calls.query)
        return STRING();
    DWORD ignored = 0;
    DWORD size = calls.infoSize(filePath, &ignored);
    if (size == 0)
        return STRING();
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block || !calls.info(filePath, 0, size, block.get()))
        return STRING();
    STRING query = STRING("\\StringFileInfo\\040904B0\\") + itemName;
    void* value = nullptr;
    UINT length = 0;
    if (!calls.query(block.get(), query.c_str(), &value, &length) || !value)
        return STRING();
    return STRING(static_cast<const char*>(value), length);
}

STRING CleanVersion(const STRING& version) {
    STRING cleaned(version);
    cleaned.Replace(",", ".").Replace(" ", "");
    return cleaned.TrimRight(".0");
}

STRING WebSiteLink(const STRING& title) {
    STRING query(title);
    query.Replace(" ", "%20");
    return STRING(MAKER_WEB_SITE) + "?" + query;
}

STRING MailLink(const STRING& productName) {
    return STRING::Format("%s?subject=%s", SUPPORT_MAIL, productName.c_str());
}

STRING MegabytesText(unsigned long long bytes) {
    return STRING::Format("%I64uMB", bytes >> 20);
}

STRING RunTimeText(unsigned long long milliseconds) {
    unsigned long long s = milliseconds / 1000;
    unsigned long long m = s / 60;
    unsigned long long h = m / 60;
    return STRING::Format("%I64ud:%02dh:%02dm:%02ds", h / 24, static_cast<int>(h % 24),
                          static_cast<int>(m % 60), static_cast<int>(s % 60));
}

// GlobalMemoryStatusEx exists from Windows 2000, GetTickCount64 from Vista:
// both are looked up by name so that older systems still start.
SYSTEM_CALLS KernelSystemCalls() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    SYSTEM_CALLS calls;
    calls.memoryStatusEx = LibraryProc<SYSTEM_CALLS::MEMORY_STATUS_EX>(kernel, "GlobalMemoryStatusEx");
    calls.tickCount64 = LibraryProc<SYSTEM_CALLS::TICK_COUNT_64>(kernel, "GetTickCount64");
    return calls;
}

// The older record's size is its own for the build: 32 bytes in a PE32
// program, more in a PE32+ one, whose fields are 64 bits wide.
SYSTEM_FIGURES ReadSystemFigures(const SYSTEM_CALLS& calls) {
    SYSTEM_FIGURES figures;
    MEMORYSTATUSEX wide = {};
    wide.dwLength = sizeof wide;
    if (calls.memoryStatusEx && calls.memoryStatusEx(&wide)) {
        figures.totalMemory = wide.ullTotalPhys;
        figures.availableMemory = wide.ullAvailPhys;
        figures.pageFileInUse =
            wide.ullTotalPageFile > wide.ullAvailPageFile ? wide.ullTotalPageFile - wide.ullAvailPageFile : 0;
    } else {
        MEMORYSTATUS status = {};
        status.dwLength = sizeof status;
        GlobalMemoryStatus(&status);
        figures.totalMemory = status.dwTotalPhys;
        figures.availableMemory = status.dwAvailPhys;
        figures.pageFileInUse = status.dwTotalPageFile > status.dwAvailPageFile
                                    ? status.dwTotalPageFile - status.dwAvailPageFile
                                    : 0;
    }
    figures.runTimeMs = calls.tickCount64 ? calls.tickCount64() : GetTickCount();
    return figures;
}

void RefreshSystemFigures(HWND dialog) {
    static SYSTEM_CALLS const calls = KernelSystemCalls();
    SYSTEM_FIGURES figures = ReadSystemFigures(calls);
    SetTextIfChanged(dialog, IDC_ABOUT_TOTAL_MEMORY, MegabytesText(figures.totalMemory));
    SetTextIfChanged(dialog, IDC_ABOUT_AVAILABLE_MEMORY, MegabytesText(figures.availableMemory));
    SetTextIfChanged(dialog, IDC_ABOUT_PAGE_FILE, MegabytesText(figures.pageFileInUse));
    SetTextIfChanged(dialog, IDC_ABOUT_RUN_TIME, RunTimeText(figures.runTimeMs));
}

LRESULT SendControlMessage(HWND dialog, int controlId, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, controlId);
    if (IsNtPlatform())
        return SendMessageW(control, message, wParam, lParam);
    return SendMessageA(control, message, wParam, lParam);
}

// The buffer has room for twice the range: a range across a line end comes
// back with "\r\n" for each "\r" and would otherwise write past it. Such a
// text no longer matches the range's length and is not opened.
bool OpenRichEditLink(HWND dialog, const CHARRANGE& range) {
    CHARRANGE saved = {};
    SendControlMessage(dialog, IDC_ABOUT_LICENCE, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    CHARRANGE link = range;
    SendControlMessage(dialog, IDC_ABOUT_LICENCE, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&link));

    bool opened = false;
    HWND licenceBox = GetDlgItem(dialog, IDC_ABOUT_LICENCE);
    LONG length = range.cpMax - range.cpMin;
    if (range.cpMin >= 0 && length > 0) {
        unsigned room = 2 * static_cast<unsigned>(length) + 1;
        if (IsNtPlatform()) {
            WSTRING text;
            text.SetLength(room);
            if (text.Buffer()) {
                std::memset(text.Buffer(), 0, (room + 1) * sizeof(wchar_t));
                LRESULT read = SendControlMessage(dialog, IDC_ABOUT_LICENCE, EM_GETSELTEXT, 0,
                                                  reinterpret_cast<LPARAM>(text.Buffer()));
                text.SetLength(BoundedLength(text.Text(), room));
                if (read == length)
                    opened = OpenWebOrMailLink(licenceBox, text.c_str());
            }
        } else {
            STRING text;
            text.SetLength(room);
            if (text.Buffer()) {
                std::memset(text.Buffer(), 0, room + 1);
                LRESULT read = SendControlMessage(dialog, IDC_ABOUT_LICENCE, EM_GETSELTEXT, 0,
                                                  reinterpret_cast<LPARAM>(text.Buffer()));
                text.SetLength(BoundedLength(text.Text(), room));
                if (read == length)
                    opened = OpenWebOrMailLink(licenceBox, WSTRING(text.c_str()).c_str());
            }
        }
    }

    SetFocus(GetDlgItem(dialog, IDOK));
    SendControlMessage(dialog, IDC_ABOUT_LICENCE, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    return opened;
}
