// paneltest on a pseudo-terminal: screens read while it runs, and the keys
// of the check typed as an operator types them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program_run.h"
#include "terminal_run.h"

namespace {

TEST(PaneltestTerminal, EachScreenArrivesWholeWhileItRunsAndSpaceSkipsTheAskedInput)
{
#ifdef _WIN32
    GTEST_SKIP() << "a Windows console has no pseudo-terminal to run paneltest on";
#else
    const struct {
        std::vector<std::string> arguments;
        std::string asked, then;  // on the screen before a space is typed, and after it
        int exit_status;
        std::string ended;  // in what it prints at its end
    } cases[] = {
        {{}, "scans:       2\n", "scans:       3\n", 0, "Ended after "},
        {{"--check", "--settle-ms", "0"},
         "Press panel button 0 (row 1, column 1), or space to skip it\n",
         "Press panel button 1 (row 1, column 2), or space to skip it\n", -4,
         "\npanel 0: skipped\npanel 1: not reached\n"},
    };
    const std::string screen_end = "last scan:   ok\n";
    write_file("paneltest_terminal.frames", "FF FF FF\n");
    program_set_environment("CH341_SIM_BOARD", "paneltest_terminal.frames");
    program_set_environment("CH341_SIM_TRACE", "");
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "live view" : "check");
        terminal_run run = {};
        ASSERT_TRUE(terminal_start(&run, program_path("paneltest"), c.arguments));
        EXPECT_TRUE(terminal_wait_for(&run, c.asked));
        terminal_type(&run, " ");
        EXPECT_TRUE(terminal_wait_for(&run, c.then));
        terminal_type(&run, "\x1b");
        ASSERT_TRUE(terminal_finish(&run));
        EXPECT_EQ(run.exit_status, c.exit_status);
        EXPECT_NE(run.screen.find(c.ended), std::string::npos);
        // Each read but the last, which has what the program prints as it ends, ends a screen.
        for (size_t i = 0; i + 1 < run.arrivals.size(); ++i) {
            size_t end = run.arrivals[i];
            ASSERT_EQ(run.screen.substr(end - screen_end.size(), screen_end.size()), screen_end)
                << "read " << i;
        }
    }
#endif
}

}  // namespace
