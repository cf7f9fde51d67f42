// The stand-in itself, the shipped library on the real clock: what it serves
// from a script, how it fails, and what it traces. ch341_property_test.cpp
// checks its calls and scans against a model on a clock the test sets.
#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "ch341_calls.h"
#include "ch341dll.h"
#include "sim_control.h"
#include "stderr_capture.h"
#include "test_clock.h"

TEST(StandInNoBoard, OpenFailsAndEveryCallFails)
{
    scoped_environment board("CH341_SIM_BOARD", "");
    std::string trace = sim_trace_for(test_name());
    // The first case of this program: no open has been made before.
    std::string error = stderr_of([] {
        EXPECT_EQ(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE);
        EXPECT_EQ(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE);
    });
    EXPECT_EQ(error, "ch341 stand-in: CH341_SIM_BOARD is not set, so there is no bridge: "
                     "see sim/ch341dll/README.md\n")
        << "once a process";
    EXPECT_FALSE(CH341EppSetAddr(ch341_bridge_index, 0xFF));
    EXPECT_EQ(read_one(), read_failed) << "a failed read must leave the buffer alone";
    CH341CloseDevice(ch341_bridge_index);
    EXPECT_EQ(sim_read_lines(trace), (std::vector<std::string>{
                                         "CH341OpenDevice(0) -> INVALID_HANDLE_VALUE",
                                         "CH341OpenDevice(0) -> INVALID_HANDLE_VALUE",
                                         "CH341EppSetAddr(0, 0xFF) -> FALSE",
                                         "CH341EppReadData(0, length 1) -> FALSE, length 0",
                                         "CH341CloseDevice(0)",
                                     }));
}

TEST(StandInScript, ServesFramesInOrderRepeatsAndStartsOver)
{
    ASSERT_TRUE(opened(test_name(), "FE 0x7f 1\na5 5A 00 repeat=2\n"));
    for (int byte : {0xFE, 0x7F, 0x01, 0xA5, 0x5A, 0x00, 0xA5, 0x5A, 0x00, 0xFE, 0x7F, 0x01}) {
        EXPECT_EQ(read_one(), served(uint8_t(byte)));
    }
    CH341CloseDevice(ch341_bridge_index);
}

// More opens than a process may hold files: an open of the same board loads nothing.
TEST(StandInScript, ReopenGoesOnWhereTheScriptWas)
{
    ASSERT_TRUE(opened(test_name(), "11 22 33\n44 55 66\n"));
    EXPECT_EQ(read_one().byte, 0x11);
    for (int open = 0; open < 1100; ++open) {
        ASSERT_NE(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE) << open;
    }
    EXPECT_EQ(read_one().byte, 0x22);
    CH341CloseDevice(ch341_bridge_index);
    EXPECT_EQ(read_one(), read_failed) << "closed";
    ASSERT_NE(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE);
    EXPECT_EQ(read_one().byte, 0x33) << "a closed bridge's calls use up no place";
    EXPECT_EQ(read_one().byte, 0x44);
    CH341CloseDevice(ch341_bridge_index);
}

// The times the bridge is gone for at most: on the test clock, ch341_property_test.cpp.
TEST(StandInScript, UnplugGoesForItsTimeAndTheFramesGoOnThroughANewOpen)
{
    ASSERT_TRUE(opened(test_name(), unplug_script));
    // A 150 ms probe: late enough for a short unplug, and far from 200 ms for a loaded machine.
    const auto spin_until = [](uint64_t until_us) {
        while (test_clock_us() < until_us) {
        }
    };
    expect_unplug_example(test_clock_us, spin_until, 150000);
}

TEST(StandInScript, AnEndLineIsTheLastAndATimedScriptGoesByTheClock)
{
    // Untimed: one frame line per scan and repeat, then no bridge, for good.
    ASSERT_TRUE(opened(test_name() + ".end", "11 22 33\n44 55 66 repeat=2\nend\n"));
    EXPECT_EQ(first_bytes(5), (std::vector<int>{0x11, 0x44, 0x44}));
    EXPECT_FALSE(CH341EppSetAddr(ch341_bridge_index, 0xFF));
    CH341CloseDevice(ch341_bridge_index);
    EXPECT_EQ(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE);
    // Timed lines whose time has come are served one scan each; the last, with no end
    // line after it, for its repeat count, and the next pass starts its clock again.
    ASSERT_TRUE(opened(test_name() + ".loop", "11 0 0 at-us=0\n22 0 0 at-us=0 repeat=3\n"));
    EXPECT_EQ(first_bytes(6), (std::vector<int>{0x11, 0x22, 0x22, 0x22, 0x11, 0x22}));
    // Each line from its time on, for a scan at least, until the end line's time; pace-us is
    // ignored. Lower bounds here; line 1's scans in its tenth of a second on the test clock.
    ASSERT_TRUE(opened(test_name() + ".clock", timed_end_script));
    std::vector<int> shown, scans;  // byte 0 of each line shown in turn, and its scans
    uint64_t start_us = test_clock_us(), seen_us = 0;  // after the first scan of line 2
    for (std::vector<int> scan = first_bytes(1); !scan.empty(); scan = first_bytes(1)) {
        if (shown.empty() || shown.back() != scan[0]) {
            shown.push_back(scan[0]);
            scans.push_back(0);
            seen_us = scan[0] == 0x22 ? test_clock_us() - start_us : seen_us;
        }
        ++scans.back();
    }
    EXPECT_GE(test_clock_us() - start_us, 200000u) << "the end line's time";
    ASSERT_EQ(shown, (std::vector<int>{0x11, 0x22, 0x33}));
    EXPECT_EQ(scans[1], 1) << "its time was up as it was first served";
    EXPECT_GE(seen_us, 100000u);
    CH341CloseDevice(ch341_bridge_index);
}

TEST(StandInScript, InjectedFaultsHitTheirCallOnly)
{
    ASSERT_TRUE(opened(test_name(), "01 02 03 addr-fail=2 addr-fail=9 read-fail=1 short-read=3\n"
                                    "04 05 06\n"));
    for (int write = 1; write <= 9; ++write) {
        EXPECT_EQ(CH341EppSetAddr(ch341_bridge_index, 0x00), BOOL(write != 2 && write != 9))
            << write;
    }
    EXPECT_EQ(read_one(), read_failed);
    EXPECT_EQ(read_one(), served(0x02));
    EXPECT_EQ(read_one(), (read_result{TRUE, 0, 0xAA})) << "a short read still reports success";
    // The next scan's frame carries no fault.
    EXPECT_TRUE(CH341EppSetAddr(ch341_bridge_index, 0xFF));
    EXPECT_EQ(read_one().byte, 0x04);
    CH341CloseDevice(ch341_bridge_index);
}

TEST(StandInScript, BadScriptsLeaveNoBridge)
{
    std::string error = stderr_of([] {
        scoped_environment board("CH341_SIM_BOARD", "no-such-file.frames");
        EXPECT_EQ(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE);
    });
    EXPECT_EQ(error.rfind("ch341 stand-in: cannot read frame script no-such-file.frames: ", 0), 0u)
        << error;

    // The decoded form, a frame line past the limit and a fault of the text itself: one
    // line on stderr names the line. And the edges that load. the w word: the longest a
    // line holds, named whole; "F F F x ...": the most words a line holds, 128, all
    // reach the parser.
    // clang-format off
    const struct { std::string error; std::vector<std::string> scripts; } cases[] = {  // error "": they load
        {": no frames", {"", "# only a comment\n", "end\n", "unplug-ms 1\n"}},
        {":1: expected three frame bytes", {"FF FF\n"}},
        {":2: expected three frame bytes", {"FF FF FF\nFF FF\n"}},
        {":1: a frame byte is one or two hex digits", {"FF FF 100\n", "FF FF GG\n", "FF FF 0FF\n", "FF FF FF\x1A\n"}},  // Ctrl-Z reaches the parser as a stray character
        {":1: repeat= takes 1 to 1000000", {"FF FF FF repeat=0\n", "FF FF FF repeat=x\n", "panel=0x0020 sys=0x1 repeat=0\n"}},
        {":1: addr-fail= takes 1 to 9", {"FF FF FF addr-fail=10\n"}},
        {":1: read-fail= takes 1 to 3", {"FF FF FF read-fail=4\n"}},
        {":1: short-read= takes 1 to 3", {"FF FF FF short-read=0\n"}},
        {":1: unknown word bogus", {"FF FF FF bogus\n"}},
        {":1: unknown word " + std::string(246, 'w'), {"FF FF FF " + std::string(246, 'w')}},
        {":1: unknown word x", {"F F F" + repeated(" x", 125)}},
        {":2: panel= takes four hex digits", {"FF FF FF\npanel=0x020 sys=0x1\n"}},
        {":1: panel= takes four hex digits", {"panel=0x0x20 sys=0x1\n"}},
        {":1: sys= follows panel= and takes one hex digit, 0 to 7", {"panel=0x0020 sys=0x8\n", "panel=0x0020\n"}},
        {":1: at-us= takes 0 to 18446744073709551615", {"FF FF FF at-us=12x\n"}},
        // Timed lines, all or none, and the end line, last.
        {"", {"FF FF FF at-us=18446744073709551615\nend at-us=18446744073709551615\n", "unplug-ms 600000\nFF FF FF\nunplug-ms 1\n", "FF FF FF at-us=7\nunplug-ms 1\nFF FF FF at-us=7\nend at-us=7\n"}},
        {":3: at-us= goes back in time", {"FF FF FF at-us=300000\nunplug-ms 5\nFF FF FF at-us=100000\n", "FF FF FF at-us=5\n# a comment\nend at-us=4\n"}},
        {":2: timed and untimed lines in one script", {"FF FF FF at-us=0\nFF FF FF\n", "FF FF FF\nFF FF FF at-us=0\n", "FF FF FF at-us=0\nend\n", "FF FF FF\nend at-us=5\n"}},
        {":2: end takes nothing but at-us=", {"FF FF FF\nend repeat=2\n", "FF FF FF at-us=0\nend at-us=1 at-us=2\n"}},
        {":5: a line after end", {"FF FF FF\nend\n# after it\n\npace-us 5\n"}},
        {":1: pace-us takes microseconds, 0 to 1000000", {"pace-us 1000001\nFF FF FF\n", "pace-us 5 5\nFF FF FF\n"}},
        {":2: pace-us takes microseconds, 0 to 1000000", {"FF FF FF\npace-us\n"}},
        {":3: more than one pace-us line", {"pace-us 0\nFF FF FF\npace-us 0\n"}},
        {":2: unplug-ms takes milliseconds, 1 to 600000", {"FF FF FF\nunplug-ms 0\n"}},
        {":1: unplug-ms takes milliseconds, 1 to 600000", {"unplug-ms 600001\nFF FF FF\n", "unplug-ms\nFF FF FF\n", "unplug-ms 5 5\nFF FF FF\n"}},
        {":65537: too many frames", {repeated("panel=0x0000 sys=0x0\n", 65536) + "FF FF FF\n"}},
        {":65537: too many unplug-ms lines", {repeated("unplug-ms 1\n", 65537) + "FF FF FF\n"}},
        {":2: line too long", {"FF FF FF\n#" + std::string(255, 'x') + "\r\n"}},
    };
    // clang-format on
    // One file per script: a board loads again only when its setting changes or its load failed.
    int file_number = 0;
    for (const auto &c : cases) {
        for (const std::string &script : c.scripts) {
            SCOPED_TRACE(script.substr(0, 40));
            std::string name = test_name() + "." + std::to_string(file_number++);
            bool loaded = false;
            error = stderr_of([&] { loaded = opened(name, script); });
            EXPECT_EQ(loaded, c.error.empty());
            EXPECT_EQ(error, c.error.empty()
                                 ? ""
                                 : "ch341 stand-in: " + name + ".frames" + c.error + "\n");
            EXPECT_TRUE(c.error.empty() || !CH341EppSetAddr(ch341_bridge_index, 0xFF))
                << "no bridge";
            CH341CloseDevice(ch341_bridge_index);
        }
    }
}

TEST(StandInDevice, ClosedOrOtherIndexFails)
{
    ASSERT_TRUE(opened(test_name(), "00 00 00\n"));
    EXPECT_FALSE(CH341EppSetAddr(ch341_bridge_index + 1, 0xFF));
    ULONG length = 1;
    uint8_t byte = 0;
    EXPECT_FALSE(CH341EppReadData(ch341_bridge_index, nullptr, &length));
    EXPECT_FALSE(CH341EppReadData(ch341_bridge_index, &byte, nullptr));
    EXPECT_EQ(CH341OpenDevice(ch341_bridge_index + 1), INVALID_HANDLE_VALUE);
    CH341CloseDevice(ch341_bridge_index + 1);
    EXPECT_TRUE(CH341EppSetAddr(ch341_bridge_index, 0xFF)) << "bridge 0 stays open";
    CH341CloseDevice(ch341_bridge_index);
    // A closed bridge's read: ReopenGoesOnWhereTheScriptWas.
    EXPECT_FALSE(CH341EppSetAddr(ch341_bridge_index, 0xFF));
}

// Out of range, the setting leaves no bridge. The shipped stand-in on the real clock, where its
// waits spin; a scan's pace waits the same way. Lower bounds only: a loaded machine makes calls
// slower.
TEST(StandInPace, EveryCallTakesTheCallTimeInRange)
{
    scoped_environment board("CH341_SIM_BOARD", "demo");
    for (const char *setting : {"100001", "-5", "12ms"}) {
        scoped_environment call_time("CH341_SIM_CALL_US", setting);
        std::string error =
            stderr_of([] { EXPECT_EQ(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE); });
        EXPECT_EQ(error, "ch341 stand-in: CH341_SIM_CALL_US takes microseconds, 0 to 100000\n")
            << setting;
    }
    uint64_t start_us = test_clock_us();
    {
        scoped_environment call_time("CH341_SIM_CALL_US", "100000");
        ASSERT_NE(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE);
    }
    EXPECT_GE(test_clock_us() - start_us, 100000u) << "the open takes the time it reads";
    scoped_environment call_time("CH341_SIM_CALL_US", "3000");
    ASSERT_NE(CH341OpenDevice(ch341_bridge_index), INVALID_HANDLE_VALUE);
    // The last, a read of the closed bridge: a failed call takes the time too.
    for (int call = 0; call < 4; ++call) {
        start_us = test_clock_us();
        bool ok = call == 0   ? CH341EppSetAddr(ch341_bridge_index, 0xFF) != FALSE
                  : call == 2 ? (CH341CloseDevice(ch341_bridge_index), true)
                              : read_one().ok != FALSE;
        EXPECT_EQ(ok, call != 3) << call;
        EXPECT_GE(test_clock_us() - start_us, 3000u) << call;
    }
}

// A scan starts at its first call, address write or data read. A caller
// slower than the pace is not held: on the test clock, ch341_property_test.cpp.
TEST(StandInPace, ScansOfAPacedScriptStartThePaceApart)
{
    for (bool reads_only : {false, true}) {
        ASSERT_TRUE(
            opened(test_name() + (reads_only ? ".reads" : ".calls"), "pace-us 4000\n11 22 33\n"));
        uint64_t start_us = test_clock_us();
        for (int scan = 0; scan < 3; ++scan) {
            EXPECT_EQ(reads_only ? (read_one(), read_one(), read_one().byte) : scan_frame() >> 16,
                      0x33u);
        }
        EXPECT_EQ(read_one().byte, 0x11) << "the pace line is no frame";
        EXPECT_GE(test_clock_us() - start_us, 3 * 4000u) << reads_only;
    }
    CH341CloseDevice(ch341_bridge_index);
}
