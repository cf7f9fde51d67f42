// readertest on a pseudo-terminal: what only a terminal shows, the echo of
// typed keys, the terminal's modes once the program has ended, an arrow's
// escape sequence and the repeats of a held Escape.
#include <gtest/gtest.h>

#include <string>

#include "program_run.h"
#include "terminal_run.h"

namespace {

#ifdef __SANITIZE_THREAD__
constexpr bool discard_end_timed = false;
#else
constexpr bool discard_end_timed = true;
#endif

TEST(ReaderTerminal, KeysTypedWhileCyclingAreNotEchoedAndTheModeComesBack)
{
#ifdef _WIN32
    GTEST_SKIP() << "a Windows console has no pseudo-terminal to run readertest on";
#else
    program_set_environment("KAVIO_SIM_TRACE", "");
    ASSERT_TRUE(write_file("terminal_poll_fails.scenario", "node 0 poll-fails-from 100\n"));
    // A key typed every 40 ms: Escape held 12 repeats long, or 60 (2.4 s), still
    // held when readertest ends; or keys typed on as a poll fails, some 0.5 s in.
    const struct {
        const char *scenario;
        const char *key;
        int repeats;
        int exit_status;
        bool held_past_the_end;
    } holds[] = {
        {"", "\x1b", 12, 0, false},
        {"", "\x1b", 60, 0, true},
        {"terminal_poll_fails.scenario", "z", 25, -2, false},
    };
    for (const auto &hold : holds) {
        SCOPED_TRACE(std::string(hold.scenario) + ", " + std::to_string(hold.repeats));
        program_set_environment("KAVIO_SIM_SCENARIO", hold.scenario);
        terminal_run run = {};
        ASSERT_TRUE(terminal_start(&run, program_path("readertest"), {}));
        // Enter goes in while the terminal still echoes; the screen arrives in whole
        // pipe buffers, so once a block is there the cycles have begun.
        terminal_type(&run, "\r");
        EXPECT_TRUE(terminal_wait_for(&run, "Reader 1\n"));
        if (hold.exit_status == 0) {
            terminal_type(&run, "zxw\x1b[A");
            EXPECT_TRUE(terminal_still_runs_after(&run, 300)) << "Up ended readertest";
        }
        int typed_while_running = 0;
        for (int repeat = 0; repeat < hold.repeats; ++repeat) {
            terminal_type(&run, hold.key);
            typed_while_running += terminal_still_runs_after(&run, 40) ? 1 : 0;
        }
        // Once the keys stop, 100 ms without one end the discarding. Not timed under
        // ThreadSanitizer, whose exit alone can take longer than the margin.
        EXPECT_TRUE(!discard_end_timed || !terminal_still_runs_after(&run, 400))
            << "readertest goes on discarding";
        ASSERT_TRUE(terminal_finish(&run));
        EXPECT_EQ(run.exit_status, hold.exit_status);
        // A new terminal echoes and reads whole lines; so it must again once readertest has ended.
        EXPECT_EQ(run.modes_at_end & (ECHO | ICANON), static_cast<tcflag_t>(ECHO | ICANON));
        // Held on, the key repeats to the shell once readertest has discarded a second of it.
        if (hold.held_past_the_end) {
            EXPECT_LE(typed_while_running, 40) << "readertest waits for the release";
        } else {
            EXPECT_EQ(run.echo, "\r\n") << "only the Enter at the prompt is echoed";
            EXPECT_EQ(run.typed_left_at_end, 0) << "keys left to the shell";
        }
    }
#endif
}

}  // namespace
