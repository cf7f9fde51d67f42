// The examples of ch341_sim_test.cpp whose bounds from above would depend on
// the machine's speed on the real clock, as fixed runs on the clock of
// ch341_property_test.cpp, with the outcomes they had there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "board_loose.h"
#include "board_worn.h"
#include "bridge_clock.h"
#include "ch341_calls.h"
#include "program_run.h"
#include "sim_control.h"

TEST(Ch341StandInClock, AnUnplugGoesForItsTime)
{
    ASSERT_TRUE(opened(test_name(), unplug_script));
    expect_unplug_example(bridge_clock_us, bridge_clock_wait_until, 199999);
}

// A scan every 25 ms: line 1 for its tenth of a second, the pace line ignored.
TEST(Ch341StandInClock, ATimedScriptShowsEachLineFromItsTime)
{
    ASSERT_TRUE(opened(test_name(), timed_end_script));
    const uint64_t start_us = bridge_clock_us();
    std::vector<int> bytes;
    for (std::vector<int> scan = first_bytes(1); !scan.empty(); scan = first_bytes(1)) {
        bytes.push_back(scan[0]);
        bridge_clock_wait_until(bridge_clock_us() + 25000);
    }
    EXPECT_EQ(bytes, (std::vector<int>{0x11, 0x11, 0x11, 0x11, 0x22, 0x33, 0x33, 0x33}));
    EXPECT_EQ(bridge_clock_us() - start_us, 200000u);
    CH341CloseDevice(0);
}

// Only a scan's first call waits, and the first scan since the open not at all;
// a caller slower than the pace is not held, as the pace counts from the last scan's start.
TEST(Ch341StandInClock, APaceHoldsNoScanThatIsLateAlready)
{
    ASSERT_TRUE(opened(test_name(), "pace-us 400000\nFF FF FF\n"));
    scan_frame();  // and again at once, the first scan since an open
    ASSERT_NE(CH341OpenDevice(0), INVALID_HANDLE_VALUE);
    const uint64_t start_us = bridge_clock_us();
    scan_frame();
    EXPECT_LT(bridge_clock_us() - start_us, 200000u);
    const uint64_t late_us = start_us + 400000;
    bridge_clock_wait_until(late_us);
    scan_frame();
    EXPECT_LT(bridge_clock_us() - late_us, 200000u);
    CH341CloseDevice(0);
}

// The worn board at a bridge's pace, read at each scan's first call by the time since its load.
TEST(Ch341StandInClock, TheWornBoardGoesByTheTimeOfEachScansFirstCall)
{
    scoped_environment board("CH341_SIM_BOARD", "worn"), call_time("CH341_SIM_CALL_US", "20");
    const uint64_t load_us = bridge_clock_us() + 1000000;
    bridge_clock_wait_until(load_us);
    ASSERT_NE(CH341OpenDevice(0), INVALID_HANDLE_VALUE);
    worn_presses presses = worn_scans(bridge_clock_us, load_us, [](uint64_t at_us, uint32_t frame) {
        ASSERT_EQ(frame, board_worn_frame(at_us)) << at_us;
    });
    // Its link holds where the loose board's flickers, 2 s from the load.
    bridge_clock_wait_until(load_us + 2010000);
    EXPECT_EQ(scan_frame(), board_worn_frame(2010000));
    CH341CloseDevice(0);
    // Button 5 at 40, 340, 640, 940 and 1240 ms, once more for each bounce caught; 10 at 180 and
    // 880.
    EXPECT_GE(presses.count[0], 5);
    EXPECT_LE(presses.count[0], 7);
    EXPECT_EQ(presses.count[1], 2) << "the clean button never bounces";
    EXPECT_GE(presses.first_us[0], 40000u);
    EXPECT_LT(presses.first_us[0], 140000u);
    EXPECT_GE(presses.first_us[1], 180000u);
    EXPECT_LT(presses.first_us[1], 280000u);
}

// The loose board through the calls: each scan the step of its first call's time, its
// link by the time of each call.
TEST(Ch341StandInClock, TheLooseBoardWalksAndLosesItsLinkByTheTimeOfEachCall)
{
    scoped_environment board("CH341_SIM_BOARD", "loose"), call_time("CH341_SIM_CALL_US", "0");
    const uint64_t load_us = bridge_clock_us() + 1000000;
    bridge_clock_wait_until(load_us);
    ASSERT_NE(CH341OpenDevice(0), INVALID_HANDLE_VALUE);
    for (uint64_t at_us : {0u, 260000u, 510000u, 1500000u}) {
        bridge_clock_wait_until(load_us + at_us);
        EXPECT_EQ(scan_frame(), board_loose_at(at_us).frame) << at_us;
    }
    // Transfers lost from 2 s for 40 ms, the open good through them.
    bridge_clock_wait_until(load_us + 2010000);
    int calls_ok = 0;
    for (int write = 1; write <= 9; ++write) {
        calls_ok += CH341EppSetAddr(0, 0xFF);
        if (write == 4 || write == 6 || write == 8) {
            EXPECT_EQ(read_one(), read_failed);
        }
    }
    EXPECT_EQ(calls_ok, 0);
    bridge_clock_wait_until(load_us + 2040000);
    EXPECT_EQ(scan_frame(), board_loose_at(2040000).frame);
    // Unplugged from 7 s for 1.5 s: a dead open, then no bridge until it is back.
    bridge_clock_wait_until(load_us + 7000000);
    EXPECT_FALSE(CH341EppSetAddr(0, 0xFF));
    EXPECT_EQ(CH341OpenDevice(0), INVALID_HANDLE_VALUE);
    CH341CloseDevice(0);
    bridge_clock_wait_until(load_us + 8499999);
    EXPECT_EQ(CH341OpenDevice(0), INVALID_HANDLE_VALUE);
    bridge_clock_wait_until(load_us + 8500000);
    ASSERT_NE(CH341OpenDevice(0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(scan_frame(), board_loose_at(8500000).frame);
    CH341CloseDevice(0);
}
