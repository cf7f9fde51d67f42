// Imports msvcrt.dll's _vsnprintf_s, which Vista brought and the PE check must reject.
#include <stdarg.h>
#include <stdio.h>

int main()
{
    char buffer[16];
    va_list no_arguments = {};
    return _vsnprintf_s(buffer, sizeof buffer, _TRUNCATE, "", no_arguments);
}
