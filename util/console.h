// The console operations of the test programs: each job is a pair of files,
// console_<job>_win32.cpp and console_<job>_posix.cpp, with the same functions.
// - cycles: the terminal's mode around the cycles and the pause, for both;
// - keyboard: readertest's clear, Escape and the keys it leaves typed; on
//   Windows "cls" and the keyboard state, as operators have always known it
//   to behave, on POSIX Escape through paneltest's keys;
// - keys: paneltest's keys, from its own console's input: a wiring check must
//   not miss a tap between two slow redraws, nor take a key typed into another
//   window (both platforms find keys in bytes with console_key_bytes.cpp);
// - screen: paneltest's screen, drawn over the last one, writing only the
//   lines that changed (console_screen.cpp, the same everywhere, compares;
//   the pair behind console_screen_platform.h writes);
// - run: paneltest's run, its interruptions and its console modes.
// Each file is an object of its own, so neither program links the other's
// console calls nor imports what it does not use.
#ifndef UTIL_CONSOLE_H
#define UTIL_CONSOLE_H

#include "log.h"

// Called before the prompt's getchar: on POSIX stdin goes unbuffered, so the
// prompt takes one byte and what was typed after it is left for the cycles'
// key reads. Windows reads keys from the keyboard state and needs nothing.
void console_begin_prompt();

// Called before the first cycle: on a POSIX terminal, turns off echo and
// line buffering so that keys arrive as they are typed.
void console_begin_cycles();

// Undoes console_begin_cycles; harmless when it did nothing or ran before.
void console_end_cycles();

// The pause between two redraw cycles.
void console_pause();

// readertest: clears the screen (Windows: the command "cls").
void console_clear();

// readertest: true while Escape is held (Windows: the keyboard state, wherever
// the key was pressed; POSIX: Escape among the keys waiting on standard input,
// as console_keys_pressed takes them).
bool console_escape_held();

// readertest, as it ends: on a POSIX terminal, what is typed (a held Escape
// repeating) is discarded until 100 ms pass with nothing new, for a second at
// most, so that none of it reaches the shell. Windows: nothing.
void console_discard_typed_keys();

// Keys for console_keys_pressed.
constexpr unsigned int console_key_escape = 1u;
constexpr unsigned int console_key_space = 2u;

// paneltest: the keys typed since the last call, as console_key_ bits, taken
// without waiting. From the console's own input queue, which this empties;
// where standard input is not a console, ESC and space bytes read from it,
// but on a POSIX terminal an arrow's or an Alt key's ESC is not Escape.
unsigned int console_keys_pressed();

// paneltest: appends to the screen being formatted.
void console_screen_printf(const char *format, ...) IO_PRINTF_FORMAT(1, 2);

// paneltest: shows the screen formatted since the last call, then starts the
// next one. On a console it is drawn over the last one: only the lines that
// differ are written, each at its place, with blanks over what is left of a
// longer old line and of the rows below a shorter screen, and everything is
// redrawn when the window's size changed; the cursor is left below it. On a
// pipe or a file the screens follow one another.
void console_screen_show();

// paneltest: before a view's first cycle, console_begin_cycles and more.
// From here on an interruption (Windows: Ctrl-C, Ctrl-Break, closing the
// window; POSIX: SIGINT, SIGTERM, SIGHUP, unless the parent ignored them)
// asks the run to end instead of ending the process; a second one ends it
// at once. On Windows, QuickEdit and insert mode go off on the console,
// so that a click in the window cannot hold up the output. Called once.
void console_begin_run();

// paneltest: what interrupted the run ("Ctrl-C", "Ctrl-Break", "closing the
// window", "SIGINT", "SIGTERM", "SIGHUP"); null while nothing did.
const char *console_interruption();

// paneltest: console_end_cycles, and the console's modes put back as they
// were; harmless when console_begin_run did nothing or it ran before.
void console_end_run();

// paneltest: the exit status, once the recording is closed and the last lines
// are out: status itself, unless the run was interrupted. Then the process
// ends the platform's way: on POSIX it dies of the same signal here; on
// Windows this gives STATUS_CONTROL_C_EXIT (0xC000013A), as for a program
// Ctrl-C ended, and a closed window's handler lets the process end.
int console_run_exit_status(int status);

#endif
