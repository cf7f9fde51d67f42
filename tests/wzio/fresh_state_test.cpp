// A process of its own, so no scan can have run before these checks.
#include <gtest/gtest.h>

#include "sim_control.h"
#include "wzio.h"

TEST(WzioFreshState, GettersAreZeroBeforeAnyScan)
{
    EXPECT_EQ(wz_io_get_panel_inputs(), 0);
    EXPECT_EQ(wz_io_get_sys_inputs(), 0);
    // init and fini leave the state alone.
    program_set_environment("CH341_SIM_BOARD", "demo");
    EXPECT_TRUE(wz_io_init(nullptr, nullptr, nullptr));
    wz_io_fini();
    EXPECT_EQ(wz_io_get_panel_inputs(), 0);
    EXPECT_EQ(wz_io_get_sys_inputs(), 0);
}
