// wzio against the CH341 stand-in: the bus sequence, the decode table, and
// failures reported as failures with every input inactive.
#include <gtest/gtest.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "sim_control.h"
#include "wzio.h"

namespace {

// The twelve calls of one scan, arguments and lengths included.
const std::vector<std::string> scan_calls = {
    "CH341EppSetAddr(0, 0xFF)",       "CH341EppSetAddr(0, 0x01)",
    "CH341EppSetAddr(0, 0xFF)",       "CH341EppSetAddr(0, 0x00)",
    "CH341EppReadData(0, length 1)",  "CH341EppSetAddr(0, 0xFF)",
    "CH341EppSetAddr(0, 0x00)",       "CH341EppReadData(0, length 1)",
    "CH341EppSetAddr(0, 0xFF)",       "CH341EppSetAddr(0, 0x00)",
    "CH341EppReadData(0, length 1)",  "CH341EppSetAddr(0, 0xFF)",
};

// Attaches a board running script_text and opens it; returns the trace path.
// Each variant of a test gets files of its own.
std::string init_with_script(const std::string &script_text, const std::string &variant = "")
{
    std::string name = test_name() + variant;
    std::string trace = sim_trace_for(name);
    write_file(name + ".frames", script_text);
    program_set_environment("CH341_SIM_BOARD", name + ".frames");
    EXPECT_TRUE(wz_io_init(nullptr, nullptr, nullptr));
    return trace;
}

// The calls of scan number `scan` in the trace, which starts with the open.
std::vector<std::string> calls_of_scan(const std::vector<std::string> &trace, size_t scan)
{
    std::vector<std::string> calls;
    for (size_t i = 1 + scan * 12; i < 1 + (scan + 1) * 12 && i < trace.size(); ++i) {
        calls.push_back(sim_call_of(trace[i]));
    }
    return calls;
}

void expect_inputs(uint16_t panel, uint8_t sys)
{
    EXPECT_EQ(wz_io_get_panel_inputs(), panel);
    EXPECT_EQ(wz_io_get_sys_inputs(), sys);
}

}  // namespace

TEST(WzioScan, IssuesTheTwelveCallsInOrder)
{
    std::string trace = init_with_script("A5 5A 0F\n");
    EXPECT_TRUE(wz_io_read_inputs());
    wz_io_fini();
    std::vector<std::string> expected = {
        "CH341OpenDevice(0) -> handle",
        "CH341EppSetAddr(0, 0xFF) -> TRUE",
        "CH341EppSetAddr(0, 0x01) -> TRUE",
        "CH341EppSetAddr(0, 0xFF) -> TRUE",
        "CH341EppSetAddr(0, 0x00) -> TRUE",
        "CH341EppReadData(0, length 1) -> TRUE, length 1, data 0xA5",
        "CH341EppSetAddr(0, 0xFF) -> TRUE",
        "CH341EppSetAddr(0, 0x00) -> TRUE",
        "CH341EppReadData(0, length 1) -> TRUE, length 1, data 0x5A",
        "CH341EppSetAddr(0, 0xFF) -> TRUE",
        "CH341EppSetAddr(0, 0x00) -> TRUE",
        "CH341EppReadData(0, length 1) -> TRUE, length 1, data 0x0F",
        "CH341EppSetAddr(0, 0xFF) -> TRUE",
        "CH341CloseDevice(0)",
    };
    EXPECT_EQ(sim_read_lines(trace), expected);
}

struct decode_case {
    const char *frame;
    uint16_t panel;
    uint8_t sys;
};

// Every single low bit of the three frame bytes, and the frames around them.
const decode_case decode_cases[] = {
    {"FF FF FF", 0x0000, 0x00}, {"00 00 00", 0xFFFF, 0x07},
    {"FE FF FF", 0x8000, 0x00}, {"FD FF FF", 0x0080, 0x00},
    {"FB FF FF", 0x4000, 0x00}, {"F7 FF FF", 0x0040, 0x00},
    {"EF FF FF", 0x2000, 0x00}, {"DF FF FF", 0x0020, 0x00},
    {"BF FF FF", 0x1000, 0x00}, {"7F FF FF", 0x0010, 0x00},
    {"FF FE FF", 0x0001, 0x00}, {"FF FD FF", 0x0100, 0x00},
    {"FF FB FF", 0x0002, 0x00}, {"FF F7 FF", 0x0200, 0x00},
    {"FF EF FF", 0x0004, 0x00}, {"FF DF FF", 0x0400, 0x00},
    {"FF BF FF", 0x0008, 0x00}, {"FF 7F FF", 0x0800, 0x00},
    {"FF FF FE", 0x0000, 0x02}, {"FF FF FD", 0x0000, 0x01},
    {"FF FF FB", 0x0000, 0x00}, {"FF FF F7", 0x0000, 0x04},
    {"FF FF EF", 0x0000, 0x00}, {"FF FF DF", 0x0000, 0x00},
    {"FF FF BF", 0x0000, 0x00}, {"FF FF 7F", 0x0000, 0x00},
    {"FF FF 0F", 0x0000, 0x00}, {"FF FF F0", 0x0000, 0x07},
};

TEST(WzioScan, DecodesEveryFrameBit)
{
    std::string script;
    for (const decode_case &c : decode_cases) {
        script += std::string(c.frame) + "\n";
    }
    init_with_script(script);
    for (const decode_case &c : decode_cases) {
        EXPECT_TRUE(wz_io_read_inputs()) << c.frame;
        EXPECT_EQ(wz_io_get_panel_inputs(), c.panel) << c.frame;
        EXPECT_EQ(wz_io_get_sys_inputs(), c.sys) << c.frame;
    }
    wz_io_fini();
}

TEST(WzioScan, ReportsTheLevelOfEveryScanNotEdges)
{
    init_with_script("7E FE FD repeat=2\nFF FF FF\n");
    for (int scan = 0; scan < 2; ++scan) {
        EXPECT_TRUE(wz_io_read_inputs());
        // The getters repeat the last scan however often they are asked.
        expect_inputs(0x8011, 0x01);
        expect_inputs(0x8011, 0x01);
    }
    EXPECT_TRUE(wz_io_read_inputs());
    expect_inputs(0x0000, 0x00);
    wz_io_fini();
}

TEST(WzioScan, FiniKeepsTheLastScanAndLaterScansFail)
{
    std::string trace = init_with_script("00 00 00\n");
    EXPECT_TRUE(wz_io_read_inputs());
    wz_io_fini();
    expect_inputs(0xFFFF, 0x07);
    // The bridge is closed now: all twelve calls fail.
    EXPECT_FALSE(wz_io_read_inputs());
    expect_inputs(0x0000, 0x00);
    std::vector<std::string> lines = sim_read_lines(trace);
    ASSERT_EQ(lines.size(), 1u + 12 + 1 + 12);
    for (size_t i = 14; i < lines.size(); ++i) {
        EXPECT_EQ(sim_call_of(lines[i]), scan_calls[i - 14]);
        EXPECT_NE(lines[i].find("-> FALSE"), std::string::npos) << lines[i];
    }
}

TEST(WzioOutputs, AcceptAnyArgumentsAndChangeNothing)
{
    init_with_script("7F FE FD\n");
    EXPECT_TRUE(wz_io_read_inputs());
    const uint32_t values[] = {0, 1, 0x7F, 0xFF, 0xFFFF, 0x80000000u, 0xFFFFFFFFu};
    for (uint32_t value : values) {
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

TEST(WzioFailure, InitWithoutBridgeFailsAndScansReportNothing)
{
    init_with_script("00 00 00\n");
    EXPECT_TRUE(wz_io_read_inputs());
    expect_inputs(0xFFFF, 0x07);
    std::string trace = sim_trace_for(test_name() + ".nobridge");
    program_set_environment("CH341_SIM_BOARD", "");
    EXPECT_FALSE(wz_io_init(nullptr, nullptr, nullptr));
    expect_inputs(0xFFFF, 0x07);  // init leaves the state alone
    EXPECT_FALSE(wz_io_read_inputs());
    expect_inputs(0x0000, 0x00);
    std::vector<std::string> lines = sim_read_lines(trace);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0], "CH341OpenDevice(0) -> INVALID_HANDLE_VALUE");
    for (size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(sim_call_of(lines[i]), scan_calls[i - 1]);
    }
    wz_io_fini();
}

// Every call that can fail: a pressed frame before the failing scan and a
// different one after it, so a stale or half-read frame would show.
TEST(WzioFailure, AnyFailedCallClearsTheScanAndTheNextGoodScanRecovers)
{
    const char *const faults[] = {
        "addr-fail=1", "addr-fail=2", "addr-fail=3", "addr-fail=4", "addr-fail=5",
        "addr-fail=6", "addr-fail=7", "addr-fail=8", "addr-fail=9", "read-fail=1",
        "read-fail=2", "read-fail=3", "short-read=1", "short-read=2", "short-read=3",
    };
    for (const char *fault : faults) {
        SCOPED_TRACE(fault);
        std::string trace =
            init_with_script(std::string("FE FF FF\n00 00 00 ") + fault + "\nFF FE FD\n",
                             std::string(".") + fault);
        EXPECT_TRUE(wz_io_read_inputs());
        expect_inputs(0x8000, 0x00);
        EXPECT_FALSE(wz_io_read_inputs());
        expect_inputs(0x0000, 0x00);
        EXPECT_TRUE(wz_io_read_inputs());
        expect_inputs(0x0001, 0x01);
        wz_io_fini();
        std::vector<std::string> lines = sim_read_lines(trace);
        EXPECT_EQ(calls_of_scan(lines, 1), scan_calls) << "all twelve calls despite the fault";
    }
}
