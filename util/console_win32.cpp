#include "console.h"

#include <stdlib.h>
#include <windows.h>

constexpr int console_escape_key = 0x1B;
constexpr unsigned int console_key_down_bit = 0x8000;
constexpr DWORD console_pause_ms = 5;

// The Windows console needs no mode change: the key state is read directly.
void console_begin_cycles()
{
}

void console_end_cycles()
{
}

void console_clear()
{
    system("cls");
}

bool console_escape_held()
{
    // The high-order bit of GetAsyncKeyState() is set while the key is down.
    unsigned int state = static_cast<unsigned short>(GetAsyncKeyState(console_escape_key));
    return (state & console_key_down_bit) != 0;
}

void console_pause()
{
    Sleep(console_pause_ms);
}
