#pragma once
// MV_WINDOW_CHANGES: learns from the system's window events whether the
// top-level windows may have changed (came, went, were shown, hidden,
// cloaked, uncloaked, retitled or reparented), so a periodic look at them can
// skip the enumeration while nothing happened.
//
// The events are trusted only once each kind that tells of a change has been
// seen for a window of another program: a system that does not deliver them
// across processes, or not at all (Wine 8 reports creations only), keeps
// every look due, and the caller polls as before. Even when trusted, every
// tenth look is due: a change that sends no event (an owner set with
// SetWindowLongPtr) still shows within seconds.
//
// One per thread that pumps messages: the events arrive as that thread's
// messages. The hooks are removed by Stop or the destructor.

#include "foundation/Handles.h"

#include <windows.h>

class MV_WINDOW_CHANGES {
  public:
    MV_WINDOW_CHANGES() = default;
    ~MV_WINDOW_CHANGES();
    MV_WINDOW_CHANGES(const MV_WINDOW_CHANGES&) = delete;
    MV_WINDOW_CHANGES& operator=(const MV_WINDOW_CHANGES&) = delete;

    // Installs the hooks for this thread. false: none could be set, or
    // another object of this process is watching; every look then stays due.
    bool Start();
    void Stop();

    // true when the windows may have changed since the last look that
    // answered true; the caller then enumerates them.
    bool LookDue();
    // One event about window (null: gone already); the hook procedure's
    // filter has let it through.
    void Note(DWORD event, HWND window, bool otherProcess);
    bool Trusted() const;

    // Looks in a row that a trusted watch may skip.
    static unsigned const LOOK_AT_LEAST_EVERY = 10;

  private:
    static void CALLBACK OnEvent(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child,
                                 DWORD thread, DWORD time);
    static MV_WINDOW_CHANGES* watching; // the hook procedure has no context

    EVENT_HOOK hooks[4];
    unsigned seenElsewhere = 0; // one bit per trusted event kind
    bool changed = true;
    unsigned skipped = 0;
};
