// The scan time figures, fed with made-up durations.
#include <gtest/gtest.h>

#include "scan_timing.h"

namespace {

TEST(ScanTiming, MinMedianAndMaxOfTheLastThousandScans)
{
    scan_timing_start();
    EXPECT_EQ(scan_timing_now().count, 0u);
    for (uint64_t duration : {40u, 10u, 30u, 20u}) {
        scan_timing_record(duration);
    }
    scan_timing_figures figures = scan_timing_now();
    EXPECT_EQ(figures.count, 4u);
    EXPECT_EQ(figures.min_us, 10u);
    EXPECT_EQ(figures.median_us, 20u);  // the lower of the two middle ones
    EXPECT_EQ(figures.max_us, 40u);

    // A thousand more push the first four out; a duration past 32 bits is kept as the most.
    for (uint32_t scan = 0; scan < scan_timing_window - 1; ++scan) {
        scan_timing_record(5);
    }
    scan_timing_record(UINT64_C(5000000000));
    figures = scan_timing_now();
    EXPECT_EQ(figures.count, scan_timing_window);
    EXPECT_EQ(figures.min_us, 5u);
    EXPECT_EQ(figures.median_us, 5u);
    EXPECT_EQ(figures.max_us, UINT32_MAX);

    // A new window keeps nothing of the old one.
    scan_timing_start();
    scan_timing_record(7);
    figures = scan_timing_now();
    EXPECT_EQ(figures.count, 1u);
    EXPECT_EQ(figures.min_us, 7u);
    EXPECT_EQ(figures.max_us, 7u);
}

}  // namespace
