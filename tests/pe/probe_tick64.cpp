// Imports a Vista function, which the PE check must reject.
#define _WIN32_WINNT 0x0600
#include <windows.h>

int main()
{
    return static_cast<int>(GetTickCount64() & 1);
}
