#pragma once
// Bounded waits for a condition. Both check the condition, and once the time
// is up check it one last time and answer that; they never fail early.

#include <windows.h>

#include <functional>

// Generous: a list refresh is due every second and a cold Wine start takes
// seconds. The bounds only limit how long a broken build can stall a run.
DWORD const WAIT_MS = 10000;

// Dispatches this thread's messages between looks, every few milliseconds.
// For the thread that owns the windows involved.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = WAIT_MS);

// Looks every few milliseconds without touching any message queue: for a
// second thread that drives windows the test thread runs.
bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs = WAIT_MS);

// Dispatches this thread's messages for that long, for a check that something
// does not happen within the time.
void PumpFor(DWORD ms);
