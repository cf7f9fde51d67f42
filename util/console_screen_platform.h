// What paneltest's screen needs of the terminal, one file per platform
// (console_screen_win32.cpp, console_screen_posix.cpp). Rows count from the
// top of the console's buffer (POSIX: of the window), columns from the left,
// both from 0.
#ifndef UTIL_CONSOLE_SCREEN_PLATFORM_H
#define UTIL_CONSOLE_SCREEN_PLATFORM_H

#include "console.h"

struct console_screen_window {
    int top;  // the window's first row in the console's buffer (POSIX: 0)
    int rows;
    int columns;
};

// False when standard output is not a terminal (a pipe or a file).
bool console_screen_window_of_output(console_screen_window *window);

// Writes a line of no more than the window's width at row, then blanks what
// is left of an old line of old_length characters there.
void console_screen_write_line(int row, const char *line, int length, int old_length);

// Blanks the rows from first up to end.
void console_screen_blank_rows(int first, int end);

// Puts the cursor at the start of row, where the next output goes, and hands
// the screen over to the terminal.
void console_screen_finish(int row);

#endif
