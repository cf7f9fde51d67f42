// What both programs do around their cycles on a POSIX terminal: keys as they
// are typed, with no echo, and the terminal's own mode back however the
// process ends or stops.
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "console.h"
#include "monotonic_clock.h"

constexpr uint32_t console_pause_ms = 5;

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

void console_pause()
{
    monotonic_clock_sleep_ms(console_pause_ms);
}
