#pragma once
// Text for the rich edit controls of the query and About dialogs.

#include "foundation/WideString.h"

#include <windows.h>

// Replaces the whole content of rich edit `controlId` in `dialog`. NT-family
// systems get the UTF-16 text as it is; the others get it in the ANSI code page.
void SetRichText(HWND dialog, int controlId, const WSTRING& text);
