// paneltest's screen on a Windows console, written into the console's buffer
// in place: no process is started.
#include <string.h>
#include <windows.h>

#include "console_screen_platform.h"

// Each console call is a round trip, and under Wine in a terminal a costly
// one (up to a millisecond, whatever its length): a run of
// changed rows goes out in one write, and the size is asked every few screens.
constexpr int console_screens_per_size_check = 16;
constexpr int console_run_capacity = 16384;

static bool console_output_is_console = false;
static int console_screens_until_size_check = 0;
static console_screen_window console_window = {0, 0, 0};
// A row of the buffer can be wider than the window; the cells run on row after row.
static int console_buffer_columns = 0;
static COORD console_cursor = {0, 0};

// Rows waiting to go out in one write: their cells from the first one's start.
static char console_run[console_run_capacity];
static int console_run_length = 0;
static int console_run_first_row = 0;
static int console_run_rows = 0;

static HANDLE console_output()
{
    return GetStdHandle(STD_OUTPUT_HANDLE);
}

static COORD console_cell(int column, int row)
{
    COORD cell = {static_cast<SHORT>(column), static_cast<SHORT>(row)};
    return cell;
}

bool console_screen_window_of_output(console_screen_window *window)
{
    if (console_screens_until_size_check == 0) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        // Fails on a pipe or a file.
        console_output_is_console = GetConsoleScreenBufferInfo(console_output(), &info) != 0;
        if (console_output_is_console) {
            console_window.top = info.srWindow.Top;
            console_window.rows = info.srWindow.Bottom - info.srWindow.Top + 1;
            console_window.columns = info.srWindow.Right - info.srWindow.Left + 1;
            console_buffer_columns = info.dwSize.X;
            console_cursor = info.dwCursorPosition;
        }
        console_screens_until_size_check = console_screens_per_size_check;
    }
    --console_screens_until_size_check;
    *window = console_window;
    return console_output_is_console;
}

static void console_write_run()
{
    if (console_run_length > 0) {
        // Straight into the buffer's cells: the cursor does not move, nothing scrolls.
        DWORD written = 0;
        WriteConsoleOutputCharacterA(console_output(), console_run,
                                     static_cast<DWORD>(console_run_length),
                                     console_cell(0, console_run_first_row), &written);
    }
    console_run_length = 0;
    console_run_rows = 0;
}

static void console_run_text(const char *text, int length)
{
    memcpy(console_run + console_run_length, text, static_cast<size_t>(length));
    console_run_length += length;
}

static void console_run_blanks(int count)
{
    memset(console_run + console_run_length, ' ', static_cast<size_t>(count));
    console_run_length += count;
}

void console_screen_write_line(int row, const char *line, int length, int old_length)
{
    int cells = old_length > length ? old_length : length;
    // The row before ends in blanks up to the buffer's width, so this one starts in its place.
    int padding = (console_buffer_columns - console_run_length % console_buffer_columns) %
                  console_buffer_columns;
    bool follows_run = console_run_rows > 0 && row == console_run_first_row + console_run_rows;
    if (console_run_rows > 0 &&
        (!follows_run || console_run_length + padding + cells > console_run_capacity)) {
        console_write_run();
    }
    if (console_run_rows == 0) {
        console_run_first_row = row;
        padding = 0;
    }
    console_run_blanks(padding);
    console_run_text(line, length);
    // Blanks over what is left of the old line.
    console_run_blanks(cells - length);
    ++console_run_rows;
}

void console_screen_blank_rows(int first, int end)
{
    console_write_run();
    DWORD written = 0;
    FillConsoleOutputCharacterA(console_output(), ' ',
                                static_cast<DWORD>((end - first) * console_buffer_columns),
                                console_cell(0, first), &written);
}

void console_screen_finish(int row)
{
    console_write_run();
    if (console_cursor.X != 0 || console_cursor.Y != row) {
        SetConsoleCursorPosition(console_output(), console_cell(0, row));
        console_cursor = console_cell(0, row);
    }
}
