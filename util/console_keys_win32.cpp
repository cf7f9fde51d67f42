// paneltest's keys on Windows, from the console's own input queue: no key is
// taken from another window, and none is left to the shell.
#include <windows.h>

#include "console.h"
#include "console_key_bytes.h"

constexpr DWORD console_input_batch = 16;
constexpr DWORD console_byte_batch = 64;

enum class console_input_kind { unknown, console, bytes, none };

static console_input_kind console_input = console_input_kind::unknown;
// Space counts when it goes down; a held key's repeats do not.
static bool console_space_down = false;

static console_input_kind console_input_kind_of(HANDLE input)
{
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode)) {
        return console_input_kind::console;
    }
    DWORD type = GetFileType(input);
    return type == FILE_TYPE_PIPE || type == FILE_TYPE_DISK ? console_input_kind::bytes
                                                            : console_input_kind::none;
}

static unsigned int console_keys_of_events(HANDLE input)
{
    unsigned int keys = 0;
    INPUT_RECORD records[console_input_batch];
    DWORD count = 0;
    // The handle is signalled while events wait; every one is taken, so none reaches the shell.
    while (WaitForSingleObject(input, 0) == WAIT_OBJECT_0 &&
           ReadConsoleInputA(input, records, console_input_batch, &count) && count > 0) {
        for (DWORD i = 0; i < count; ++i) {
            if (records[i].EventType != KEY_EVENT) {
                continue;
            }
            const KEY_EVENT_RECORD &key = records[i].Event.KeyEvent;
            if (key.wVirtualKeyCode == VK_ESCAPE && key.bKeyDown) {
                keys |= console_key_escape;
            } else if (key.wVirtualKeyCode == VK_SPACE) {
                if (key.bKeyDown && !console_space_down) {
                    keys |= console_key_space;
                }
                console_space_down = key.bKeyDown != 0;
            }
        }
    }
    return keys;
}

static unsigned int console_keys_of_bytes(HANDLE input)
{
    unsigned int keys = 0;
    unsigned char bytes[console_byte_batch];
    for (;;) {
        DWORD wanted = console_byte_batch;
        // A pipe gives only what is already in it, so the loop never waits; a
        // file never blocks. A pipe whose writer has gone fails the peek.
        if (GetFileType(input) == FILE_TYPE_PIPE &&
            (!PeekNamedPipe(input, nullptr, 0, nullptr, &wanted, nullptr) || wanted == 0)) {
            break;
        }
        DWORD count = 0;
        if (!ReadFile(input, bytes, wanted < console_byte_batch ? wanted : console_byte_batch,
                      &count, nullptr) ||
            count == 0) {
            break;
        }
        keys |= console_keys_in_bytes(bytes, static_cast<long>(count));
    }
    return keys;
}

unsigned int console_keys_pressed()
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (console_input == console_input_kind::unknown) {
        console_input = console_input_kind_of(input);
    }
    switch (console_input) {
    case console_input_kind::console:
        return console_keys_of_events(input);
    case console_input_kind::bytes:
        return console_keys_of_bytes(input);
    default:
        return 0;
    }
}
