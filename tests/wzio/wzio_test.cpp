// wzio against the CH341 stand-in: the bus sequence, the decode table,
// failures reported as failures, and how a link drop-out looks to a game.
#include <gtest/gtest.h>

#include <stdint.h>

#include <stdio.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim_control.h"
#include "test_clock.h"
#include "wzio.h"

namespace {

// The twelve calls of one scan, arguments and lengths included: the address
// writes' values in order, R for a data read.
std::vector<std::string> scan_calls_of(const char *bus)
{
    std::vector<std::string> calls;
    std::istringstream values(bus);
    for (std::string value; values >> value;) {
        calls.push_back(value == "R" ? "CH341EppReadData(0, length 1)"
                                     : "CH341EppSetAddr(0, 0x" + value + ")");
    }
    return calls;
}
const std::vector<std::string> scan_calls = scan_calls_of("FF 01 FF 00 R FF 00 R FF 00 R FF");

// Attaches a board running script_text and opens it; returns the trace path.
// Each variant of a test gets files of its own.
std::string init_with_script(const std::string &script_text, const std::string &variant = "")
{
    std::string name = test_name() + variant;
    std::string trace = sim_trace_for(name);
    sim_board_for(name, script_text);
    EXPECT_TRUE(wz_io_init(nullptr, nullptr, nullptr));
    return trace;
}

// The calls of the twelve trace lines from line first on.
std::vector<std::string> scan_calls_from(const std::vector<std::string> &trace, size_t first)
{
    std::vector<std::string> calls;
    for (size_t i = first; i < first + 12 && i < trace.size(); ++i) {
        calls.push_back(sim_call_of(trace[i]));
    }
    return calls;
}

void expect_inputs(uint16_t panel, uint8_t sys)
{
    EXPECT_EQ(wz_io_get_panel_inputs(), panel);
    EXPECT_EQ(wz_io_get_sys_inputs(), sys);
}

// wzio's clock steps every millisecond here, 10 to 16 ms on Windows.
#ifdef _WIN32
constexpr uint64_t clock_step_us = 16000;
#else
constexpr uint64_t clock_step_us = 1000;
#endif

// Past wzio's 250 ms between opens, so the next three failed scans may reopen.
constexpr std::chrono::milliseconds past_the_open_gap(260);

// One scan as a game makes it, timed from before the call to after it.
struct game_scan {
    bool ok;
    uint16_t panel;
    uint64_t before_us, after_us;
};

game_scan scan_as_a_game()
{
    uint64_t before_us = test_clock_us();
    bool ok = wz_io_read_inputs();
    return {ok, wz_io_get_panel_inputs(), before_us, test_clock_us()};
}

}  // namespace

TEST(WzioScan, IssuesTheTwelveCallsInOrder)
{
    std::string trace = init_with_script("A5 5A 0F\n");
    EXPECT_TRUE(wz_io_read_inputs());
    wz_io_fini();
    std::vector<std::string> expected = {"CH341OpenDevice(0) -> handle"};
    std::istringstream data("A5 5A 0F");
    for (const std::string &call : scan_calls) {
        std::string byte;
        bool read = call.compare(0, 16, "CH341EppReadData") == 0 && data >> byte;
        expected.push_back(call + " -> TRUE" + (read ? ", length 1, data 0x" + byte : ""));
    }
    expected.push_back("CH341CloseDevice(0)");
    EXPECT_EQ(sim_read_lines(trace), expected);
}

// What each frame bit low alone decodes to, bit 0 first: panel buttons from
// bytes 0 and 1, system inputs from byte 2.
// clang-format off
const unsigned bit_decodes[3][8] = {
    {0x8000, 0x0080, 0x4000, 0x0040, 0x2000, 0x0020, 0x1000, 0x0010},
    {0x0001, 0x0100, 0x0002, 0x0200, 0x0004, 0x0400, 0x0008, 0x0800},
    {0x02, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00},
};
// clang-format on

struct decode_case {
    uint32_t frame;  // byte 0 | byte 1 << 8 | byte 2 << 16
    unsigned panel, sys;
};

TEST(WzioScan, DecodesEveryFrameBitReportsLevelsNotEdgesAndOutputsChangeNothing)
{
    std::vector<decode_case> cases = {
        {0xFFFFFF, 0, 0}, {0, 0xFFFF, 7}, {0x0FFFFF, 0, 0}, {0xF0FFFF, 0, 7}};
    for (unsigned bit = 0; bit < 24; ++bit) {
        unsigned decode = bit_decodes[bit / 8][bit % 8];
        cases.push_back({0xFFFFFF & ~(1u << bit), bit < 16 ? decode : 0, bit < 16 ? 0 : decode});
    }
    std::string script;
    char line[16];
    for (const decode_case &c : cases) {
        snprintf(line, sizeof line, "%02X %02X %02X\n", c.frame & 0xFF, c.frame >> 8 & 0xFF,
                 c.frame >> 16);
        script += line;
    }
    init_with_script(script + "7E FE FD repeat=2\nFF FF FF\n7F FE FD\n");
    for (const decode_case &c : cases) {
        EXPECT_TRUE(wz_io_read_inputs()) << c.frame;
        expect_inputs(static_cast<uint16_t>(c.panel), static_cast<uint8_t>(c.sys));
    }
    // Each scan reports its level, not edges; the outputs accept anything and change nothing.
    for (int scan = 0; scan < 2; ++scan) {
        EXPECT_TRUE(wz_io_read_inputs());
        // The getters repeat the last scan however often they are asked.
        expect_inputs(0x8011, 0x01);
        expect_inputs(0x8011, 0x01);
    }
    EXPECT_TRUE(wz_io_read_inputs());
    expect_inputs(0x0000, 0x00);
    EXPECT_TRUE(wz_io_read_inputs());
    for (uint32_t value : {0u, 1u, 0x7Fu, 0xFFu, 0xFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        uint8_t byte = static_cast<uint8_t>(value);
        EXPECT_TRUE(wz_io_set_panel_mode(byte));
        EXPECT_TRUE(wz_io_set_coin_blocker(value != 0));
        EXPECT_TRUE(wz_io_write_lights(value));
        wz_io_set_rgb_led(byte, byte, static_cast<uint8_t>(~byte), byte);
        wz_io_set_loggers(nullptr, nullptr, nullptr, nullptr);
        expect_inputs(0x0011, 0x01);
    }
    wz_io_fini();
}

TEST(WzioScan, FiniKeepsTheLastScanAndLaterScansFail)
{
    std::string trace = init_with_script("00 00 00\n");
    EXPECT_TRUE(wz_io_read_inputs());
    wz_io_fini();
    expect_inputs(0xFFFF, 0x07);
    // The bridge is closed now: all twelve calls fail, at once every input is
    // inactive, and however long it fails the host's closed bridge stays closed.
    std::this_thread::sleep_for(past_the_open_gap);
    for (int scan = 0; scan < 3; ++scan) {
        EXPECT_FALSE(wz_io_read_inputs());
        expect_inputs(0x0000, 0x00);
    }
    std::vector<std::string> lines = sim_read_lines(trace);
    ASSERT_EQ(lines.size(), 1u + 12 + 1 + 3 * 12);
    for (size_t i = 14; i < lines.size(); ++i) {
        EXPECT_EQ(sim_call_of(lines[i]), scan_calls[(i - 14) % 12]);
        EXPECT_NE(lines[i].find("-> FALSE"), std::string::npos) << lines[i];
    }
}

TEST(WzioFailure, InitWithoutBridgeFailsAndScansReportNothing)
{
    init_with_script("00 00 00\n");
    EXPECT_TRUE(wz_io_read_inputs());
    std::string trace = sim_trace_for(test_name() + ".nobridge");
    scoped_environment no_bridge("CH341_SIM_BOARD", "");
    EXPECT_FALSE(wz_io_init(nullptr, nullptr, nullptr));
    expect_inputs(0xFFFF, 0x07);  // init leaves the state alone
    EXPECT_FALSE(wz_io_read_inputs());
    expect_inputs(0x0000, 0x00);
    std::vector<std::string> lines = sim_read_lines(trace);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], "CH341OpenDevice(0) -> INVALID_HANDLE_VALUE");
    EXPECT_EQ(scan_calls_from(lines, 1), scan_calls);
    // The bridge enumerates late: a host that scans on picks it up, 250 ms
    // after init's open and from the third failed scan in a row.
    sim_board_for(test_name() + ".late", "FE FF FF\n");
    std::this_thread::sleep_for(past_the_open_gap);
    EXPECT_FALSE(wz_io_read_inputs());
    EXPECT_EQ(sim_read_lines(trace).size(), 13u + 12) << "no reopen after two failed scans";
    EXPECT_FALSE(wz_io_read_inputs());
    EXPECT_TRUE(wz_io_read_inputs());
    expect_inputs(0x8000, 0x00);
    lines = sim_read_lines(trace);
    ASSERT_EQ(lines.size(), 13u + 2 * 12 + 2 + 12);
    EXPECT_EQ(lines[37], "CH341CloseDevice(0)");
    EXPECT_EQ(lines[38], "CH341OpenDevice(0) -> handle");
    wz_io_fini();
}

// Every call that can fail: a pressed frame before the failing scan and a
// different one after it, so a half-read frame or a stale one would show. A
// lost transfer is no release: the failed scan keeps the last good inputs.
TEST(WzioFailure, AnyFailedCallKeepsTheLastGoodScanAndTheNextGoodScanRecovers)
{
    // Nine address writes, three data reads.
    for (std::string word : {"addr-fail=", "read-fail=", "short-read="}) {
        for (int call = 1; call <= (word[0] == 'a' ? 9 : 3); ++call) {
            std::string fault = word + std::to_string(call);
            SCOPED_TRACE(fault);
            std::string trace =
                init_with_script("FE FF FF\n00 00 00 " + fault + "\nFF FE FD\n", "." + fault);
            EXPECT_TRUE(wz_io_read_inputs());
            EXPECT_FALSE(wz_io_read_inputs());
            expect_inputs(0x8000, 0x00);
            EXPECT_TRUE(wz_io_read_inputs());
            expect_inputs(0x0001, 0x01);
            wz_io_fini();
            EXPECT_EQ(scan_calls_from(sim_read_lines(trace), 13), scan_calls)
                << "all twelve calls despite the fault";
        }
    }
}

// A host scanning every 5 ms while a held button's scans fail: runs of one,
// two and five failed scans (up to 20 ms, well under 50) release nothing; a
// run of 100 ms releases it at 50 ms, within a clock step, and the next
// good scan presses it again. The board goes on through wzio's reopens, so
// the scans see the script's frames in order.
TEST(WzioLinkDropOut, AGameSeesNoReleaseUnder50MsAndTheReleaseAt50Ms)
{
    const int failed_runs[] = {1, 2, 5, 20};
    std::string script = "pace-us 5000\npanel=0x0001 sys=0x0 repeat=10\n";
    for (int run : failed_runs) {
        script += "panel=0x0001 sys=0x0 read-fail=1 repeat=" + std::to_string(run) + "\n" +
                  "panel=0x0001 sys=0x0 repeat=10\n";
    }
    std::string trace = init_with_script(script);
    for (int scan = 0; scan < 10; ++scan) {
        ASSERT_TRUE(scan_as_a_game().ok);
    }
    for (int run : failed_runs) {
        SCOPED_TRACE("a run of " + std::to_string(run) + " failed scans");
        std::vector<game_scan> scans;
        for (int scan = 0; scan < run + 1; ++scan) {
            scans.push_back(scan_as_a_game());
        }
        for (int scan = 1; scan < 10; ++scan) {
            EXPECT_TRUE(scan_as_a_game().ok);
        }
        // Each scan of the run and the one after it: failed or good, panel 0 held (1) or
        // released (0), and when it ended.
        std::string oks, panels, ms_into_it;
        for (const game_scan &scan : scans) {
            oks += scan.ok ? 'g' : 'f';
            panels += scan.panel == 0x0001 ? '1' : scan.panel == 0 ? '0' : '?';
            ms_into_it += " " + std::to_string((scan.after_us - scans[0].before_us) / 1000);
        }
        SCOPED_TRACE("ms into the run:" + ms_into_it);
        EXPECT_EQ(oks, std::string(static_cast<size_t>(run), 'f') + "g");
        EXPECT_TRUE(std::regex_match(panels, std::regex("1*0*1")))
            << panels << ": held, released until the good scan, pressed by it";
        size_t held = std::min(panels.find('0'), scans.size() - 1);  // failed scans held
        if (run == 20) {
            ASSERT_LT(held, scans.size() - 1) << "released within the run";
        }
        // wzio's clock is read within each scan's call, so these bounds hold
        // however long a loaded machine stalls a scan: a run that a stall
        // stretches past 50 ms is released as a game would see it.
        if (held < scans.size() - 1) {
            EXPECT_GE(scans[held].after_us - scans[0].before_us, 50000 - clock_step_us);
        }
        if (held > 1) {  // the first failed scan is 0 ms into its run
            EXPECT_LT(scans[held - 1].before_us - scans[0].after_us, 50000 + clock_step_us);
        }
    }
    wz_io_fini();
    EXPECT_GE(sim_calls_in(sim_read_lines(trace), "CH341CloseDevice(0)"), 2)
        << "the 100 ms run reopens the bridge at least once, and wz_io_fini closes it";
}

// A host that keeps scanning through an unplug gets its inputs back, with no
// new wz_io_init: never before the bridge is back, and wzio opens it at most
// every 250 ms meanwhile.
TEST(WzioLinkDropOut, AHostScanningThroughAnUnplugGetsItsInputsBack)
{
    std::string trace = init_with_script(
        "pace-us 5000\npanel=0x0001 sys=0x0 repeat=3\nunplug-ms 300\npanel=0x0002 sys=0x0\n");
    for (int scan = 0; scan < 3; ++scan) {
        EXPECT_TRUE(scan_as_a_game().ok);
    }
    game_scan first_failed = scan_as_a_game();
    EXPECT_FALSE(first_failed.ok);
    EXPECT_EQ(first_failed.panel, 0x0001) << "held at first";
    game_scan scan = first_failed;
    while (!scan.ok && scan.after_us - first_failed.before_us < 5000000) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        scan = scan_as_a_game();
    }
    ASSERT_TRUE(scan.ok) << "back without a new wz_io_init";
    EXPECT_EQ(scan.panel, 0x0002) << "the frame after the unplug line";
    EXPECT_GE(scan.after_us - first_failed.before_us, 300000u) << "never before the bridge is back";
    RecordProperty("back_after_us", std::to_string(scan.after_us - first_failed.before_us));
    wz_io_fini();
    std::vector<std::string> lines = sim_read_lines(trace);
    int opens = sim_calls_in(lines, "CH341OpenDevice(0) -> INVALID_HANDLE_VALUE");
    EXPECT_GE(opens, 1) << "an open while the bridge is gone fails";
    EXPECT_LE(opens, 2) << "250 ms apart over a 300 ms unplug";
    EXPECT_EQ(sim_calls_in(lines, "CH341OpenDevice(0) -> handle"), 2) << "init's and the reopen";
}
