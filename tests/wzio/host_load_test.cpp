// wzio as a game host sees it: loaded at run time and unloaded again.
#include <gtest/gtest.h>

#include <string>

#include "library_loader.h"
#include "program_run.h"
#include "sim_control.h"

TEST(WzioHostLoad, LoadingAndUnloadingTouchNoBridge)
{
    std::string trace = sim_trace_for("WzioHostLoad.LoadingAndUnloadingTouchNoBridge");
    scoped_environment board("CH341_SIM_BOARD", "demo");
    void *library = library_load(program_folder() + wzio_file_name);
    ASSERT_NE(library, nullptr);
    library_free(library);
    EXPECT_TRUE(sim_read_lines(trace).empty()) << "the stand-in saw a call";
}
