// readertest on a pseudo-terminal: what only a terminal shows, the echo of
// typed keys, the terminal's modes once the program has ended, an arrow's
// escape sequence and the repeats of a held Escape.
#include <gtest/gtest.h>

#include <string>

#include "program_run.h"
#include "terminal_run.h"

namespace {

TEST(ReaderTerminal, KeysTypedWhileCyclingAreNotEchoedAndTheModeComesBack)
{
#ifdef _WIN32
    GTEST_SKIP() << "a Windows console has no pseudo-terminal to run readertest on";
#else
    program_set_environment("KAVIO_SIM_SCENARIO", "");
    program_set_environment("KAVIO_SIM_TRACE", "");
    // Escape held: a repeat every 40 ms, 12 of them, or 50 (2 s), still held when readertest ends.
    const struct {
        int repeats;
        bool released;
    } holds[] = {{12, true}, {50, false}};
    for (const auto &hold : holds) {
        SCOPED_TRACE(hold.repeats);
        terminal_run run = {};
        ASSERT_TRUE(terminal_start(&run, program_path("readertest"), {}));
        // Enter goes in while the terminal still echoes; the screen arrives in whole
        // pipe buffers, so once a block is there the cycles have begun.
        terminal_type(&run, "\r");
        EXPECT_TRUE(terminal_wait_for(&run, "Reader 1\n"));
        terminal_type(&run, "zxw\x1b[A");
        EXPECT_TRUE(terminal_still_runs_after(&run, 300)) << "Up ended readertest";
        int typed_while_running = 0;
        for (int repeat = 0; repeat < hold.repeats; ++repeat) {
            terminal_type(&run, "\x1b");
            typed_while_running += terminal_still_runs_after(&run, 40) ? 1 : 0;
        }
        ASSERT_TRUE(terminal_finish(&run));
        EXPECT_EQ(run.exit_status, 0);
        // A new terminal echoes and reads whole lines; so it must again once readertest has ended.
        EXPECT_EQ(run.modes_at_end & (ECHO | ICANON), static_cast<tcflag_t>(ECHO | ICANON));
        // Held on, the key repeats to the shell as readertest ends, echoed there.
        if (hold.released) {
            EXPECT_EQ(run.echo, "\r\n") << "only the Enter at the prompt is echoed";
            EXPECT_EQ(run.typed_left_at_end, 0) << "Escapes left to the shell";
        } else {
            EXPECT_LT(typed_while_running, hold.repeats) << "readertest waits for the release";
        }
    }
#endif
}

}  // namespace
