// A recorded run's scan session over a library and a clock the test defines:
// what a restart forgets, and what a recording killed mid-run has kept.
#include <gtest/gtest.h>

#include <string>

#include "monotonic_clock.h"
#include "program_run.h"
#include "scan_session.h"
#include "wzio.h"

namespace {

uint64_t clock_us = 0;
uint32_t scans_made = 0;
bool scans_fail = false;

}  // namespace

// Each scan takes 100, 150 or 200 us in turn and reads panel 5.
bool IO_CALL wz_io_read_inputs(void)
{
    clock_us += 100 + 50 * (scans_made++ % 3);
    return !scans_fail;
}
uint16_t IO_CALL wz_io_get_panel_inputs(void)
{
    return 0x0020;
}
uint8_t IO_CALL wz_io_get_sys_inputs(void)
{
    return 0;
}
uint64_t monotonic_clock_us()
{
    return clock_us;
}

TEST(ScanSession, ARestartForgetsAndAKilledRecordingKeepsItsPaceAndScanTimeLines)
{
    cycle_counts counts = {0, 0};
    for (scans_fail = true; clock_us < 1000000; clock_us += 300000) {
        scan_session_scan(&counts);
    }
    scans_fail = false;
    scan_session_start();
    EXPECT_EQ(scan_session_period_us() + scan_session_scan_time().count +
                  scan_session_link()->dropouts,
              0u);
    ASSERT_TRUE(scan_session_open_recording("ScanSession.frames"));
    // 1.5 s of scans 5 ms apart: the file is brought up to date at least once a second.
    for (int scan = 1; scan <= 300; ++scan) {
        clock_us = 1000000 + 5000u * static_cast<uint64_t>(scan);
        scan_session_scan(&counts);
    }
    std::string kept = read_file("ScanSession.frames");
    EXPECT_PRED_FORMAT2(testing::IsSubstring,
                        "\n# scan time: min 100 us, median 150 us, max 200 us ", kept);
    EXPECT_PRED_FORMAT2(testing::IsSubstring, "\npace-us 5000 ", kept);
    EXPECT_TRUE(scan_session_close_recording());
}
