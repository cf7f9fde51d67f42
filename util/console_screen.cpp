// paneltest's screen: formatted into a buffer, then drawn over the last one,
// so that only what changed costs a write.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "console.h"
#include "console_screen_platform.h"

namespace {

// A paneltest screen is under a kilobyte; its longest line, the check's, 256 bytes.
constexpr int screen_capacity = 8192;
// Room for the line that says the window is too small, and the newline before it.
constexpr int screen_notice_capacity = 64;
// Wider than any line: a line measured whole.
constexpr int screen_unlimited_columns = screen_capacity + 1;

struct screen_line {
    const char *text;
    int length;
};

char screen_next[screen_capacity];
int screen_next_length = 0;
// The rows of a screen too large for the window that fit it, then the notice.
char screen_fitted[screen_capacity + screen_notice_capacity];

// What the terminal shows, as last drawn: the text, the window it was drawn
// for and its rows there. Nothing before the first screen.
char screen_shown[screen_capacity + screen_notice_capacity];
int screen_shown_length = 0;
int screen_shown_rows = 0;
bool screen_shown_valid = false;
console_screen_window screen_shown_window = {0, 0, 0};

// The line that starts at *at, without its newline and cut to the window's
// width less one, so that it never wraps; *at moves past the newline.
screen_line screen_line_at(const char *text, int length, int *at, int columns)
{
    const char *start = text + *at;
    const char *newline =
        static_cast<const char *>(memchr(start, '\n', static_cast<size_t>(length - *at)));
    int line_length = newline != nullptr ? static_cast<int>(newline - start) : length - *at;
    *at += line_length + (newline != nullptr ? 1 : 0);
    int fits = columns - 1;
    return {start, line_length < fits ? line_length : fits};
}

bool same_line(screen_line a, screen_line b)
{
    return a.length == b.length && memcmp(a.text, b.text, static_cast<size_t>(a.length)) == 0;
}

// The rows a screen takes and its longest line.
struct screen_extent {
    int rows;
    int widest;
};

screen_extent screen_extent_of(const char *text, int length)
{
    screen_extent extent = {0, 0};
    for (int at = 0; at < length; ++extent.rows) {
        screen_line line = screen_line_at(text, length, &at, screen_unlimited_columns);
        extent.widest = line.length > extent.widest ? line.length : extent.widest;
    }
    return extent;
}

IO_PRINTF_FORMAT(2, 3) void fitted_printf(int *length, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    *length += format_checked_va(screen_fitted + *length,
                                 static_cast<int>(sizeof screen_fitted) - *length, format, args);
    va_end(args);
}

// The screen as it fits the window: itself, or the rows that fit with a last
// one that says how much larger the window must be to show it whole.
screen_line screen_fitted_to(const console_screen_window &window)
{
    screen_extent extent = screen_extent_of(screen_next, screen_next_length);
    // The last row stays free for the cursor, and a line ends a column short of the edge.
    int free_rows = window.rows - 1;
    int more_rows = extent.rows - free_rows;
    int more_columns = extent.widest - (window.columns - 1);
    if (free_rows < 1 || (more_rows <= 0 && more_columns <= 0)) {
        return {screen_next, screen_next_length};
    }
    // The notice goes below the screen if there is room, else over its last row shown.
    int kept_rows = extent.rows < free_rows ? extent.rows : free_rows - 1;
    int length = 0;
    for (int row = 0; row < kept_rows; ++row) {
        screen_line_at(screen_next, screen_next_length, &length, screen_unlimited_columns);
    }
    memcpy(screen_fitted, screen_next, static_cast<size_t>(length));
    if (length > 0 && screen_fitted[length - 1] != '\n') {
        screen_fitted[length++] = '\n';
    }
    fitted_printf(&length, "... window too small: ");
    if (more_rows > 0) {
        fitted_printf(&length, "%d more row%s", more_rows, more_rows == 1 ? "" : "s");
    }
    if (more_columns > 0) {
        fitted_printf(&length, "%s%d more column%s", more_rows > 0 ? ", " : "", more_columns,
                      more_columns == 1 ? "" : "s");
    }
    return {screen_fitted, length};
}

void draw_over_shown(const console_screen_window &window)
{
    screen_line screen = screen_fitted_to(window);
    // A resized window may have reflowed or scrolled what it showed: assume nothing of it.
    bool redraw_all = !screen_shown_valid || window.rows != screen_shown_window.rows ||
                      window.columns != screen_shown_window.columns;
    int top = redraw_all ? window.top : screen_shown_window.top;
    int old_rows = redraw_all ? window.rows : screen_shown_rows;
    int new_at = 0;
    int old_at = 0;
    int row = 0;
    // The last row stays free for the cursor, so the window never scrolls.
    for (; new_at < screen.length && row < window.rows - 1; ++row) {
        screen_line line = screen_line_at(screen.text, screen.length, &new_at, window.columns);
        // Unknown, the old line may fill the row; below the old screen, the row is blank.
        screen_line old = {"", redraw_all ? window.columns : 0};
        if (!redraw_all && row < old_rows) {
            old = screen_line_at(screen_shown, screen_shown_length, &old_at, window.columns);
        }
        if (redraw_all || !same_line(line, old)) {
            console_screen_write_line(top + row, line.text, line.length, old.length);
        }
    }
    if (row < old_rows) {
        console_screen_blank_rows(top + row, top + old_rows);
    }
    console_screen_finish(top + row);
    memcpy(screen_shown, screen.text, static_cast<size_t>(screen.length));
    screen_shown_length = screen.length;
    screen_shown_rows = row;
    screen_shown_window = {top, window.rows, window.columns};
    screen_shown_valid = true;
}

}  // namespace

void console_screen_printf(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    screen_next_length += format_checked_va(screen_next + screen_next_length,
                                            screen_capacity - screen_next_length, format, args);
    va_end(args);
}

void console_screen_show()
{
    // Whatever went through stdio before goes out first, above the screen.
    fflush(stdout);
    console_screen_window window = {0, 0, 0};
    if (console_screen_window_of_output(&window)) {
        draw_over_shown(window);
    } else {
        // A pipe or a file keeps every screen, one after another, in one write.
        fwrite(screen_next, 1, static_cast<size_t>(screen_next_length), stdout);
        fflush(stdout);
    }
    screen_next_length = 0;
}
