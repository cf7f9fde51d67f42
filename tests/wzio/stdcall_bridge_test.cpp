// A program of its own, so that this one case carries the calling-convention label.
#include <gtest/gtest.h>

#include <stdint.h>

#include "sim_control.h"
#include "wzio.h"

// Under Wine the stand-in is a real stdcall DLL: a caller that got the
// convention wrong would unbalance the stack on every call and crash or
// decode garbage long before the end of this loop.
TEST(WzioScan, ManyScansAgainstTheStdcallBridge)
{
    if (only_one_calling_convention) {
        GTEST_SKIP() << one_convention_skip;
    }
    scoped_environment no_trace("CH341_SIM_TRACE", "");
    scoped_environment board("CH341_SIM_BOARD", "demo");
    ASSERT_TRUE(wz_io_init(nullptr, nullptr, nullptr));
    constexpr uint32_t scans = 32 * 16 * 8 * 2;  // two whole demo cycles
    uint32_t mismatches = 0;
    for (uint32_t scan = 0; scan < scans; ++scan) {
        uint32_t step = scan / 32;
        mismatches += !wz_io_read_inputs() || wz_io_get_panel_inputs() != (1u << (step % 16)) ||
                      wz_io_get_sys_inputs() != (step / 16) % 8;
    }
    EXPECT_EQ(mismatches, 0u);
    wz_io_fini();
}
