// Imports msvcrt.dll's _vsnprintf_s, which Vista brought and the PE check must reject.
#include <cstdarg>
#include <cstdio>

static int format(char *buffer, const char *format_text, ...)
{
    va_list arguments;
    va_start(arguments, format_text);
    int length = _vsnprintf_s(buffer, 16, _TRUNCATE, format_text, arguments);
    va_end(arguments);
    return length;
}

int main(int argc, char **)
{
    char buffer[16];
    return format(buffer, "%d", argc);
}
