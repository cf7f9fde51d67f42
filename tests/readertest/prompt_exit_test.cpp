// readertest and the stand-in up to an answer at the prompt: two process
// starts, few enough to run under an emulator too, so a program of its own.
#include <gtest/gtest.h>

#include <string>

#include "program_run.h"

TEST(Startup, LoggersArePassedLeastSevereFirst)
{
    write_file("readertest_prompt_exit.scenario", "log-each-level\n");
    scoped_environment scenario("KAVIO_SIM_SCENARIO", "readertest_prompt_exit.scenario");
    program_run run = program_run_with(program_path("readertest"), {}, {{"q"}},
                                       "readertest_prompt_exit.out", 60000);
    ASSERT_EQ(run.exit_status, 0);
    EXPECT_EQ(console_text_of(run.output).text,
              "M:kavio: level M\nI:kavio: level I\nW:kavio: level W\n"
              "I:kavio: simulated readers ready (scenario)\n"
              ">>> Initializing kavio successful, press enter to continue <<<\n");
}
