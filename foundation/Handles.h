#pragma once
// Holders that each own one Windows handle and release it in one place, their
// destructor (or Close, which the destructor calls). Copying is deleted and
// moving hands the handle over. A holder made from a failed call (null, or
// INVALID_HANDLE_VALUE for a kernel handle) owns nothing and releases nothing.

#include <objbase.h>
#include <windows.h>

template <typename TRAITS> class OWNED_HANDLE {
  public:
    using TYPE = typename TRAITS::TYPE;

    OWNED_HANDLE() = default;
    explicit OWNED_HANDLE(TYPE owned) : handle(owned) {}
    OWNED_HANDLE(const OWNED_HANDLE&) = delete;
    OWNED_HANDLE& operator=(const OWNED_HANDLE&) = delete;
    OWNED_HANDLE(OWNED_HANDLE&& other) noexcept : handle(other.Release()) {}
    OWNED_HANDLE& operator=(OWNED_HANDLE&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ~OWNED_HANDLE() { Close(); }

    TYPE Get() const { return handle; }
    bool IsValid() const { return TRAITS::IsValid(handle); }
    // The caller owns the handle from now on.
    TYPE Release() {
        TYPE owned = handle;
        handle = TYPE();
        return owned;
    }
    // Owns `replacement` from now on; the handle held until now is released.
    void Reset(TYPE replacement = TYPE()) {
        if (replacement == handle)
            return;
        Close();
        handle = replacement;
    }
    // FALSE when there was nothing to release or the release failed.
    BOOL Close() {
        BOOL closed = IsValid() ? TRAITS::Free(handle) : FALSE;
        handle = TYPE();
        return closed;
    }

  private:
    TYPE handle = TYPE();
};

namespace handle_traits {

struct KERNEL {
    using TYPE = HANDLE;
    static bool IsValid(HANDLE handle) { return handle && handle != INVALID_HANDLE_VALUE; }
    static BOOL Free(HANDLE handle) { return CloseHandle(handle); }
};

template <typename GDI_TYPE> struct GDI {
    using TYPE = GDI_TYPE;
    static bool IsValid(GDI_TYPE object) { return object != nullptr; }
    static BOOL Free(GDI_TYPE object) { return DeleteObject(object); }
};

struct ICON {
    using TYPE = HICON;
    static bool IsValid(HICON icon) { return icon != nullptr; }
    static BOOL Free(HICON icon) { return DestroyIcon(icon); }
};

struct MENU {
    using TYPE = HMENU;
    static bool IsValid(HMENU menu) { return menu != nullptr; }
    static BOOL Free(HMENU menu) { return DestroyMenu(menu); }
};

struct MODULE {
    using TYPE = HMODULE;
    static bool IsValid(HMODULE module) { return module != nullptr; }
    static BOOL Free(HMODULE module) { return FreeLibrary(module); }
};

struct KEY {
    using TYPE = HKEY;
    static bool IsValid(HKEY key) { return key != nullptr; }
    static BOOL Free(HKEY key) { return RegCloseKey(key) == ERROR_SUCCESS; }
};

struct WINDOWS_HOOK {
    using TYPE = HHOOK;
    static bool IsValid(HHOOK hook) { return hook != nullptr; }
    static BOOL Free(HHOOK hook) { return UnhookWindowsHookEx(hook); }
};

struct WIN_EVENT_HOOK {
    using TYPE = HWINEVENTHOOK;
    static bool IsValid(HWINEVENTHOOK hook) { return hook != nullptr; }
    static BOOL Free(HWINEVENTHOOK hook) { return UnhookWinEvent(hook); }
};

} // namespace handle_traits

// Process, thread, file, mapping, event.
using KERNEL_HANDLE = OWNED_HANDLE<handle_traits::KERNEL>;
using FONT_HANDLE = OWNED_HANDLE<handle_traits::GDI<HFONT>>;
using BRUSH_HANDLE = OWNED_HANDLE<handle_traits::GDI<HBRUSH>>;
using BITMAP_HANDLE = OWNED_HANDLE<handle_traits::GDI<HBITMAP>>;
// Only icons the program made or extracted: a shared icon from LoadIcon or
// another window's icon is never destroyed.
using ICON_HANDLE = OWNED_HANDLE<handle_traits::ICON>;
using MENU_HANDLE = OWNED_HANDLE<handle_traits::MENU>;
using LOADED_MODULE = OWNED_HANDLE<handle_traits::MODULE>;
using OPEN_KEY = OWNED_HANDLE<handle_traits::KEY>;
// From SetWindowsHookEx.
using HOOK_HANDLE = OWNED_HANDLE<handle_traits::WINDOWS_HOOK>;
// From SetWinEventHook.
using EVENT_HOOK = OWNED_HANDLE<handle_traits::WIN_EVENT_HOOK>;

// A window's DC from GetDC, with the stretch mode, background mode and text
// colour it had; all three are put back and the DC released on destruction.
class WINDOW_DC {
  public:
    explicit WINDOW_DC(HWND owner);
    WINDOW_DC(const WINDOW_DC&) = delete;
    WINDOW_DC& operator=(const WINDOW_DC&) = delete;
    ~WINDOW_DC();

    HDC Get() const { return dc; }

  private:
    HWND window;
    HDC dc;
    int stretchMode = 0;
    int backgroundMode = 0;
    COLORREF textColour = 0;
};

// A memory DC compatible with another DC. It holds at most one brush (always
// its own) and one bitmap (its own or borrowed); on destruction it selects the
// original objects back, deletes what it owns, restores the five recorded
// settings and deletes the DC.
class MEMORY_DC {
  public:
    explicit MEMORY_DC(HDC compatibleWith);
    MEMORY_DC(const MEMORY_DC&) = delete;
    MEMORY_DC& operator=(const MEMORY_DC&) = delete;
    ~MEMORY_DC();

    HDC Get() const { return dc; }
    // Takes ownership of `created`; a brush selected before is deleted.
    void SelectBrush(HBRUSH created);
    HBRUSH Brush() const { return brush.Get(); }
    void SelectBitmap(HBITMAP picture, bool owned);
    HBITMAP Bitmap() const { return bitmap; }

  private:
    HDC dc;
    int stretchMode = 0;
    int backgroundMode = 0;
    COLORREF textColour = 0;
    COLORREF backgroundColour = 0;
    int mappingMode = 0;
    // The destructor's body selects the originals back; the holders then
    // delete what is ours.
    BRUSH_HANDLE brush;
    HGDIOBJ originalBrush = nullptr;
    HBITMAP bitmap = nullptr;
    BITMAP_HANDLE ownedBitmap; // bitmap itself when it is ours
    HGDIOBJ originalBitmap = nullptr;
};

// The process-wide lock: a thin wrapper of a Windows critical section, taken
// through SCOPED_LOCK.
class CSECTION {
  public:
    CSECTION() { InitializeCriticalSection(&section); }
    CSECTION(const CSECTION&) = delete;
    CSECTION& operator=(const CSECTION&) = delete;
    virtual ~CSECTION() { DeleteCriticalSection(&section); }

    void Enter() { EnterCriticalSection(&section); }
    void Leave() { LeaveCriticalSection(&section); }

  private:
    CRITICAL_SECTION section;
};

class SCOPED_LOCK {
  public:
    explicit SCOPED_LOCK(CSECTION& taken) : lock(taken) { lock.Enter(); }
    SCOPED_LOCK(const SCOPED_LOCK&) = delete;
    SCOPED_LOCK& operator=(const SCOPED_LOCK&) = delete;
    ~SCOPED_LOCK() { lock.Leave(); }

  private:
    CSECTION& lock;
};

// COM on the calling thread for the holder's lifetime. ole32 is loaded, by
// its full path, by the first holder, not imported: it and what it brings
// (oleaut32, combase, rpcrt4) then cost nothing to a run that never creates
// a shell link or opens a link. A failed initialisation, or a system without
// the library, is not undone; Initialised() tells which it was.
class COM_INIT {
  public:
    COM_INIT();
    COM_INIT(const COM_INIT&) = delete;
    COM_INIT& operator=(const COM_INIT&) = delete;
    ~COM_INIT();

    bool Initialised() const { return SUCCEEDED(result); }

  private:
    HRESULT result;
};

// CoCreateInstance through the library COM_INIT loaded; E_NOTIMPL without it.
HRESULT CreateComObject(REFCLSID type, IUnknown* outer, DWORD context, REFIID interfaceId, void** object);

// Raises a re-entrancy flag for as long as it lives, however the scope ends.
template <typename FLAG> class SCOPED_FLAG {
  public:
    explicit SCOPED_FLAG(FLAG& raised) : flag(raised) { flag = 1; }
    SCOPED_FLAG(const SCOPED_FLAG&) = delete;
    SCOPED_FLAG& operator=(const SCOPED_FLAG&) = delete;
    ~SCOPED_FLAG() { flag = 0; }

  private:
    FLAG& flag;
};
