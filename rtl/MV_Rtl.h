#pragma once
// MV_Rtl: the maker's small runtime layer. The program only calls it.
//
// Single-instance detection: the first call of AllowMultipleInstances creates
// a named kernel object keyed by the program's file name. If the object was
// already there, another instance was running when this process started.

// allow != 0: several instances may run; this process only records whether
// another instance was already running.
// allow == 0: a process that finds an instance already running ends here, with
// exit code 0.
// Only the first call acts; later calls change nothing.
void AllowMultipleInstances(int allow);

// Nonzero exactly when another instance of this program was running when
// AllowMultipleInstances was first called. 0 before that call.
int WasPrevInstRunningAtStartup();

// Looks again, for a process that found another instance running: nonzero
// while one still runs. Once it returns 0 this process holds the object and
// counts as the first instance. WasPrevInstRunningAtStartup is unchanged.
int IsPrevInstStillRunning();
