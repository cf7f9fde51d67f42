// What both programs do around their cycles on Windows: the only console
// calls both link, so nothing of one program's reaches the other's imports.
#include <windows.h>

#include "console.h"

constexpr DWORD console_pause_ms = 5;

// The Windows console needs no mode change: readertest reads the keyboard
// state, paneltest the console's input events.
void console_begin_prompt() {}

void console_begin_cycles() {}

void console_end_cycles() {}

void console_pause()
{
    Sleep(console_pause_ms);
}
