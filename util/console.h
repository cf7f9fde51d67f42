// The console operations of the test programs, one file per platform
// (console_win32.cpp, console_posix.cpp).
#ifndef UTIL_CONSOLE_H
#define UTIL_CONSOLE_H

// Called before the prompt's getchar: on POSIX stdin goes unbuffered, so the
// prompt takes one byte and what was typed after it is left for the cycles'
// key reads. Windows reads keys from the keyboard state and needs nothing.
void console_begin_prompt();

// Called once the prompt has been answered, before the first cycle: on a
// POSIX terminal, turns off echo and line buffering so Escape can be seen.
void console_begin_cycles();

// Undoes console_begin_cycles; harmless when it did nothing or ran before.
void console_end_cycles();

// Clears the screen.
void console_clear();

// True while Escape is held (POSIX: an ESC byte is waiting on standard input).
bool console_escape_held();

// Keys for console_keys_pressed.
constexpr unsigned int console_key_escape = 1u;
constexpr unsigned int console_key_space = 2u;

// The keys seen since the last call, as console_key_ bits: Escape as
// console_escape_held sees it, Space once per press (Windows: the key went
// down since the last call; POSIX: a space byte arrived on standard input).
unsigned int console_keys_pressed();

// The pause between two redraw cycles.
void console_pause();

#endif
