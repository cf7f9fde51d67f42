// The CH341 calls as the library makes them, for the suites of the stand-in on
// the real clock and on the test clock.
#ifndef TESTS_SUPPORT_CH341_CALLS_H
#define TESTS_SUPPORT_CH341_CALLS_H

#include <gtest/gtest.h>
#include <stdint.h>

#include <ostream>
#include <string>
#include <vector>

#include "ch341dll.h"
#include "program_run.h"
#include "sim_control.h"

struct read_result {
    BOOL ok;
    ULONG length;
    uint8_t byte;
};

inline bool operator==(const read_result &a, const read_result &b)
{
    return a.ok == b.ok && a.length == b.length && a.byte == b.byte;
}

inline std::ostream &operator<<(std::ostream &out, const read_result &r)
{
    return out << "ok " << r.ok << ", length " << r.length << ", byte " << int(r.byte);
}

// Whether bridge 0 opens on a board running script_text, in name.frames.
inline bool opened(const std::string &name, const std::string &script_text)
{
    program_set_environment("CH341_SIM_BOARD", sim_frames_of(name, script_text));
    return CH341OpenDevice(ch341_bridge_index) != INVALID_HANDLE_VALUE;
}

// A read that delivers byte; a read that fails, its buffer of 0xAA left alone.
inline read_result served(uint8_t byte)
{
    return {TRUE, 1, byte};
}
constexpr read_result read_failed = {FALSE, 0, 0xAA};

inline read_result read_one()
{
    read_result result = {FALSE, 1, 0xAA};
    result.ok = CH341EppReadData(ch341_bridge_index, &result.byte, &result.length);
    return result;
}

// One scan: nine address writes, a data read after the fourth, sixth and
// eighth. Returns byte0 | byte1 << 8 | byte2 << 16.
inline uint32_t scan_frame()
{
    uint32_t frame = 0;
    for (int write = 1, byte = 0; write <= 9; ++write) {
        EXPECT_TRUE(CH341EppSetAddr(ch341_bridge_index, 0xFF));
        if (write == 4 || write == 6 || write == 8) {
            read_result read = read_one();
            EXPECT_TRUE(read.ok && read.length == 1);
            frame |= static_cast<uint32_t>(read.byte) << (8 * byte++);
        }
    }
    return frame;
}

// Byte 0 of each scan of reads only, until a read fails or `scans` are done.
inline std::vector<int> first_bytes(int scans)
{
    std::vector<int> bytes;
    for (int scan = 0; scan < scans; ++scan) {
        read_result read[3] = {read_one(), read_one(), read_one()};
        if (!read[0].ok) {
            break;
        }
        bytes.push_back(read[0].byte);
    }
    return bytes;
}

// A frame, an unplug of 200 ms and a frame, served to an open bridge: gone
// from the scan after the first frame, then the frames again through a new
// open. now_us() reads the clock, wait_until(t) returns once it reads t; an
// open is tried at once and late_probe_us after the bridge went.
constexpr char unplug_script[] = "11 22 33\nunplug-ms 200\n44 55 66\n";
template <typename Now, typename Wait>
void expect_unplug_example(Now now_us, Wait wait_until, uint64_t late_probe_us)
{
    EXPECT_EQ(scan_frame(), 0x332211u);
    uint64_t before_us = now_us();
    EXPECT_FALSE(CH341EppSetAddr(ch341_bridge_index, 0xFF)) << "gone from the next scan";
    uint64_t gone_us = now_us();
    EXPECT_EQ(read_one(), read_failed);
    EXPECT_EQ(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE) << "the open is dead";
    CH341CloseDevice(ch341_bridge_index);
    for (uint64_t probe_us : {uint64_t{0}, late_probe_us}) {
        wait_until(gone_us + probe_us);
        if (CH341OpenDevice(ch341_bridge_index) != INVALID_HANDLE_VALUE) {
            EXPECT_GE(now_us() - before_us, 200000u) << "no bridge to open while it is gone";
            CH341CloseDevice(ch341_bridge_index);
        }
    }
    wait_until(gone_us + 200000);
    EXPECT_FALSE(CH341EppSetAddr(ch341_bridge_index, 0xFF));
    EXPECT_EQ(read_one(), read_failed);
    CH341CloseDevice(ch341_bridge_index);
    ASSERT_NE(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE);
    EXPECT_EQ(scan_frame(), 0x665544u) << "calls of a gone bridge use up no place";
    EXPECT_EQ(scan_frame(), 0x332211u);
    EXPECT_FALSE(CH341EppSetAddr(ch341_bridge_index, 0xFF)) << "every pass unplugs";
    CH341CloseDevice(ch341_bridge_index);
}

// Timed lines at 0, 100 and 100 ms, the end at 200 ms, and a pace it ignores.
constexpr char timed_end_script[] = "pace-us 1000000\n11 0 0 at-us=0\n22 0 0 at-us=100000\n"
                                    "33 0 0 at-us=100000\nend at-us=200000\n";

// The worn board's buttons (active-low): panel button 5 is byte 0 bit 5, the
// clean button 10 byte 1 bit 5.
constexpr uint32_t worn_bits[2] = {0x0020, 0x2000};

struct worn_presses {
    int count[2];
    uint64_t first_us[2];  // after the scan that saw it, since the open; UINT64_MAX: none
};

// Scans the open worn board for 1.45 s of now_us() since opened_us; each
// frame goes to seen(time of the scan's start since the open, frame).
template <typename Clock, typename Seen>
worn_presses worn_scans(Clock now_us, uint64_t opened_us, Seen seen)
{
    worn_presses presses = {{0, 0}, {UINT64_MAX, UINT64_MAX}};
    uint32_t before = 0xFFFFFF;
    for (uint64_t at_us = now_us() - opened_us; at_us < 1450000; at_us = now_us() - opened_us) {
        uint32_t frame = scan_frame();
        seen(at_us, frame);
        for (int i = 0; i < 2; ++i) {
            if ((before & ~frame & worn_bits[i]) != 0 && presses.count[i]++ == 0) {
                presses.first_us[i] = now_us() - opened_us;
            }
        }
        before = frame;
    }
    return presses;
}

#endif
