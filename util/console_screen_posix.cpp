// paneltest's screen on a POSIX terminal, through ANSI sequences on stdout:
// everything for one screen goes out in one write.
#include <stdio.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "console_screen_platform.h"

// A terminal that does not say its size (a bare pseudo-terminal) is taken as
// large enough for any screen.
constexpr int console_screen_unknown_size = 4096;

bool console_screen_window_of_output(console_screen_window *window)
{
    if (!isatty(STDOUT_FILENO)) {
        return false;
    }
    struct winsize size = {};
    bool known = ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0;
    window->top = 0;
    window->rows = known ? size.ws_row : console_screen_unknown_size;
    window->columns = known ? size.ws_col : console_screen_unknown_size;
    return true;
}

void console_screen_write_line(int row, const char *line, int length, int old_length)
{
    // Rows and columns count from 1 in a cursor position.
    printf("\x1b[%d;1H", row + 1);
    fwrite(line, 1, static_cast<size_t>(length), stdout);
    if (old_length > length) {
        // Erase to the end of the line: what is left of the old one.
        fputs("\x1b[K", stdout);
    }
}

void console_screen_blank_rows(int first, int)
{
    // Erase below: every row from first to the bottom of the window.
    printf("\x1b[%d;1H\x1b[J", first + 1);
}

void console_screen_finish(int row)
{
    printf("\x1b[%d;1H", row + 1);
    fflush(stdout);
}
