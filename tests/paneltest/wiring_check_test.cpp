// The skip key of the wiring check, which no frame script can press.
#include <gtest/gtest.h>

#include <string>

#include "wiring_check.h"

namespace {

std::string result_of(const wiring_check &check, int input)
{
    char text[64];
    wiring_check_format_result(&check, input, text, sizeof text);
    return text;
}

TEST(WiringCheck, SpaceSkipsOnlyAStepThatAwaitsItsPress)
{
    wiring_check check;
    wiring_check_start(&check, 2000, 0);
    wiring_check_skip(&check);  // settling: no step yet
    wiring_check_scan(&check, true, 0, 5);
    ASSERT_EQ(check.phase, check_phase::awaiting_press);
    ASSERT_EQ(check.step, 0);
    wiring_check_skip(&check);
    wiring_check_scan(&check, true, 1u << 1, 10);
    wiring_check_skip(&check);  // panel 1 has its verdict and awaits its release
    EXPECT_EQ(check.phase, check_phase::awaiting_release);
    wiring_check_scan(&check, true, 0, 15);
    for (int step = 2; step < check_input_count; ++step) {
        wiring_check_skip(&check);
    }
    EXPECT_EQ(check.phase, check_phase::done);
    EXPECT_EQ(result_of(check, 0), "panel 0: skipped");
    EXPECT_EQ(result_of(check, 1), "panel 1: ok");
    EXPECT_EQ(result_of(check, 18), "sys 2: skipped");
    char total[64];
    wiring_check_format_total(&check, total, sizeof total);
    EXPECT_STREQ(total, "check: 1 of 19 ok, 0 failed scans");
    EXPECT_FALSE(wiring_check_passed(&check));
}

}  // namespace
