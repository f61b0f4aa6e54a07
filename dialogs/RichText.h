#pragma once
// Text for the rich edit controls of the query and About dialogs.

#include "foundation/WideString.h"

#include <windows.h>

// Loads the rich edit library (version 2.0, the "RichEdit20W" class) from the
// system folder, once, and keeps it for the process: called as a dialog with
// such a control is made, so a run that opens none never loads it (nor the
// COM libraries it imports). Without it those dialogs fail to open.
void LoadRichEditLibrary();

// Replaces the whole content of rich edit `controlId` in `dialog`. NT-family
// systems get the UTF-16 text as it is; the others get it in the ANSI code page.
void SetRichText(HWND dialog, int controlId, const WSTRING& text);
