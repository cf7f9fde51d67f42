// paneltest's keys on POSIX, from standard input: a terminal's bytes as it
// sends them, or a pipe's or a file's as they are. readertest's Escape is
// taken the same way (console_keyboard_posix.cpp).
#include <poll.h>
#include <unistd.h>

#include "console.h"
#include "console_key_bytes.h"

static bool console_input_ready()
{
    struct pollfd input = {};
    input.fd = STDIN_FILENO;
    input.events = POLLIN;
    return poll(&input, 1, 0) > 0 && (input.revents & (POLLIN | POLLHUP)) != 0;
}

unsigned int console_keys_pressed()
{
    // Standard input stays what it was at the start; asked once.
    static const bool from_terminal = isatty(STDIN_FILENO) != 0;
    unsigned int (*keys_in)(const unsigned char *, long) =
        from_terminal ? console_keys_in_terminal_bytes : console_keys_in_bytes;
    // Drain what can be read without blocking. read(2), not stdio: a byte that
    // stdio read ahead would be hidden from poll().
    unsigned int keys = 0;
    // Room for every sequence a held key sends between two cycles, so one is seldom cut.
    unsigned char bytes[256];
    while (console_input_ready()) {
        ssize_t count = read(STDIN_FILENO, bytes, sizeof bytes);
        if (count <= 0) {
            // End of input or nothing more on the terminal: ask again next cycle.
            break;
        }
        keys |= keys_in(bytes, static_cast<long>(count));
    }
    return keys;
}
