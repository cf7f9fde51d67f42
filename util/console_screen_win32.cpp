// paneltest on a Windows console: the screen written into the console's
// buffer in place, and keys from the console's own input queue. No process is
// started and no key is taken from another window.
#include <string.h>
#include <windows.h>

#include "console_screen_platform.h"

constexpr DWORD console_input_batch = 16;
constexpr DWORD console_byte_batch = 64;
// Each console call is a round trip, and under Wine in a terminal a costly
// one (up to a millisecond, whatever its length): a run of
// changed rows goes out in one write, and the size is asked every few screens.
constexpr int console_screens_per_size_check = 16;
constexpr int console_run_capacity = 16384;

enum class console_input_kind { unknown, console, bytes, none };

static console_input_kind console_input = console_input_kind::unknown;
// Space counts when it goes down; a held key's repeats do not.
static bool console_space_down = false;

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

static console_input_kind console_input_kind_of(HANDLE input)
{
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode)) {
        return console_input_kind::console;
    }
    DWORD type = GetFileType(input);
    return type == FILE_TYPE_PIPE || type == FILE_TYPE_DISK ? console_input_kind::bytes
                                                            : console_input_kind::none;
}

static unsigned int console_keys_of_events(HANDLE input)
{
    unsigned int keys = 0;
    INPUT_RECORD records[console_input_batch];
    DWORD count = 0;
    // The handle is signalled while events wait; every one is taken, so none reaches the shell.
    while (WaitForSingleObject(input, 0) == WAIT_OBJECT_0 &&
           ReadConsoleInputA(input, records, console_input_batch, &count) && count > 0) {
        for (DWORD i = 0; i < count; ++i) {
            if (records[i].EventType != KEY_EVENT) {
                continue;
            }
            const KEY_EVENT_RECORD &key = records[i].Event.KeyEvent;
            if (key.wVirtualKeyCode == VK_ESCAPE && key.bKeyDown) {
                keys |= console_key_escape;
            } else if (key.wVirtualKeyCode == VK_SPACE) {
                if (key.bKeyDown && !console_space_down) {
                    keys |= console_key_space;
                }
                console_space_down = key.bKeyDown != 0;
            }
        }
    }
    return keys;
}

static unsigned int console_keys_of_bytes(HANDLE input)
{
    unsigned int keys = 0;
    unsigned char bytes[console_byte_batch];
    for (;;) {
        DWORD wanted = console_byte_batch;
        // A pipe gives only what is already in it, so the loop never waits; a
        // file never blocks. A pipe whose writer has gone fails the peek.
        if (GetFileType(input) == FILE_TYPE_PIPE &&
            (!PeekNamedPipe(input, nullptr, 0, nullptr, &wanted, nullptr) || wanted == 0)) {
            break;
        }
        DWORD count = 0;
        if (!ReadFile(input, bytes, wanted < console_byte_batch ? wanted : console_byte_batch,
                      &count, nullptr) ||
            count == 0) {
            break;
        }
        keys |= console_keys_in_bytes(bytes, static_cast<long>(count));
    }
    return keys;
}

unsigned int console_keys_pressed()
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (console_input == console_input_kind::unknown) {
        console_input = console_input_kind_of(input);
    }
    switch (console_input) {
    case console_input_kind::console:
        return console_keys_of_events(input);
    case console_input_kind::bytes:
        return console_keys_of_bytes(input);
    default:
        return 0;
    }
}
