// paneltest's run in a Windows console: QuickEdit off while it runs, and
// Ctrl-C, Ctrl-Break or closing the window end it as Escape does, with the
// status of a program Ctrl-C ended, so that a batch file stops on it.
#include <stdio.h>
#include <windows.h>

#include "console.h"

struct console_run_event {
    DWORD type;
    const char *name;
};

constexpr console_run_event console_run_events[] = {
    {CTRL_C_EVENT, "Ctrl-C"},
    {CTRL_BREAK_EVENT, "Ctrl-Break"},
    {CTRL_CLOSE_EVENT, "closing the window"},
};
constexpr LONG console_run_event_count =
    static_cast<LONG>(sizeof console_run_events / sizeof console_run_events[0]);

// With QuickEdit a click starts a selection, and every write to the console
// waits until it ends: the scans, their times and the recording stall.
constexpr DWORD console_run_modes_off = ENABLE_QUICK_EDIT_MODE | ENABLE_INSERT_MODE;

// The handler runs on a thread of its own, so what it shares is changed by Interlocked calls.
// 1 + the index of the first event that came; 0 while none did.
static volatile LONG console_run_interrupted = 0;
static volatile LONG console_run_modes_changed = 0;
static HANDLE console_run_input = INVALID_HANDLE_VALUE;
static DWORD console_run_saved_mode = 0;
// Set once the recording is closed and the last lines are out.
static HANDLE console_run_ended = nullptr;

static void console_run_restore_modes()
{
    if (InterlockedExchange(&console_run_modes_changed, 0) != 0) {
        // QuickEdit and insert mode change only along with ENABLE_EXTENDED_FLAGS,
        // which GetConsoleMode may leave out of what it reports.
        SetConsoleMode(console_run_input, console_run_saved_mode | ENABLE_EXTENDED_FLAGS);
    }
}

static BOOL WINAPI console_run_on_control(DWORD type)
{
    LONG event = 0;
    for (LONG i = 0; i < console_run_event_count; ++i) {
        if (console_run_events[i].type == type) {
            event = i + 1;
        }
    }
    if (event == 0) {
        // Logoff and shutdown: the default handling, as before.
        return FALSE;
    }
    bool first = InterlockedCompareExchange(&console_run_interrupted, event, 0) == 0;
    if (type == CTRL_CLOSE_EVENT) {
        // The process ends when this returns, first or not: let the run end
        // whole first. Windows gives it a few seconds, which is plenty.
        WaitForSingleObject(console_run_ended, INFINITE);
        return TRUE;
    }
    if (first) {
        return TRUE;
    }
    // A second one while the run ends: the default handler ends the process at once.
    console_run_restore_modes();
    return FALSE;
}

void console_begin_run()
{
    console_begin_cycles();
    // Manual reset: a close that comes after the ending is not held up either.
    console_run_ended = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // Without either, Ctrl-C and a close end the process where it stands, as before.
    if (console_run_ended != nullptr) {
        SetConsoleCtrlHandler(console_run_on_control, TRUE);
    }
    // The console itself, not standard input: a click freezes the output even
    // when input comes from a pipe or a file.
    console_run_input =
        CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    if (console_run_input != INVALID_HANDLE_VALUE && GetConsoleMode(console_run_input, &mode)) {
        console_run_saved_mode = mode;
        if (SetConsoleMode(console_run_input,
                           (mode | ENABLE_EXTENDED_FLAGS) & ~console_run_modes_off)) {
            InterlockedExchange(&console_run_modes_changed, 1);
        }
    }
}

const char *console_interruption()
{
    LONG interrupted = console_run_interrupted;
    return interrupted == 0 ? nullptr : console_run_events[interrupted - 1].name;
}

void console_end_run()
{
    console_end_cycles();
    console_run_restore_modes();
}

int console_run_exit_status(int status)
{
    LONG interrupted = console_run_interrupted;
    // Out before a closed window's handler lets the process end.
    fflush(stdout);
    if (console_run_ended != nullptr) {
        SetEvent(console_run_ended);
    }
    return interrupted == 0 ? status : static_cast<int>(STATUS_CONTROL_C_EXIT);
}
