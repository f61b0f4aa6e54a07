#pragma once
// This test program started again as a helper process: it runs the
// single-instance layer as a program of its own would and answers through its
// exit code.

char const RTL_PROBE_SWITCH[] = "--rtl-probe";

// Exit code 100 + WasPrevInstRunningAtStartup(); a process ended inside
// AllowMultipleInstances exits with 0 instead.
int RunRtlProbe(int argc, char** argv);
