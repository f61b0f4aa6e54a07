#include "foundation/Diagnostics.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace {

TRACE_LISTENER traceListener = nullptr;

} // namespace

void Trace(const char* format, ...) {
    char line[512] = "Vaylo: ";
    size_t prefix = sizeof("Vaylo: ") - 1;
    va_list arguments;
    va_start(arguments, format);
    // Truncation leaves the buffer unterminated in the Microsoft runtime.
    _vsnprintf(line + prefix, sizeof line - prefix - 2, format, arguments);
    va_end(arguments);
    line[sizeof line - 2] = '\0';
    size_t length = 0;
    while (line[length])
        ++length;
    line[length] = '\n';
    line[length + 1] = '\0';
    OutputDebugStringA(line);
    if (traceListener)
        traceListener(line);
}

TRACE_LISTENER SetTraceListener(TRACE_LISTENER listener) {
    TRACE_LISTENER before = traceListener;
    traceListener = listener;
    return before;
}
