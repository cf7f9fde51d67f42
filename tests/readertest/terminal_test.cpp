// readertest on a pseudo-terminal: what only a terminal shows, the echo of
// typed keys and the terminal's modes once the program has ended.
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
    terminal_run run = {};
    ASSERT_TRUE(terminal_start(&run, program_path("readertest"), {}));
    // Enter goes in while the terminal still echoes; the screen arrives in whole
    // pipe buffers, so once a block is there the cycles have begun.
    terminal_type(&run, "\r");
    EXPECT_TRUE(terminal_wait_for(&run, "Reader 1\n"));
    terminal_type(&run, "zxw\x1b");
    ASSERT_TRUE(terminal_finish(&run));
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.echo, "\r\n") << "only the Enter at the prompt is echoed";
    // A new terminal echoes and reads whole lines; so it must again once readertest has ended.
    EXPECT_EQ(run.modes_at_end & (ECHO | ICANON), static_cast<tcflag_t>(ECHO | ICANON));
#endif
}

}  // namespace
