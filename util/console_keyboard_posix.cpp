// readertest's console on POSIX: the clear as an ANSI sequence, Escape among
// the keys waiting on standard input, and nothing typed left to the shell.
#include <poll.h>
#include <stdio.h>
#include <termios.h>
#include <unistd.h>

#include "console.h"
#include "monotonic_clock.h"

constexpr char console_clear_sequence[] = "\x1b[H\x1b[2J";
// readertest's end: typed keys are discarded until this long passes with none, ...
constexpr int console_discard_quiet_ms = 100;
// ... but no longer than this, however long a key is held.
constexpr uint64_t console_discard_most_ms = 1000;

void console_clear()
{
    // Through stdout, so the clear stays in order with the buffered screen.
    fputs(console_clear_sequence, stdout);
}

bool console_escape_held()
{
    return (console_keys_pressed() & console_key_escape) != 0;
}

void console_discard_typed_keys()
{
    if (!isatty(STDIN_FILENO)) {
        return;
    }
    // A held key goes on repeating after the one that ended the program: one
    // flush would leave the repeats still to come to the shell.
    uint64_t deadline = monotonic_clock_ms() + console_discard_most_ms;
    for (uint64_t now = monotonic_clock_ms(); now < deadline; now = monotonic_clock_ms()) {
        uint64_t left = deadline - now;
        struct pollfd input = {};
        input.fd = STDIN_FILENO;
        input.events = POLLIN;
        int wait_ms =
            left < console_discard_quiet_ms ? static_cast<int>(left) : console_discard_quiet_ms;
        // Quiet, or the terminal hung up (then tcflush fails): nothing more will come.
        if (poll(&input, 1, wait_ms) <= 0 || tcflush(STDIN_FILENO, TCIFLUSH) != 0) {
            return;
        }
    }
}
