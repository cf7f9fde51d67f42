#include "log.h"

#include <stdio.h>
#include <windows.h>

int log_platform_vformat(char *buffer, int size, const char *format, va_list args)
{
    // msvcrt's _vsnprintf returns -1 on truncation and leaves an exactly-full buffer unterminated.
    return _vsnprintf(buffer, static_cast<size_t>(size), format, args);
}

void log_platform_print(const char *chars)
{
    // mingw routes plain printf to its own formatter in C++; the console writer is msvcrt's.
    __ms_printf("%s", chars);
}

void log_platform_fatal_exit()
{
    // ExitProcess skips msvcrt's exit handlers, so nothing else would flush the fatal line.
    fflush(stdout);
    if (IsDebuggerPresent()) {
        DebugBreak();
    }
    ExitProcess(1);
}
