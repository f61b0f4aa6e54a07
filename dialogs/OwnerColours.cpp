#include "dialogs/OwnerColours.h"

namespace {
// The owner is normally our own window on this thread; a hung one in another
// thread must not freeze the dialog's painting.
UINT const kOwnerTimeoutMs = 2000;
} // namespace

INT_PTR AskOwnerForColours(HWND owner, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!owner)
        return 0;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(owner, message, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG, kOwnerTimeoutMs,
                             &answer))
        return 0;
    return static_cast<INT_PTR>(answer);
}
