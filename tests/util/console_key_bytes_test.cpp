// Escape and Space among the bytes read from standard input: from a pipe or a
// file as they are, from a terminal as its keys send them.
#include <gtest/gtest.h>

#include "console.h"
#include "console_key_bytes.h"

TEST(ConsoleKeys, EscapeAndSpaceAmongTheBytesReadAndNoFurther)
{
    constexpr unsigned int escape = console_key_escape;
    constexpr unsigned int space = console_key_space;
    // keys: from a pipe or a file; terminal_keys: from a POSIX terminal
    // clang-format off
    const struct { const char *bytes; long count; unsigned int keys; unsigned int terminal_keys; } cases[] = {
        {"", 0, 0, 0},
        {"a\x1b", 1, 0, 0},  // the ESC lies past what was read
        {"x ", 2, space, space},
        {"\x1b", 1, escape, escape},
        {"q\x1b w", 4, escape | space, 0},  // Alt+Space
        {"\x1b[A", 3, escape, 0},           // Up
        {"\x1bOP", 3, escape, 0},           // F1
        {"\x1b[1;5A \x1b[5~", 11, escape | space, space},
        {"\x1bx", 2, escape, 0},  // Alt+x
        {"\x1b\x1bx", 3, escape, escape},
        {"\x1b[A\x1b", 4, escape, escape},
        {"\x1b[1\x1b[B", 6, escape, 0},      // an ESC cuts a broken sequence short
        {"\x1b[2 q", 5, escape | space, 0},  // a space within a sequence
        {"\x1b[@ ", 4, escape | space, space},
        {"\x1b[5~ ", 5, escape | space, space},  // Page Up ends on '~', then Space
    };
    // clang-format on
    for (const auto &c : cases) {
        const unsigned char *bytes = reinterpret_cast<const unsigned char *>(c.bytes);
        EXPECT_EQ(console_keys_in_bytes(bytes, c.count), c.keys) << c.bytes;
        EXPECT_EQ(console_keys_in_terminal_bytes(bytes, c.count), c.terminal_keys) << c.bytes;
    }
}
