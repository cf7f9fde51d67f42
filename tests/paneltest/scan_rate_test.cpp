// The scans-per-second figure of the paneltest screen, fed with made-up times.
#include <gtest/gtest.h>

#include "scan_rate.h"

namespace {

// Counts scans at an even pace: one every interval_ms from start_ms on.
uint64_t count_scans(uint64_t start_ms, int scans, uint64_t interval_ms)
{
    uint64_t now = start_ms;
    for (int i = 0; i < scans; ++i) {
        now += interval_ms;
        scan_rate_count(now);
    }
    return now;
}

TEST(ScanRate, UnknownUntilAWholeSecondHasPassed)
{
    scan_rate_start(5000);
    EXPECT_EQ(scan_rate_per_second(), scan_rate_unknown);
    count_scans(5000, 199, 5);  // 995 ms
    EXPECT_EQ(scan_rate_per_second(), scan_rate_unknown);
    scan_rate_count(6000);
    EXPECT_EQ(scan_rate_per_second(), 200);
}

TEST(ScanRate, ALateWindowIsScaledToOneSecond)
{
    // Two scans in a window stretched to 2 s by a stalled redraw: one a second.
    scan_rate_start(0);
    scan_rate_count(500);
    scan_rate_count(2000);
    EXPECT_EQ(scan_rate_per_second(), 1);
    // 150 scans over 1.5 s are 100 a second.
    uint64_t now = count_scans(2000, 150, 10);
    EXPECT_EQ(now, 3500u);
    EXPECT_EQ(scan_rate_per_second(), 100);
}

TEST(ScanRate, EachWindowStandsAlone)
{
    scan_rate_start(0);
    uint64_t now = count_scans(0, 200, 5);
    EXPECT_EQ(scan_rate_per_second(), 200);
    // A slower second afterwards shows the new pace, not an average since the start.
    count_scans(now, 50, 20);
    EXPECT_EQ(scan_rate_per_second(), 50);
}

TEST(ScanRate, StartForgetsThePreviousRun)
{
    scan_rate_start(0);
    count_scans(0, 200, 5);
    ASSERT_EQ(scan_rate_per_second(), 200);
    scan_rate_start(10000);
    EXPECT_EQ(scan_rate_per_second(), scan_rate_unknown);
    count_scans(10000, 100, 10);
    EXPECT_EQ(scan_rate_per_second(), 100);
}

TEST(ScanRate, AClockSteppingBackRestartsTheWindow)
{
    scan_rate_start(10000);
    count_scans(10000, 100, 5);  // up to 10500
    scan_rate_count(9000);       // back 1.5 s: no wrapped, huge elapsed time
    EXPECT_EQ(scan_rate_per_second(), scan_rate_unknown);
    count_scans(9000, 100, 10);
    EXPECT_EQ(scan_rate_per_second(), 100);
}

}  // namespace
