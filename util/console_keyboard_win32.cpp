// readertest's console on Windows: "cls" for the clear and the keyboard state
// for Escape, as operators know the program.
#include "console.h"

#include <stdlib.h>
#include <windows.h>

constexpr int console_escape_key = 0x1B;
constexpr unsigned int console_key_down_bit = 0x8000;

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

// Escape was read from the keyboard state, which leaves the console's input
// to the shell, as it always has.
void console_discard_typed_keys() {}
