// The console operations of the test programs, one file per platform.
//
// The two programs meet the console differently, on purpose:
// - readertest clears with the command "cls" and takes Escape from the
//   keyboard state, as operators have always known it to behave
//   (console_win32.cpp, console_posix.cpp);
// - paneltest draws each screen over the last one, writing only the lines
//   that changed, and takes its keys from its own console's input: a
//   wiring check must not miss a tap between two slow redraws, nor take a
//   key typed into another window (console_screen*.cpp).
// Each part is an object file of its own (what both share on Windows is in
// console_cycles_win32.cpp), so neither program links the other's console
// calls nor imports what it does not use.
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
// the key was pressed; POSIX: an ESC byte is waiting on standard input).
bool console_escape_held();

// Keys for console_keys_pressed.
constexpr unsigned int console_key_escape = 1u;
constexpr unsigned int console_key_space = 2u;

// paneltest: the keys typed since the last call, as console_key_ bits, taken
// without waiting. From the console's own input queue, which this empties;
// where standard input is not a console, ESC and space bytes read from it.
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

#endif
