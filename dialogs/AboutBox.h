#pragma once
// The About box, "About": the product's name and version, copyright and
// company from the version resource of the program's own file, three links
// (support mail, the maker's web site, a science project), the memory figures
// and the computer's run time, refreshed every second. When a licence text is
// installed ("licence.txt" in the licence folder beside "bin") the taller
// dialog 138 shows it too, with clickable web addresses; otherwise dialog 135.
//
// Its links are MV_HYPERLINK controls and its licence box a "RichEdit20W":
// both classes must exist before the box opens (start-up registers the one
// and loads riched20.dll for the other).

#include "foundation/TextString.h"
#include "foundation/WideString.h"
#include "framework/ModalDialog.h"

#include <windows.h>

#include <richedit.h>

// The addresses the program opens: the maker's web site and support mail
// address (placeholders under a reserved domain until the maker has its
// own), and the science project's page.
char const MAKER_WEB_SITE[] = "http://www.morvane-utilities.example/";
char const SUPPORT_MAIL[] = "support@morvane-utilities.example";
char const SCIENCE_PROJECT_PAGE[] = "https://foldingathome.org/";

// Who opens the box.
struct ABOUT_REQUEST {
    HINSTANCE module = nullptr; // whose version resource is shown: the program's own
    HWND owner = nullptr;
    HICON icon = nullptr; // drawn beside the product name; none when null
};

class MODAL_ABOUT : public MV_MODALDIALOG {
  public:
    // licence: the text to show; empty, the short dialog 135 without a licence box.
    MODAL_ABOUT(const ABOUT_REQUEST& request, const STRING& licence);
    ~MODAL_ABOUT() override;

    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    bool LicenceShown() const { return licenceShown != 0; }

  private:
    INT_PTR Initialise();
    INT_PTR PaintIcon();
    INT_PTR OnTimer(WPARAM timer);
    INT_PTR OnCommand(WPARAM wParam);
    INT_PTR OnNotify(const NMHDR* header);
    INT_PTR Close();
    void ConfigureLink(int id, WPARAM command, const STRING& text);
    void ConfigureLink(int id, WPARAM command, LPARAM value);
    void ShowLicence();

    HINSTANCE moduleInstance;
    HWND ownerWindow;
    HICON productIcon;
    BYTE licenceShown;
    STRING licenceText; // ANSI code page, as the file holds it
};

// Opens the box for one modal run: dialog 138 when "licence.txt" in the
// licence folder has text to show, dialog 135 when it is missing, empty or
// cannot be read.
void ShowAbout(const ABOUT_REQUEST& request);

// "licence.txt" in the licence folder.
STRING LicencePath();

// The text of a licence file up to its first NUL, its end or 1 MiB, whichever
// comes first; never a byte past the file's end, also when its size is an
// exact multiple of the page size. Empty when it cannot be opened or mapped.
STRING ReadLicenceText(const char* path);

// The item (e.g. "ProductName") of the file's version resource, language
// 0409 and code page 04B0; empty when the file has none or lacks the item.
STRING VersionString(const char* filePath, const char* itemName);

// "," becomes ".", blanks go, and the trailing run of "." and "0" is cut:
// "2, 1, 0, 0" gives "2.1", "2, 1, 1, 5" gives "2.1.1.5".
STRING CleanVersion(const STRING& version);

// The web site with the title as its query, blanks written "%20"; the mail
// address with the product name as its subject, blanks as they are.
STRING WebSiteLink(const STRING& title);
STRING MailLink(const STRING& productName);

// Whole mebibytes, truncated: "%I64uMB" (msvcrt before Vista knows no "ll").
STRING MegabytesText(unsigned long long bytes);
// Days unpadded, then hours, minutes and seconds in two digits: "3d:04h:05m:06s".
STRING RunTimeText(unsigned long long milliseconds);

// The calls that give the figures whole on today's machines; null where the
// system lacks them.
struct SYSTEM_CALLS {
    typedef BOOL(WINAPI* MEMORY_STATUS_EX)(MEMORYSTATUSEX*);
    typedef ULONGLONG(WINAPI* TICK_COUNT_64)();
    MEMORY_STATUS_EX memoryStatusEx = nullptr;
    TICK_COUNT_64 tickCount64 = nullptr;
};
// Kernel32's GlobalMemoryStatusEx and GetTickCount64, looked up by name.
SYSTEM_CALLS KernelSystemCalls();

struct SYSTEM_FIGURES {
    unsigned long long totalMemory = 0, availableMemory = 0, pageFileInUse = 0; // bytes
    unsigned long long runTimeMs = 0;                                           // since the system started
};
// From the given calls; where one is null or fails, from GlobalMemoryStatus
// (clamped at 2 GB or 4 GB, by the build) and GetTickCount (wraps after
// 49.7 days) instead.
SYSTEM_FIGURES ReadSystemFigures(const SYSTEM_CALLS& calls);
// Controls 1006 to 1009: total and available memory, page file in use, run
// time, from KernelSystemCalls.
void RefreshSystemFigures(HWND dialog);

// To control `controlId` of `dialog` with the wide call on NT-family systems,
// the narrow one elsewhere: texts go in that call's encoding.
LRESULT SendControlMessage(HWND dialog, int controlId, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the text of `range` in the licence box with OpenWebOrMailLink, when
// it can be read whole; the focus goes to OK and the selection is put back.
bool OpenRichEditLink(HWND dialog, const CHARRANGE& range);
