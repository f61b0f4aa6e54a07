#include "dialogs/RichText.h"

#include "foundation/SystemUtilities.h"

#include <richedit.h>

void SetRichText(HWND dialog, int controlId, const WSTRING& text) {
    HWND control = GetDlgItem(dialog, controlId);
    if (!control)
        return;
    CHARRANGE everything = {0, -1};
    SendMessageA(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&everything));
    if (IsNtPlatform()) {
        SendMessageW(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
    } else {
        STRING narrow = FromWide(text.c_str());
        SendMessageA(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(narrow.c_str()));
    }
}

void LoadRichEditLibrary() {
    static HMODULE const library = LoadSystemLibrary("riched20.dll");
    (void)library;
}
