// The stand-in's built-in boards: the demo walk through the calls, and the
// worn and loose boards in time and, for the worn one, through the calls on
// the real clock.
#include <gtest/gtest.h>

#include <stdint.h>

#include <vector>

#include "board_loose.h"
#include "board_wiring.h"
#include "board_worn.h"
#include "ch341_calls.h"
#include "ch341dll.h"
#include "program_run.h"
#include "test_clock.h"

TEST(StandInDemo, WalksOneButtonAndCountsTheSystemInputs)
{
    // The stand-in keeps a board whose setting has not changed: another board first, so the
    // demo starts its walk at this open whatever test ran before.
    scoped_environment board("CH341_SIM_BOARD", "worn");
    CH341OpenDevice(ch341_bridge_index);
    program_set_environment("CH341_SIM_BOARD", "demo");
    ASSERT_NE(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE);
    // Frames at the first scan of steps 0, 1, 4 and 16 (32 scans a step).
    // clang-format off
    const struct { uint32_t scan; uint8_t bytes[3]; } cases[] = {
        {0, {0xFF, 0xFE, 0xFF}},        // button 0: byte 1 bit 0
        {31, {0xFF, 0xFE, 0xFF}},       // still step 0
        {32, {0xFF, 0xFB, 0xFF}},       // button 1: byte 1 bit 2
        {4 * 32, {0x7F, 0xFF, 0xFF}},   // button 4: byte 0 bit 7
        {16 * 32, {0xFF, 0xFE, 0xFD}},  // button 0 again, system input 0
        {48 * 32, {0xFF, 0xFE, 0xFC}},  // system inputs 0 and 1
    };
    // clang-format on
    uint32_t scan = 0;
    for (const auto &expected : cases) {
        scan += static_cast<uint32_t>(first_bytes(static_cast<int>(expected.scan - scan)).size());
        // The walk goes on through a close and an open.
        CH341CloseDevice(ch341_bridge_index);
        ASSERT_NE(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE);
        for (uint8_t byte : expected.bytes) {
            EXPECT_EQ(read_one(), served(byte)) << "scan " << scan;
        }
        ++scan;
    }
    CH341CloseDevice(ch341_bridge_index);
}

constexpr uint32_t worn_bit = worn_bits[0], clean_bit = worn_bits[1];

TEST(StandInWorn, TheBoardInTime)
{
    // What the board shows at each instant of a run (us: since the open), in time order.
    // clang-format off
    const struct { uint32_t pressed; std::vector<uint64_t> us; } runs[] = {
        {0, {39999}},
        {worn_bit, {40000, 41500, 159999}},
        {0, {160000}},
        {clean_bit, {180000, 329999}},
        {0, {330000, 761999}},  // press 3 bounces as it is let go at 760 ms: 2 ms open, 1.5 ms closed
        {worn_bit, {762000, 763499}},
        {0, {763500, 1062000}},
        {worn_bit, {1241499}},  // press 5 bounces as it closes at 1240 ms: 1.5 ms closed, 2 ms open
        {0, {1241500, 1243499}},
        {worn_bit, {1243500}},
        {worn_bit | clean_bit, {1662000}},  // press 6 as it is let go
        {0, {2741500, 4241500}},  // 2741500: press 10 as it closes
        {worn_bit, {4362000}},  // press 15 both ways
    };
    // clang-format on
    for (const auto &run : runs) {
        for (uint64_t us : run.us) {
            EXPECT_EQ(board_worn_frame(us), 0xFFFFFFu & ~run.pressed) << us;
        }
    }
}

// Through the calls at a bridge's pace, on the time since the open: lower
// bounds and what no delay can change here, the rest on the test clock.
TEST(StandInWorn, ScannedAtABridgesPaceTheBoardKeepsItsTime)
{
    scoped_environment board("CH341_SIM_BOARD", "worn"), call_time("CH341_SIM_CALL_US", "20");
    uint64_t start_us = test_clock_us();
    ASSERT_NE(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE);
    worn_presses presses = worn_scans(test_clock_us, start_us, [](uint64_t, uint32_t) {});
    CH341CloseDevice(ch341_bridge_index);
    // Button 5 at 40, 340, 640, 940 and 1240 ms, once more for each of two bounces.
    EXPECT_LE(presses.count[0], 7);
    EXPECT_LE(presses.count[1], 2) << "the clean button never bounces";
    EXPECT_GE(presses.first_us[0], 40000u);
    EXPECT_GE(presses.first_us[1], 180000u);
}

TEST(StandInLoose, TheBoardInTime)
{
    // us: since the load; panel: the demo's walk, a step every 250 ms.
    // clang-format off
    const struct { uint64_t us; uint32_t panel; loose_link link; uint64_t unplug, unplug_left_us; } instants[] = {
        {0, 1u << 0, loose_link::up, 0, 0},
        {249999, 1u << 0, loose_link::up, 0, 0},
        {250000, 1u << 1, loose_link::up, 0, 0},
        {1999999, 1u << 7, loose_link::up, 0, 0},
        {2000000, 1u << 8, loose_link::failing, 0, 0},
        {2039999, 1u << 8, loose_link::failing, 0, 0},
        {2040000, 1u << 8, loose_link::up, 0, 0},
        {4010000, 1u << 0, loose_link::failing, 0, 0},
        {6999999, 1u << 11, loose_link::up, 0, 0},
        {7000000, 1u << 12, loose_link::unplugged, 1, 1500000},
        {8000000, 1u << 0, loose_link::unplugged, 1, 500000},
        {8499999, 1u << 1, loose_link::unplugged, 1, 1},
        {8500000, 1u << 2, loose_link::up, 0, 0},
        {19000000, 1u << 12, loose_link::unplugged, 2, 1500000},
    };
    // clang-format on
    for (const auto &instant : instants) {
        SCOPED_TRACE(instant.us);
        loose_moment moment = board_loose_at(instant.us);
        EXPECT_EQ(moment.frame & 0xFFFF, board_frame_of(instant.panel, 0) & 0xFFFF);
        EXPECT_EQ(moment.link, instant.link);
        EXPECT_EQ(moment.unplug, instant.unplug);
        EXPECT_EQ(moment.unplug_left_us, instant.unplug_left_us);
    }
}
