#include "app/RuleEngine.h"

#include "app/WindowEntries.h"

#include <new>

namespace {

// Events come in bursts (a show of a window and its children): the look at
// them waits this long, so one look takes them all.
UINT const EVENT_DELAY_MS = 30;
// More named windows than this before the look: the rest wait for the
// once-a-second look.
size_t const EVENT_WINDOWS_HELD = 256;
// Looks between two walks that forget the windows that have gone.
unsigned const FORGET_EVERY = 60;

} // namespace

RULE_ENGINE* RULE_ENGINE::watching = nullptr;

bool RuleMayTouch(HWND window, HWND own) {
    WSTRING title;
    return ListableWindow(window, own, title);
}

RULE_ENGINE::~RULE_ENGINE() {
    Stop();
}

bool RULE_ENGINE::Start(HWND ownerWindow, UINT_PTR ownerTimer) {
    if (watching != nullptr)
        return watching == this;
    owner = ownerWindow;
    timer = ownerTimer;
    try {
        eventWindows.reserve(EVENT_WINDOWS_HELD);
    } catch (const std::bad_alloc&) {
        return false; // the looks still find every window
    }
    // Out of context: nothing is loaded into other programs, and the events
    // wait in this thread's queue until it pumps.
    DWORD const events[] = {EVENT_SYSTEM_MINIMIZESTART, EVENT_OBJECT_SHOW};
    bool any = false;
    for (size_t n = 0; n < sizeof hooks / sizeof hooks[0]; ++n) {
        hooks[n].Reset(SetWinEventHook(events[n], events[n], nullptr, OnEvent, 0, 0,
                                       WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS));
        any = any || hooks[n].IsValid();
    }
    if (!any)
        return false;
    watching = this;
    return true;
}

void RULE_ENGINE::Stop() {
    for (EVENT_HOOK& hook : hooks)
        hook.Close();
    if (watching == this)
        watching = nullptr;
    if (owner != nullptr)
        KillTimer(owner, timer);
    owner = nullptr;
    eventWindows.clear();
}

// Only whole windows count, and only while there is a rule to apply. No
// exception may leave: the 32-bit build cannot unwind through user32's
// frames. Room for the windows is made once, at the start.
void CALLBACK RULE_ENGINE::OnEvent(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD) {
    RULE_ENGINE* self = watching;
    if (self == nullptr || object != OBJID_WINDOW || child != CHILDID_SELF || window == nullptr ||
        self->store.Empty() || self->eventWindows.size() >= self->eventWindows.capacity())
        return;
    self->eventWindows.push_back(window);
    SetTimer(self->owner, self->timer, EVENT_DELAY_MS, nullptr);
}

// The held room stays for the next events.
std::vector<HWND> RULE_ENGINE::TakeEventWindows() {
    if (owner != nullptr)
        KillTimer(owner, timer);
    std::vector<HWND> taken(eventWindows);
    eventWindows.clear();
    return taken;
}

WSTRING RULE_ENGINE::ProgramOf(HWND window) {
    DWORD processId = 0;
    if (GetWindowThreadProcessId(window, &processId) == 0 || processId == GetCurrentProcessId())
        return WSTRING();
    return ProgramPathOf(processId);
}

// A window first seen: its program is asked only once there is a rule to
// compare it with (a desktop without rules costs one look-up per window).
RULE_ENGINE::KNOWN& RULE_ENGINE::Know(HWND window) {
    auto found = known.find(window);
    if (found != known.end())
        return found->second;
    KNOWN& fresh = known[window];
    GetWindowThreadProcessId(window, &fresh.processId);
    if (fresh.processId == GetCurrentProcessId())
        fresh.pathAsked = true; // our own windows have no rule
    if (!store.Empty() && !fresh.pathAsked) {
        fresh.path = PathOf(fresh.processId);
        fresh.pathAsked = true;
        fresh.when = fresh.path.Length() != 0 ? store.When(fresh.path.c_str()) : 0;
    }
    return fresh;
}

// A rule switched on or off applies to the known windows from now on; a
// window already seen is not new to a fresh "when opened".
void RULE_ENGINE::FollowStore() {
    if (followed == store.Version())
        return;
    followed = store.Version();
    for (auto& entry : known) {
        KNOWN& window = entry.second;
        if (!window.pathAsked && !store.Empty()) {
            window.path = PathOf(window.processId);
            window.pathAsked = true;
        }
        window.when = window.path.Length() != 0 ? store.When(window.path.c_str()) : 0;
    }
}

// Most windows share their process with others: each process is asked once
// per look (a process id is not reused while the look lasts).
WSTRING RULE_ENGINE::PathOf(DWORD processId) {
    auto found = pathsThisLook.find(processId);
    if (found != pathsThisLook.end())
        return found->second;
    WSTRING path = ProgramPathOf(processId);
    pathsThisLook[processId] = path;
    return path;
}

void RULE_ENGINE::ForgetGoneWindows() {
    for (auto entry = known.begin(); entry != known.end();)
        entry = IsWindow(entry->first) ? std::next(entry) : known.erase(entry);
}

std::vector<RULED_WINDOW> RULE_ENGINE::Due(const std::vector<HWND>& windows, bool listable, HWND own) {
    pathsThisLook.clear();
    FollowStore();
    if (listable && ++looks % FORGET_EVERY == 0)
        ForgetGoneWindows();
    std::vector<RULED_WINDOW> due;
    for (HWND window : windows) {
        if (!listable && known.find(window) == known.end() && !RuleMayTouch(window, own))
            continue;
        KNOWN& seen = Know(window);
        // A window due when opened stays new until it is held (Saw): a
        // program that did not answer in time is asked again at the next look.
        bool opening = seen.newlySeen && (seen.when & RULE_WHEN_OPENED) != 0;
        seen.newlySeen = opening;
        if (seen.when == 0 || seen.refused)
            continue;
        bool minimised = IsIconic(window) != FALSE;
        if (opening || (minimised && (seen.when & RULE_WHEN_MINIMISED)))
            due.push_back(RULED_WINDOW{window, minimised});
    }
    return due;
}

void RULE_ENGINE::Saw(HWND window) {
    pathsThisLook.clear();
    Know(window).newlySeen = false;
}

bool RULE_ENGINE::Refused(HWND window) {
    KNOWN& seen = Know(window);
    seen.refused = true;
    seen.newlySeen = false;
    return told.insert(FoldedPath(seen.path.c_str())).second;
}
