#include "console.h"

#include <stdlib.h>
#include <windows.h>

constexpr int console_escape_key = 0x1B;
constexpr int console_space_key = 0x20;
constexpr unsigned int console_key_down_bit = 0x8000;
constexpr DWORD console_pause_ms = 5;

// Space counts when it goes down; one held since before the first look does not.
static bool console_space_was_down = true;

// The Windows console needs no mode change: the key state is read directly.
void console_begin_prompt()
{
}

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

static bool console_key_down(int key)
{
    // The high-order bit of GetAsyncKeyState() is set while the key is down.
    unsigned int state = static_cast<unsigned short>(GetAsyncKeyState(key));
    return (state & console_key_down_bit) != 0;
}

bool console_escape_held()
{
    return console_key_down(console_escape_key);
}

unsigned int console_keys_pressed()
{
    unsigned int keys = console_escape_held() ? console_key_escape : 0u;
    bool space_down = console_key_down(console_space_key);
    if (space_down && !console_space_was_down) {
        keys |= console_key_space;
    }
    console_space_was_down = space_down;
    return keys;
}

void console_pause()
{
    Sleep(console_pause_ms);
}
