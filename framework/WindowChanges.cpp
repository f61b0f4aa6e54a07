#include "framework/WindowChanges.h"

namespace {

// Not in the headers for Windows XP.
DWORD const OBJECT_CLOAKED = 0x8017;
DWORD const OBJECT_UNCLOAKED = 0x8018;

// The kinds of event that tell of a change to the list of top-level windows,
// as ranges for SetWinEventHook: one hook per range keeps out the events in
// between (a location change per mouse move, focus and selection).
struct EVENT_RANGE {
    DWORD first, last;
};
EVENT_RANGE const WATCHED[] = {
    {EVENT_OBJECT_CREATE, EVENT_OBJECT_HIDE}, // create, destroy, show, hide
    {EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE},
    {EVENT_OBJECT_PARENTCHANGE, EVENT_OBJECT_PARENTCHANGE},
    // Windows 8 on: a window moved to or from another virtual desktop, a
    // Store app's frame suspended or resumed, stays WS_VISIBLE throughout.
    {OBJECT_CLOAKED, OBJECT_UNCLOAKED},
};

// The kinds that must have come from another program before a quiet queue
// means nothing changed. Creation is left out (Wine reports it, and little
// else), and so is destruction: by the time it arrives the window is gone and
// its program can no longer be asked.
unsigned KindBit(DWORD event) {
    switch (event) {
    case EVENT_OBJECT_SHOW: return 1;
    case EVENT_OBJECT_HIDE: return 2;
    case EVENT_OBJECT_NAMECHANGE: return 4;
    default: return 0;
    }
}
unsigned const ALL_KINDS = 1 | 2 | 4;

} // namespace

MV_WINDOW_CHANGES* MV_WINDOW_CHANGES::watching = nullptr;

MV_WINDOW_CHANGES::~MV_WINDOW_CHANGES() {
    Stop();
}

bool MV_WINDOW_CHANGES::Start() {
    if (watching != nullptr)
        return watching == this;
    bool any = false;
    for (size_t n = 0; n < sizeof hooks / sizeof hooks[0]; ++n) {
        // Out of context: nothing is loaded into other programs, and the
        // events wait in this thread's queue until it pumps.
        hooks[n].Reset(SetWinEventHook(WATCHED[n].first, WATCHED[n].last, nullptr, OnEvent, 0, 0,
                                       WINEVENT_OUTOFCONTEXT));
        any = any || hooks[n].IsValid();
    }
    if (any)
        watching = this;
    return any;
}

void MV_WINDOW_CHANGES::Stop() {
    for (EVENT_HOOK& hook : hooks)
        hook.Close();
    if (watching == this)
        watching = nullptr;
    seenElsewhere = 0;
    changed = true;
}

bool MV_WINDOW_CHANGES::Trusted() const {
    return seenElsewhere == ALL_KINDS;
}

bool MV_WINDOW_CHANGES::LookDue() {
    if (Trusted() && !changed && ++skipped < LOOK_AT_LEAST_EVERY)
        return false;
    changed = false;
    skipped = 0;
    return true;
}

void MV_WINDOW_CHANGES::Note(DWORD event, HWND window, bool otherProcess) {
    if (otherProcess)
        seenElsewhere |= KindBit(event);
    // A child's changes do not touch the list; a window already gone has no
    // parent to ask, and counts.
    HWND parent = window != nullptr ? GetAncestor(window, GA_PARENT) : nullptr;
    if (parent == nullptr || parent == GetDesktopWindow())
        changed = true;
}

// Only events about whole windows: a list box item or a caret is not one.
void CALLBACK MV_WINDOW_CHANGES::OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                                         DWORD, DWORD) {
    if (watching == nullptr || object != OBJID_WINDOW || child != CHILDID_SELF || window == nullptr)
        return;
    DWORD process = 0; // stays 0 for a window already gone
    GetWindowThreadProcessId(window, &process);
    watching->Note(event, window, process != 0 && process != GetCurrentProcessId());
}
