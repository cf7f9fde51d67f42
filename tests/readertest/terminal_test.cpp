// readertest on a pseudo-terminal: what only a terminal shows, the echo of
// typed keys, the terminal's modes once the program has ended, an arrow's
// escape sequence and the repeats of a held Escape, each typed as the
// program's screen and exit show it has taken the keys before.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "program_run.h"
#include "terminal_run.h"
#include "test_clock.h"

namespace {

#ifndef _WIN32
// A held key repeats every 20 ms, well inside the 100 ms of quiet that end the discarding.
constexpr int repeat_ms = 20;

struct hold {
    uint64_t first_us, last_us;  // when the first and the last key went in
    uint64_t longest_gap_us;     // between two keys, by the test's clock
    bool ended_while_held;       // false when it ran on for terminal_wait_ms
};

// Types key `repeats` times, or with 0 until readertest ends, within terminal_wait_ms.
hold hold_key(terminal_run *run, const char *key, int repeats)
{
    uint64_t now_us = test_clock_us();
    hold held = {now_us, now_us, 0, false};
    for (int repeat = 0; (repeats == 0 || repeat < repeats) && !held.ended_while_held &&
                         now_us - held.first_us < terminal_wait_ms * 1000ull;
         ++repeat) {
        terminal_type(run, key);
        held.longest_gap_us = std::max(held.longest_gap_us, now_us - held.last_us);
        held.last_us = now_us;
        // The screen ends with the program.
        held.ended_while_held =
            terminal_read_until(run, repeat_ms, [] { return false; }) == terminal_wait::ended;
        now_us = test_clock_us();
    }
    return held;
}
#endif

TEST(ReaderTerminal, KeysTypedWhileCyclingAreNotEchoedAndTheModeComesBack)
{
#ifdef _WIN32
    GTEST_SKIP() << "a Windows console has no pseudo-terminal to run readertest on";
#else
    scoped_environment no_trace("KAVIO_SIM_TRACE", "");
    ASSERT_TRUE(write_file("terminal_poll_fails.scenario", "node 0 poll-fails-from 40\n"));
    // Escape held 12 repeats long, or on until readertest ends; or keys typed
    // on as a poll fails, 40 cycles (200 ms or more) in.
    // clang-format off
    const struct { const char *scenario; const char *key; int repeats; int exit_status; } holds[] = {
        {"", "\x1b", 12, 0},
        {"", "\x1b", 0, 0},
        {"terminal_poll_fails.scenario", "z", 25, -2},
    };
    // clang-format on
    for (const auto &c : holds) {
        SCOPED_TRACE(std::string(c.scenario) + ", " + std::to_string(c.repeats));
        scoped_environment scenario("KAVIO_SIM_SCENARIO", c.scenario);
        terminal_run run = {};
        ASSERT_TRUE(terminal_start(&run, program_path("readertest")));
        // Enter goes in while the terminal still echoes; the screen arrives in whole
        // pipe buffers, so once a block is there the cycles have begun.
        terminal_type(&run, "\r");
        EXPECT_TRUE(terminal_wait_for(&run, "Reader 1\n"));
        if (c.exit_status == 0) {
            // Taken, then two pipe buffers more of screens: the cycles went on past them.
            terminal_type(&run, "zxw\x1b[A");
            // Still running, left for terminal_finish to reap.
            EXPECT_TRUE(terminal_wait_keys_taken(&run, 8192) && !program_ended({run.pid, -1}, 0))
                << "Up ended readertest";
        }
        hold held = hold_key(&run, c.key, c.repeats);
        ASSERT_TRUE(terminal_finish(&run));
        uint64_t ended_us = test_clock_us();
        EXPECT_EQ(run.exit_status, c.exit_status);
        // A new terminal echoes and reads whole lines; so it must again once readertest has ended.
        EXPECT_EQ(run.modes_at_end & (ECHO | ICANON), static_cast<tcflag_t>(ECHO | ICANON));
        if (c.repeats == 0) {
            // Held on, the key goes to the shell once readertest has discarded a second of it.
            EXPECT_TRUE(held.ended_while_held) << "readertest waits for the release";
            EXPECT_GE(ended_us - held.first_us, 1000000u);
        } else {
            // The discarding ends 100 ms after the last key, not sooner.
            EXPECT_GE(ended_us - held.last_us, 100000u);
            EXPECT_EQ(run.echo, "\r\n") << "only the Enter at the prompt is echoed";
            // Unless the test itself stalled for the quiet that ends the discarding.
            EXPECT_TRUE(run.typed_left_at_end == 0 || held.longest_gap_us >= 100000u)
                << run.typed_left_at_end << " keys left to the shell";
        }
    }
#endif
}

}  // namespace
