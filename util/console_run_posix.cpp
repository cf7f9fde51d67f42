// paneltest's run on POSIX, terminal or not: SIGINT, SIGTERM and SIGHUP end
// the run as Escape does, and once its last lines are out it dies of the
// same signal, so that a shell loop stops on it as on any other program.
#include <signal.h>
#include <stdio.h>

#include "console.h"

struct console_run_signal {
    int number;
    const char *name;
};

constexpr console_run_signal console_run_signals[] = {
    {SIGINT, "SIGINT"},
    {SIGTERM, "SIGTERM"},
    {SIGHUP, "SIGHUP"},
};
constexpr int console_run_signal_count =
    static_cast<int>(sizeof console_run_signals / sizeof console_run_signals[0]);

// 1 + the index of the first signal that came; 0 while none did.
static volatile sig_atomic_t console_run_interrupted = 0;
// What each signal did before the run: the terminal's restore-and-die, the default or ignored.
static struct sigaction console_run_previous[console_run_signal_count];

static void console_run_on_signal(int signal_number)
{
    for (int i = 0; i < console_run_signal_count; ++i) {
        if (console_run_signals[i].number == signal_number && console_run_interrupted == 0) {
            console_run_interrupted = i + 1;
        }
        // A second one while the run ends takes the old way, at once; sigaction() is
        // async-signal-safe.
        sigaction(console_run_signals[i].number, &console_run_previous[i], nullptr);
    }
}

void console_begin_run()
{
    // First, so that the terminal's handlers are what a second signal finds.
    console_begin_cycles();
    struct sigaction action = {};
    action.sa_handler = console_run_on_signal;
    // Stdio's writes go on after the handler; the loop's sleep and poll return early, harmlessly.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (const console_run_signal &caught : console_run_signals) {
        sigaddset(&action.sa_mask, caught.number);
    }
    for (int i = 0; i < console_run_signal_count; ++i) {
        sigaction(console_run_signals[i].number, nullptr, &console_run_previous[i]);
        // A signal the parent told us to ignore (nohup, a background job) stays ignored.
        if (console_run_previous[i].sa_handler != SIG_IGN) {
            sigaction(console_run_signals[i].number, &action, nullptr);
        }
    }
}

const char *console_interruption()
{
    int interrupted = console_run_interrupted;
    return interrupted == 0 ? nullptr : console_run_signals[interrupted - 1].name;
}

void console_end_run()
{
    console_end_cycles();
}

int console_run_exit_status(int status)
{
    int interrupted = console_run_interrupted;
    if (interrupted == 0) {
        return status;
    }
    // raise() ends the process past stdio's exit flush.
    fflush(stdout);
    // The handler put back what was there before the run: the default, or the
    // terminal's handler, which dies of the signal too.
    raise(console_run_signals[interrupted - 1].number);
    return status;
}
