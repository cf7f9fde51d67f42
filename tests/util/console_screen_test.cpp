// paneltest's screen over a terminal that records what it is asked to draw:
// what reaches the terminal for each screen, given what it showed before.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console.h"
#include "console_screen_platform.h"

namespace {

console_screen_window terminal_window;
std::vector<std::string> terminal_calls;

}  // namespace

bool console_screen_window_of_output(console_screen_window *window)
{
    *window = terminal_window;
    return true;
}

// What the terminal records for each thing it is asked to draw.
void console_screen_write_line(int number, const char *line, int length, int old_length)
{
    terminal_calls.push_back("row " + std::to_string(number) + ": '" +
                             std::string(line, static_cast<size_t>(length)) + "' over " +
                             std::to_string(old_length));
}

void console_screen_blank_rows(int first, int end)
{
    terminal_calls.push_back("blank " + std::to_string(first) + " to " + std::to_string(end));
}

void console_screen_finish(int number)
{
    terminal_calls.push_back("cursor " + std::to_string(number));
}

TEST(ConsoleScreen, OnlyWhatChangedSinceTheLastScreenIsDrawn)
{
    // window: top, rows, columns
    // clang-format off
    const struct { const char *name; console_screen_window window; std::string screen; std::vector<std::string> calls; } steps[] = {
        {"first screen: every row, blanks to the width and below", {3, 6, 10}, "ab\ncd\n", {"row 3: 'ab' over 10", "row 4: 'cd' over 10", "blank 5 to 9", "cursor 5"}},
        {"the same again", {0, 6, 10}, "ab\ncd\n", {"cursor 5"}},
        {"a shorter line, a longer one, a new row", {3, 6, 10}, "abc\nc\nxy\n", {"row 3: 'abc' over 2", "row 4: 'c' over 2", "row 5: 'xy' over 0", "cursor 6"}},
        {"a shorter screen", {3, 6, 10}, "abc\n", {"blank 4 to 6", "cursor 4"}},
        {"a resized window, a row short: everything again, the last row says so", {0, 4, 60}, "a\nb\nc\nd\n", {"row 0: 'a' over 60", "row 1: 'b' over 60", "row 2: '... window too small: 1 more row' over 60", "blank 3 to 4", "cursor 3"}},
        {"too narrow: lines cut, and the notice below a last line without its newline", {0, 4, 60}, "a\n" + std::string(61, 'x'), {"row 1: '" + std::string(59, 'x') + "' over 1", "row 2: '... window too small: 2 more columns' over 32", "cursor 3"}},
        {"as many rows as the window has, one too wide: the notice over the last", {0, 4, 60}, "a\nb\n" + std::string(60, 'x'), {"row 1: 'b' over 59", "row 2: '... window too small: 1 more column' over 36", "cursor 3"}},
        {"too short and too narrow", {0, 4, 60}, std::string(60, 'x') + "\nb\nc\nd\ne\n", {"row 0: '" + std::string(59, 'x') + "' over 1", "row 2: '... window too small: 2 more rows, 1 more column' over 35", "cursor 3"}},
        {"a screen that fits again, its last line without its newline", {0, 4, 60}, "a\nz", {"row 0: 'a' over 59", "row 1: 'z' over 1", "blank 2 to 3", "cursor 2"}},
        {"a window of two rows: the notice alone", {0, 2, 60}, "a\nb\n", {"row 0: '... window too small: 1 more row' over 60", "blank 1 to 2", "cursor 1"}},
        {"a window of one row: nothing", {0, 1, 60}, "a\nb\n", {"blank 0 to 1", "cursor 0"}},
    };
    // clang-format on
    for (const auto &step : steps) {
        SCOPED_TRACE(step.name);
        terminal_window = step.window;
        terminal_calls.clear();
        console_screen_printf("%s", step.screen.c_str());
        console_screen_show();
        EXPECT_EQ(terminal_calls, step.calls);
    }
}
