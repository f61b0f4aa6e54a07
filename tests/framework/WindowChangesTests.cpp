#include "framework/WindowChanges.h"
#include "support/Poll.h"

#include <gtest/gtest.h>

namespace {

// Every look due, counted over more than one round of skips.
bool EveryLookDue(MV_WINDOW_CHANGES& changes) {
    for (unsigned n = 0; n < 2 * MV_WINDOW_CHANGES::LOOK_AT_LEAST_EVERY; ++n)
        if (!changes.LookDue())
            return false;
    return true;
}

// Trusted as a system that delivers other programs' events would make it;
// the window is gone, so the notes also count as a change.
void TrustAsWindows(MV_WINDOW_CHANGES& changes) {
    for (DWORD event : {EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE, EVENT_OBJECT_NAMECHANGE})
        changes.Note(event, nullptr, true);
}

// A top-level window of this program and a child of it, gone with the test.
struct PROBE_WINDOWS {
    PROBE_WINDOWS()
        : topLevel(CreateWindowExA(0, "STATIC", "Vaylo change probe", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                   nullptr, nullptr, nullptr, nullptr)),
          child(CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 10, 10, topLevel, nullptr, nullptr,
                                nullptr)) {}
    ~PROBE_WINDOWS() { DestroyWindow(topLevel); }
    PROBE_WINDOWS(const PROBE_WINDOWS&) = delete;
    PROBE_WINDOWS& operator=(const PROBE_WINDOWS&) = delete;
    HWND const topLevel, child;
};

TEST(WindowChangesTest, Untrusted_EveryLookIsDue_WhateverThisProgramOrCreationsReport) {
    MV_WINDOW_CHANGES changes;
    EXPECT_TRUE(EveryLookDue(changes));
    // What Wine delivers: creations from everywhere, and this program's own.
    for (DWORD event : {EVENT_OBJECT_SHOW, EVENT_OBJECT_HIDE, EVENT_OBJECT_NAMECHANGE})
        changes.Note(event, nullptr, false);
    changes.Note(EVENT_OBJECT_CREATE, nullptr, true);
    changes.Note(EVENT_OBJECT_DESTROY, nullptr, true);
    EXPECT_FALSE(changes.Trusted());
    EXPECT_TRUE(EveryLookDue(changes));
    // Two kinds of three are not enough.
    changes.Note(EVENT_OBJECT_SHOW, nullptr, true);
    changes.Note(EVENT_OBJECT_HIDE, nullptr, true);
    EXPECT_FALSE(changes.Trusted());
    EXPECT_TRUE(EveryLookDue(changes));
}

TEST(WindowChangesTest, Trusted_QuietLooksSkipped_ExceptEveryTenth_AndAChangeMakesTheNextDue) {
    MV_WINDOW_CHANGES changes;
    TrustAsWindows(changes);
    ASSERT_TRUE(changes.Trusted());
    EXPECT_TRUE(changes.LookDue()); // the notes themselves were changes
    for (unsigned n = 1; n < MV_WINDOW_CHANGES::LOOK_AT_LEAST_EVERY; ++n)
        EXPECT_FALSE(changes.LookDue()) << "look " << n;
    EXPECT_TRUE(changes.LookDue()) << "the tenth look";
    EXPECT_FALSE(changes.LookDue());

    PROBE_WINDOWS probe;
    HWND topLevel = probe.topLevel, child = probe.child;
    ASSERT_TRUE(topLevel && child);
    changes.Note(EVENT_OBJECT_NAMECHANGE, child, true);
    EXPECT_FALSE(changes.LookDue()) << "a child's change does not touch the list";
    changes.Note(EVENT_OBJECT_SHOW, topLevel, false);
    EXPECT_TRUE(changes.LookDue()) << "this program's windows are listed too";
    EXPECT_FALSE(changes.LookDue()) << "one change, one look";

    changes.Stop(); // forgets what it learnt
    EXPECT_FALSE(changes.Trusted());
    EXPECT_TRUE(EveryLookDue(changes));
}

// The real hook procedure: events raised here arrive as this thread's
// messages. Wine raises no show, hide or rename events of its own, so they
// are raised by hand; creations it does raise.
TEST(WindowChangesTest, Hooked_EventsOfWholeTopLevelWindowsOnly_MakeTheNextLookDue) {
    MV_WINDOW_CHANGES changes;
    ASSERT_TRUE(changes.Start());
    MV_WINDOW_CHANGES second;
    EXPECT_FALSE(second.Start()) << "one watch per process";
    TrustAsWindows(changes);
    ASSERT_TRUE(changes.LookDue());

    PROBE_WINDOWS probe;
    HWND topLevel = probe.topLevel, child = probe.child;
    ASSERT_TRUE(topLevel && child);
    EXPECT_TRUE(PumpUntil([&] { return changes.LookDue(); })) << "the creation";
    PumpFor(200);
    ASSERT_FALSE(changes.LookDue());

    NotifyWinEvent(EVENT_OBJECT_SHOW, child, OBJID_WINDOW, CHILDID_SELF);
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, topLevel, OBJID_CLIENT, 3); // an item, not the window
    NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, topLevel, OBJID_WINDOW, CHILDID_SELF); // not watched
    PumpFor(300);
    EXPECT_FALSE(changes.LookDue());

    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, topLevel, OBJID_WINDOW, CHILDID_SELF);
    EXPECT_TRUE(PumpUntil([&] { return changes.LookDue(); })) << "the rename";
    for (DWORD cloaking : {0x8017u, 0x8018u}) { // EVENT_OBJECT_CLOAKED, EVENT_OBJECT_UNCLOAKED
        NotifyWinEvent(cloaking, topLevel, OBJID_WINDOW, CHILDID_SELF);
        EXPECT_TRUE(PumpUntil([&] { return changes.LookDue(); })) << "event " << std::hex << cloaking;
    }

    changes.Stop();
    EXPECT_TRUE(second.Start()) << "free again once stopped";
    second.Stop();
}

} // namespace
