// A process of its own, so no scan can have run before these checks.
#include <gtest/gtest.h>

#include "sim_control.h"
#include "wzio.h"

TEST(WzioFreshState, GettersAreZeroBeforeAnyScan)
{
    EXPECT_EQ(wz_io_get_panel_inputs(), 0);
    EXPECT_EQ(wz_io_get_sys_inputs(), 0);
    // Before wz_io_init opening the bridge is not wzio's to decide, however many scans fail.
    std::string trace = sim_trace_for(test_name());
    scoped_environment board("CH341_SIM_BOARD", "demo");
    for (int scan = 0; scan < 4; ++scan) {
        EXPECT_FALSE(wz_io_read_inputs());
    }
    EXPECT_EQ(sim_read_lines(trace).size(), 4u * 12) << "twelve calls a scan, and no open";
    // init and fini leave the state alone.
    EXPECT_TRUE(wz_io_init(nullptr, nullptr, nullptr));
    wz_io_fini();
    EXPECT_EQ(wz_io_get_panel_inputs(), 0);
    EXPECT_EQ(wz_io_get_sys_inputs(), 0);
}
