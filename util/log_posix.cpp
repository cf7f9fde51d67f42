#include "log.h"

#include <stdio.h>
#include <unistd.h>

int log_platform_vformat(char *buffer, int size, const char *format, va_list args)
{
    return vsnprintf(buffer, static_cast<size_t>(size), format, args);
}

void log_platform_print(const char *chars)
{
    printf("%s", chars);
}

void log_platform_fatal_exit()
{
    // _exit skips the exit handlers, so nothing else would flush the fatal line.
    fflush(stdout);
    _exit(1);
}
