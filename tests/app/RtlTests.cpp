// The single-instance layer, across real processes: this test program is
// started again as a probe (see RtlProbe.h). The test process itself never
// calls the layer, so only its probes count as instances.

#include "RtlProbe.h"

#include "rtl/MV_Rtl.h"
#include "support/Process.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

// Probe arguments: allow-values (e.g. "1" or "10" for two calls, 1 then 0;
// a trailing "?" asks again once released: exit code 200 + the answer of
// IsPrevInstStillRunning), ready event name or "-", hold event name or "-".
int RunRtlProbe(int argc, char** argv) {
    if (argc < 3)
        return 2;
    bool askAgain = false;
    for (const char* allow = argv[0]; *allow; ++allow) {
        if (*allow == '?')
            askAgain = true;
        else
            AllowMultipleInstances(*allow - '0');
    }
    int previous = WasPrevInstRunningAtStartup();

    if (std::strcmp(argv[1], "-") != 0) {
        HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
        if (ready == nullptr)
            return 3;
        SetEvent(ready);
        CloseHandle(ready);
    }
    if (std::strcmp(argv[2], "-") != 0) {
        HANDLE hold = OpenEventA(SYNCHRONIZE, FALSE, argv[2]);
        if (hold == nullptr)
            return 4;
        // Bounded: a test that forgets to release the probe still ends it.
        WaitForSingleObject(hold, EXIT_TIMEOUT_MS);
        CloseHandle(hold);
    }
    if (askAgain)
        return 200 + (IsPrevInstStillRunning() != 0 ? 1 : 0);
    return 100 + (previous != 0 ? 1 : 0);
}

namespace {

DWORD const NO_PREVIOUS = 100;
DWORD const PREVIOUS = 101;
DWORD const ENDED_IN_CALL = 0;

bool StartProbe(CHILD_PROCESS& probe, const char* allow, const char* ready = "-", const char* hold = "-") {
    std::string line =
        "\"" + ProgramPath() + "\" " + RTL_PROBE_SWITCH + " " + allow + " " + ready + " " + hold;
    return probe.Start(ProgramPath().c_str(), line);
}

// The answer of a probe that runs alone or next to the holder.
DWORD ProbeAnswer(const char* allow) {
    CHILD_PROCESS probe;
    if (!StartProbe(probe, allow) || !probe.WaitForExit(EXIT_TIMEOUT_MS))
        return 0xFFFFFFFF;
    return probe.ExitCode();
}

// A first instance that stays until released.
class HOLDER {
  public:
    HOLDER() : ready("ready"), hold("hold") {
        started =
            StartProbe(process, "1", ready.name.c_str(), hold.name.c_str()) && ready.Wait(START_TIMEOUT_MS);
    }
    DWORD Release() {
        hold.Set();
        return process.WaitForExit(EXIT_TIMEOUT_MS) ? process.ExitCode() : 0xFFFFFFFF;
    }
    NAMED_EVENT ready;
    NAMED_EVENT hold;
    CHILD_PROCESS process;
    bool started = false;
};

TEST(Rtl, AloneProcess_IsNoSecondInstance) {
    EXPECT_EQ(ProbeAnswer("1"), NO_PREVIOUS);
    EXPECT_EQ(ProbeAnswer("0"), NO_PREVIOUS);
}

TEST(Rtl, WhileFirstRuns_LaterStartsAreSecond_AndAfterItEndedFirstAgain) {
    {
        HOLDER first;
        ASSERT_TRUE(first.started);
        EXPECT_EQ(ProbeAnswer("1"), PREVIOUS);
        EXPECT_EQ(ProbeAnswer("1"), PREVIOUS);
        // Disallowed multiple instances: the later start ends inside the call.
        EXPECT_EQ(ProbeAnswer("0"), ENDED_IN_CALL);
        // Only the first call acts: a later 0 no longer ends the process.
        EXPECT_EQ(ProbeAnswer("10"), PREVIOUS);
        EXPECT_EQ(first.Release(), NO_PREVIOUS);
    }
    EXPECT_EQ(ProbeAnswer("1"), NO_PREVIOUS);
}

// A start that found the first running asks again: while the first runs it
// still does, and once the first has ended it is the first itself.
TEST(Rtl, AskedAgain_TheStartThatWaitedBecomesTheFirstOnceTheOtherEnded) {
    HOLDER first;
    ASSERT_TRUE(first.started);
    EXPECT_EQ(ProbeAnswer("1?"), 201u);

    NAMED_EVENT ready("ready-again"), hold("hold-again");
    CHILD_PROCESS waiting;
    ASSERT_TRUE(StartProbe(waiting, "1?", ready.name.c_str(), hold.name.c_str()) &&
                ready.Wait(START_TIMEOUT_MS));
    EXPECT_EQ(first.Release(), NO_PREVIOUS);
    hold.Set();
    ASSERT_TRUE(waiting.WaitForExit(EXIT_TIMEOUT_MS));
    EXPECT_EQ(waiting.ExitCode(), 200u);
}

} // namespace
