#include "foundation/Handles.h"

#include "foundation/SystemUtilities.h"

#include <utility>

// ---------------------------------------------------------------- WINDOW_DC

WINDOW_DC::WINDOW_DC(HWND owner) : window(owner), dc(GetDC(owner)) {
    if (!dc)
        return;
    stretchMode = GetStretchBltMode(dc);
    backgroundMode = GetBkMode(dc);
    textColour = GetTextColor(dc);
}

WINDOW_DC::~WINDOW_DC() {
    if (!dc)
        return;
    SetStretchBltMode(dc, stretchMode);
    SetBkMode(dc, backgroundMode);
    SetTextColor(dc, textColour);
    ReleaseDC(window, dc);
}

// ---------------------------------------------------------------- MEMORY_DC

MEMORY_DC::MEMORY_DC(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {
    if (!dc)
        return;
    stretchMode = GetStretchBltMode(dc);
    backgroundMode = GetBkMode(dc);
    textColour = GetTextColor(dc);
    backgroundColour = GetBkColor(dc);
    mappingMode = GetMapMode(dc);
}

MEMORY_DC::~MEMORY_DC() {
    if (!dc)
        return;
    if (originalBrush)
        SelectObject(dc, originalBrush);
    if (originalBitmap)
        SelectObject(dc, originalBitmap);
    SetStretchBltMode(dc, stretchMode);
    SetBkMode(dc, backgroundMode);
    SetTextColor(dc, textColour);
    SetBkColor(dc, backgroundColour);
    SetMapMode(dc, mappingMode);
    DeleteDC(dc);
}

void MEMORY_DC::SelectBrush(HBRUSH created) {
    BRUSH_HANDLE owned(created); // deleted here unless the DC takes it
    if (!created || !dc)
        return;
    HGDIOBJ replaced = SelectObject(dc, created);
    if (!replaced)
        return;
    if (!originalBrush)
        originalBrush = replaced;
    brush = std::move(owned); // the brush selected before is out of the DC now
}

void MEMORY_DC::SelectBitmap(HBITMAP picture, bool owned) {
    BITMAP_HANDLE ours(owned ? picture : nullptr);
    if (!picture || !dc)
        return;
    HGDIOBJ replaced = SelectObject(dc, picture);
    if (!replaced)
        return;
    if (!originalBitmap)
        originalBitmap = replaced;
    bitmap = picture;
    ownedBitmap = std::move(ours);
}

namespace {

// The three COM calls the program makes, from ole32 loaded on first need.
struct COM_CALLS {
    typedef HRESULT(WINAPI* INITIALIZE)(LPVOID);
    typedef void(WINAPI* UNINITIALIZE)();
    typedef HRESULT(WINAPI* CREATE)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
    INITIALIZE initialize = nullptr;
    UNINITIALIZE uninitialize = nullptr;
    CREATE create = nullptr;
};

// Held until the process ends: COM objects the system caches (the shell's
// class factories) live in libraries ole32 loaded.
const COM_CALLS& ComCalls() {
    static const COM_CALLS calls = [] {
        COM_CALLS found;
        HMODULE ole = LoadSystemLibrary("ole32.dll");
        if (ole != nullptr) {
            found.initialize = LibraryProc<COM_CALLS::INITIALIZE>(ole, "CoInitialize");
            found.uninitialize = LibraryProc<COM_CALLS::UNINITIALIZE>(ole, "CoUninitialize");
            found.create = LibraryProc<COM_CALLS::CREATE>(ole, "CoCreateInstance");
        }
        if (found.initialize == nullptr || found.uninitialize == nullptr)
            found = COM_CALLS();
        return found;
    }();
    return calls;
}

} // namespace

COM_INIT::COM_INIT()
    : result(ComCalls().initialize != nullptr ? ComCalls().initialize(nullptr) : E_NOTIMPL) {}

COM_INIT::~COM_INIT() {
    if (SUCCEEDED(result))
        ComCalls().uninitialize();
}

HRESULT CreateComObject(REFCLSID type, IUnknown* outer, DWORD context, REFIID interfaceId, void** object) {
    *object = nullptr;
    if (ComCalls().create == nullptr)
        return E_NOTIMPL;
    return ComCalls().create(type, outer, context, interfaceId, object);
}
