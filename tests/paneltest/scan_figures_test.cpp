// The screen's figures fed with made-up times: scans per second, and the
// scan time's minimum, median and maximum.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "scan_rate.h"
#include "scan_timing.h"

namespace {

constexpr int32_t unknown = scan_rate_unknown;

// Counts `scans` scans, from first_ms on every interval_ms, then gives the rate;
// no scans: starts the count at first_ms.
struct rate_step {
    uint64_t first_ms;
    int scans;
    uint64_t interval_ms;
    int32_t rate;
};

TEST(ScanRate, WholeWindowsOfASecondOrMoreScaledToOneSecond)
{
    // clang-format off
    const struct { const char *name; std::vector<rate_step> steps; } cases[] = {
        {"unknown_until_a_whole_second_has_passed", {{5000, 0, 0, unknown}, {5005, 199, 5, unknown}, {6000, 1, 0, 200}}},
        // Two scans in a window stretched to 2 s by a stalled redraw: one a second; then 150 over 1.5 s.
        {"a_late_window_is_scaled_to_one_second", {{0, 0, 0, unknown}, {500, 1, 0, unknown}, {2000, 1, 0, 1}, {2010, 150, 10, 100}}},
        // A slower second afterwards shows the new pace, not an average since the start.
        {"each_window_stands_alone", {{0, 0, 0, unknown}, {5, 200, 5, 200}, {1020, 50, 20, 50}}},
        {"start_forgets_the_previous_run", {{0, 0, 0, unknown}, {5, 200, 5, 200}, {10000, 0, 0, unknown}, {10010, 100, 10, 100}}},
        {"scans_in_the_window_s_first_ms_count", {{0, 0, 0, unknown}, {0, 3, 0, unknown}, {1000, 1, 0, 4}}},
        // Back 1.5 s: no wrapped, huge elapsed time.
        {"a_clock_stepping_back_restarts_the_window", {{10000, 0, 0, unknown}, {10005, 100, 5, unknown}, {9000, 1, 0, unknown}, {9010, 100, 10, 100}}},
    };
    // clang-format on
    for (const auto &c : cases) {
        scan_rate rate;
        for (const rate_step &step : c.steps) {
            if (step.scans == 0) {
                scan_rate_start(&rate, step.first_ms);
            }
            for (int scan = 0; scan < step.scans; ++scan) {
                scan_rate_count(&rate,
                                step.first_ms + static_cast<uint64_t>(scan) * step.interval_ms);
            }
            EXPECT_EQ(scan_rate_per_second(&rate), step.rate)
                << c.name << " from " << step.first_ms;
        }
    }
}

std::tuple<uint32_t, uint32_t, uint32_t, uint32_t> figures_of(const duration_window &window)
{
    scan_timing_figures figures = duration_window_figures(&window);
    return {figures.count, figures.min_us, figures.median_us, figures.max_us};
}

TEST(ScanTiming, MinMedianAndMaxOfTheLastThousandScans)
{
    duration_window window;
    duration_window_start(&window);
    EXPECT_EQ(figures_of(window), std::make_tuple(0u, 0u, 0u, 0u));
    for (uint64_t duration : {40u, 10u, 30u, 20u}) {
        duration_window_record(&window, duration);
    }
    // The median is the lower of the two middle ones.
    EXPECT_EQ(figures_of(window), std::make_tuple(4u, 10u, 20u, 40u));
    // A thousand more push the first four out; a duration past 32 bits is kept as the most.
    for (uint32_t scan = 0; scan < scan_timing_window - 1; ++scan) {
        duration_window_record(&window, 5);
    }
    duration_window_record(&window, UINT64_C(5000000000));
    EXPECT_EQ(figures_of(window), std::make_tuple(scan_timing_window, 5u, 5u, UINT32_MAX));
    // A new window keeps nothing of the old one.
    duration_window_start(&window);
    duration_window_record(&window, 7);
    EXPECT_EQ(figures_of(window), std::make_tuple(1u, 7u, 7u, 7u));
}

}  // namespace
