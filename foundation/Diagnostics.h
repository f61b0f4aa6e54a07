#pragma once
// Traces of what would otherwise fail silently: a settings write refused, a
// tray icon the shell did not take, an exception stopped at a dialog
// procedure. Each is one OutputDebugStringA line beginning "Vaylo: ", which a
// debugger or a debug viewer shows on Windows and WINEDEBUG=+debugstr under
// Wine; nothing is printed or stored in normal use.

// printf-style; a line longer than 511 characters is cut.
void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A process that wants its own record of the lines (a test, a diagnostic
// build) receives each of them here too, after OutputDebugStringA. Returns
// the listener set before; null sets none.
typedef void (*TRACE_LISTENER)(const char* line);
TRACE_LISTENER SetTraceListener(TRACE_LISTENER listener);
