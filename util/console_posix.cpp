#include "console.h"
#include "console_screen_platform.h"
#include "monotonic_clock.h"

#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

constexpr char console_clear_sequence[] = "\x1b[H\x1b[2J";
constexpr uint32_t console_pause_ms = 5;
// readertest's end: typed keys are discarded until this long passes with none, ...
constexpr int console_discard_quiet_ms = 100;
// ... but no longer than this, however long a key is held.
constexpr uint64_t console_discard_most_ms = 1000;

// Signals that end the process by default; each one restores the terminal first.
constexpr int console_ending_signals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGABRT};

static struct termios console_saved_mode;
// Read from signal handlers, so only a sig_atomic_t may say whether to restore.
static volatile sig_atomic_t console_mode_changed = 0;
// Between console_begin_cycles and console_end_cycles; a SIGCONT re-applies the mode only then.
static volatile sig_atomic_t console_cycles_active = 0;
static bool console_exit_hook_installed = false;

static void console_restore_mode()
{
    // Handlers and atexit() may call this after console_end_cycles; once is enough.
    if (console_mode_changed != 0) {
        // tcsetattr() is async-signal-safe, so this also runs inside a handler.
        tcsetattr(STDIN_FILENO, TCSANOW, &console_saved_mode);
        console_mode_changed = 0;
    }
}

static void console_on_ending_signal(int signal_number)
{
    console_restore_mode();
    // Die of the same signal so the parent sees how we ended.
    signal(signal_number, SIG_DFL);
    raise(signal_number);
}

static void console_on_stop(int)
{
    console_restore_mode();
    // SIGSTOP cannot be caught, so this stops here; SIGCONT re-applies the mode.
    raise(SIGSTOP);
}

static void console_apply_cycle_mode()
{
    struct termios cycle_mode = console_saved_mode;
    cycle_mode.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    // read() returns at once with what is there, so a key never blocks the loop.
    cycle_mode.c_cc[VMIN] = 0;
    cycle_mode.c_cc[VTIME] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &cycle_mode) == 0) {
        console_mode_changed = 1;
    }
}

static void console_on_continue(int)
{
    // Back in the foreground after a stop: the shell gave us its own mode.
    if (console_cycles_active != 0) {
        console_apply_cycle_mode();
    }
}

// A signal the parent told us to ignore stays ignored.
static void console_handle_unless_ignored(int signal_number, void (*handler)(int))
{
    struct sigaction previous = {};
    sigaction(signal_number, nullptr, &previous);
    if (previous.sa_handler == SIG_IGN) {
        return;
    }
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, nullptr);
}

static void console_install_handlers()
{
    for (int signal_number : console_ending_signals) {
        console_handle_unless_ignored(signal_number, console_on_ending_signal);
    }
    console_handle_unless_ignored(SIGTSTP, console_on_stop);
    console_handle_unless_ignored(SIGCONT, console_on_continue);
}

void console_begin_prompt()
{
    // stdio would read ahead past the Enter, where poll() cannot see it.
    setvbuf(stdin, nullptr, _IONBF, 0);
}

void console_begin_cycles()
{
    if (console_mode_changed != 0 || !isatty(STDIN_FILENO)) {
        return;
    }
    if (tcgetattr(STDIN_FILENO, &console_saved_mode) != 0) {
        return;
    }
    if (!console_exit_hook_installed) {
        // A return from main or exit() elsewhere still gives the shell its terminal back.
        atexit(console_restore_mode);
        console_install_handlers();
        console_exit_hook_installed = true;
    }
    console_cycles_active = 1;
    console_apply_cycle_mode();
}

void console_end_cycles()
{
    console_cycles_active = 0;
    console_restore_mode();
}

void console_clear()
{
    // Through stdout, so the clear stays in order with the buffered screen.
    fputs(console_clear_sequence, stdout);
}

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
        int wait_ms = left < console_discard_quiet_ms ? static_cast<int>(left)
                                                      : console_discard_quiet_ms;
        // Quiet, or the terminal hung up (then tcflush fails): nothing more will come.
        if (poll(&input, 1, wait_ms) <= 0 || tcflush(STDIN_FILENO, TCIFLUSH) != 0) {
            return;
        }
    }
}

void console_pause()
{
    monotonic_clock_sleep_ms(console_pause_ms);
}
