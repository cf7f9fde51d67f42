// The simulated card readers on their own: scenario files, the demo, the
// use of the host's loggers and threads, and bad input.
#include <gtest/gtest.h>

#include <errno.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "kavio.h"
#include "sim_control.h"
#include "test_clock.h"
#include "thread.h"

namespace {

using lines = std::vector<std::string>;
using bytes = std::vector<uint8_t>;
lines log_lines;

// A logger of the host's that keeps each line, as letter:module: message. The
// F logger returns, unlike a host's: the library must then carry on safely.
template <char letter> void IO_CALL capture(const char *module, const char *format, ...)
{
    char message[512];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    log_lines.push_back(std::string(1, letter) + ":" + module + ": " + message);
}

void capture_logs()
{
    log_lines.clear();
    kav_io_set_loggers(capture<'M'>, capture<'I'>, capture<'W'>, capture<'F'>);
}

// Records what the library does with the host's thread services, among the log lines.
int started_id = 0;
bool refuse_thread_start = false;

int IO_CALL recording_start(thread_proc_fn body, void *ctx, uint32_t stack_size)
{
    log_lines.push_back(refuse_thread_start ? "start refused" : "start");
    started_id = refuse_thread_start ? 0 : host_thread_start(body, ctx, stack_size);
    return started_id;
}

void IO_CALL recording_join(int thread_id, int *result)
{
    host_thread_join(thread_id, result);
    log_lines.push_back("join " + std::string(thread_id == started_id ? "started" : "other") +
                        " exit " + (result != nullptr ? std::to_string(*result) : "-"));
}

void IO_CALL recording_close(int thread_id)
{
    host_thread_close(thread_id);
    log_lines.push_back(thread_id == started_id ? "close started" : "close other");
}

// Starts the library on the recorders, on the scenario text in name's file if a name is given.
bool start_library(const char *name = nullptr, const std::string &text = "")
{
    if (name != nullptr) {
        sim_scenario_for(std::string("kavio_sim_test_") + name, text);
    }
    capture_logs();
    return kav_io_init(recording_start, recording_join, recording_close);
}

// Every test leaves the library stopped and the scenario as it was, whatever it did.
class SimulatedReader : public testing::Test {
  protected:
    void TearDown() override
    {
        kav_io_fini();
        refuse_thread_start = false;
    }
    scoped_environment scenario{"KAVIO_SIM_SCENARIO", ""};
};

// The warning a call gives; a literal that recurs with its call and its cause.
std::string warning(const std::string &call, const std::string &why)
{
    return "W:kavio: " + call + ": " + why;
}

// One poll of a node and what it then reports: "polled keypad sensor", as "1 0100 01".
std::string poll_node(int32_t node)
{
    bool polled = kav_io_poll(node);
    unsigned int keypad = kav_io_get_keypad_state(node);
    char text[16];
    snprintf(text, sizeof text, "%d %04X %02X", polled, keypad, kav_io_get_sensor_state(node));
    return text;
}

// A read into a zeroed buffer: the bytes it holds then, or "-" for a failed read.
const std::string no_card = "-0000000000000000";
std::string card_of(int32_t node)
{
    uint8_t card_id[8] = {};
    bool read = kav_io_read_card(node, card_id, 8);
    char text[17];
    for (int i = 0; i < 8; ++i) {
        snprintf(text + 2 * i, 3, "%02X", card_id[i]);
    }
    return read ? text : std::string("-") + text;
}

// A poll, then a read, in that order: "1 0001 02 0000000000000001".
std::string poll_then_card(int32_t node)
{
    std::string polled = poll_node(node);
    return polled + " " + card_of(node);
}

// Every call on node refused: false or zero, the buffer untouched, a W line each.
void expect_each_call_refused(int32_t node, int32_t command, const std::string &why)
{
    log_lines.clear();
    EXPECT_EQ(poll_node(node), "0 0000 00");
    EXPECT_FALSE(kav_io_card_slot_cmd(node, command));
    EXPECT_EQ(card_of(node), no_card);
    EXPECT_EQ(log_lines,
              (lines{warning("kav_io_poll", why), warning("kav_io_get_keypad_state", why),
                     warning("kav_io_get_sensor_state", why), warning("kav_io_card_slot_cmd", why),
                     warning("kav_io_read_card", why)}));
}

// Keeps what a reader shows each time it changes.
void note_change(lines *seen, const std::string &now)
{
    if (seen->empty() || seen->back() != now) {
        seen->push_back(now);
    }
}

}  // namespace

TEST_F(SimulatedReader, RunsOneHostThreadFromInitToFiniAndRefusesASecondInit)
{
    ASSERT_TRUE(start_library("lifecycle", "# nothing happens\n"));
    EXPECT_EQ(log_lines, (lines{"start", "I:kavio: simulated readers ready (scenario)"}));
    log_lines.clear();
    EXPECT_FALSE(kav_io_init(recording_start, recording_join, recording_close));
    EXPECT_EQ(log_lines, lines{"W:kavio: kav_io_init: already running"});
    log_lines.clear();
    kav_io_fini();
    EXPECT_EQ(log_lines, (lines{"join started exit 0", "close started",
                                "I:kavio: simulated readers stopped"}));
}

TEST_F(SimulatedReader, CallsOutsideInitAndFiniAndInitsWithoutThreadServicesAreRefused)
{
    capture_logs();
    expect_each_call_refused(0, 1, "called before kav_io_init");
    log_lines.clear();
    kav_io_fini();
    EXPECT_FALSE(kav_io_init(nullptr, host_thread_join, host_thread_close));
    EXPECT_EQ(log_lines, (lines{warning("kav_io_fini", "not running"),
                                warning("kav_io_init", "a thread callback is missing")}));

    refuse_thread_start = true;
    EXPECT_FALSE(start_library());
    EXPECT_EQ(log_lines,
              (lines{"start refused", "W:kavio: kav_io_init: cannot start the reader thread"}));
    EXPECT_FALSE(kav_io_poll(0));
}

TEST_F(SimulatedReader, BadNodesGetFalseOrZeroAndAWarning)
{
    ASSERT_TRUE(start_library("bad_nodes",
                              "node 0 cycle 0 keypad FFFF sensor FF card 0102030405060708\n"
                              "node 1 cycle 0 keypad FFFF sensor FF card 0102030405060708\n"));
    for (int32_t node : {2, -1, 1000000}) {
        SCOPED_TRACE(node);
        expect_each_call_refused(node, 0, "no reader at node " + std::to_string(node));
    }
}

TEST_F(SimulatedReader, ReadsNeedRoomForEightBytesAndCommandsAreZeroToThree)
{
    ASSERT_TRUE(
        start_library("small_buffer", "node 0 cycle 0 keypad 0 sensor 02 card 8081828384858687\n"));
    ASSERT_TRUE(kav_io_poll(0));
    log_lines.clear();
    bytes buffer(9, 0xAA);
    lines expected;
    for (int32_t size : {7, -8, 0}) {
        EXPECT_FALSE(kav_io_read_card(0, size ? buffer.data() : nullptr, size ? size : 8)) << size;
        expected.push_back(
            warning("kav_io_read_card", "need room for 8 bytes, got " + std::to_string(size)));
    }
    EXPECT_EQ(buffer, bytes(9, 0xAA));
    // Exactly 8 is enough, and a larger buffer gets 8 bytes only.
    EXPECT_TRUE(kav_io_read_card(0, buffer.data(), 9));
    EXPECT_EQ(buffer, (bytes{0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0xAA}));
    for (int32_t command : {0, 1, 2, 3}) {
        EXPECT_TRUE(kav_io_card_slot_cmd(1, command));
    }
    for (int32_t command : {4, -1}) {
        EXPECT_FALSE(kav_io_card_slot_cmd(1, command));
        expected.push_back(
            warning("kav_io_card_slot_cmd", "unknown command " + std::to_string(command)));
    }
    EXPECT_EQ(log_lines, expected);
}

TEST_F(SimulatedReader, MissingLoggersStaySilent)
{
    kav_io_set_loggers(nullptr, nullptr, nullptr, nullptr);
    EXPECT_FALSE(kav_io_poll(7));
    ASSERT_TRUE(kav_io_init(host_thread_start, host_thread_join, host_thread_close));
    EXPECT_FALSE(kav_io_card_slot_cmd(0, 9));
}

TEST_F(SimulatedReader, RowsHoldUntilTheNextAndPollsLogNothing)
{
    ASSERT_TRUE(start_library("rows",
                              "# node 0 only; node 1 reports nothing\n"
                              "node 0 cycle 1 keypad 0100 sensor 01 card -\n"
                              "node 0 cycle 3 keypad 0x8001 sensor fc card 0123456789abcdef\n"));
    log_lines.clear();
    lines polls;
    for (int cycle = 0; cycle < 5; ++cycle) {
        polls.push_back(poll_node(0) + ", " + poll_node(1));
    }
    EXPECT_EQ(polls, (lines{"1 0000 00, 1 0000 00", "1 0100 01, 1 0000 00", "1 0100 01, 1 0000 00",
                            "1 8001 FC, 1 0000 00", "1 8001 FC, 1 0000 00"}));
    EXPECT_EQ(card_of(0), "0123456789ABCDEF");
    EXPECT_TRUE(log_lines.empty());
}

TEST_F(SimulatedReader, PollAfterHaltOrReadStaysInItsCycle)
{
    ASSERT_TRUE(start_library("commands",
                              "node 0 cycle 0 keypad 0001 sensor 02 card 0000000000000001\n"
                              "node 0 cycle 1 keypad 0002 sensor 02 card -\n"
                              "node 0 cycle 2 keypad 0003 sensor 00 card -\n"));
    // The first poll, then one after each command; a read changes nothing.
    lines polls = {poll_then_card(0)};
    for (int32_t command : {0, 3, 2, 1}) {
        kav_io_card_slot_cmd(0, command);
        polls.push_back(poll_then_card(0));
    }
    // Commands 0 and 3 finish in the poll after them: still cycle 0, card readable.
    // Commands 1 and 2 take effect at once, so the next poll starts a cycle.
    EXPECT_EQ(polls, (lines{"1 0001 02 0000000000000001", "1 0001 02 0000000000000001",
                            "1 0001 02 0000000000000001", "1 0002 02 " + no_card,
                            "1 0003 00 " + no_card}));
}

TEST_F(SimulatedReader, PollsFailFromTheirCycleAndFatalLogsF)
{
    ASSERT_TRUE(start_library("failures", "node 0 poll-fails-from 2\n"
                                          "node 1 fatal-at 1\n"));
    log_lines.clear();
    // Each poll's result among the log lines, as "node: polled".
    for (int32_t node : {0, 0, 0, 0, 1, 1, 1}) {
        bool polled = kav_io_poll(node);
        log_lines.push_back(std::to_string(node) + ": " + std::to_string(polled));
    }
    // The host's F logger would end the process; this one returns and the poll fails.
    EXPECT_EQ(log_lines, (lines{"0: 1", "0: 1", "0: 0", "0: 0", "1: 1",
                                "F:kavio: reader 1 lost its link in cycle 1", "1: 0", "1: 1"}));
}

TEST_F(SimulatedReader, InitFailsOrLogsEachLevelWhenTheScenarioSaysSo)
{
    // More inits than a process may hold files: each load closes its scenario.
    for (int init = 0; init < 1100; ++init) {
        ASSERT_FALSE(start_library("init_fails", "init fails\n"));
    }
    EXPECT_EQ(log_lines, lines{"W:kavio: kav_io_init: no reader answers"});
    ASSERT_TRUE(start_library("each_level", "log-each-level\n"));
    EXPECT_EQ(log_lines, (lines{"start", "M:kavio: level M", "I:kavio: level I", "W:kavio: level W",
                                "I:kavio: simulated readers ready (scenario)"}));
}

TEST_F(SimulatedReader, BadScenarioFailsInitNamingTheLine)
{
    std::string too_many_rows;
    for (int cycle = 0; cycle <= 64; ++cycle) {
        too_many_rows += "node 0 cycle " + std::to_string(cycle) + " keypad 0 sensor 0 card -\n";
    }
    // clang-format off
    const struct { const char *name; std::string text; const char *problem; } cases[] = {
        {"unknown", "# fine\nreset all\n", "line 2: unknown statement"},
        {"node_2", "node 2 poll-fails-from 0\n", "line 1: node must be 0 or 1"},
        {"node_sign", "node -1 fatal-at 0\n", "line 1: node must be 0 or 1"},
        {"cycle_word", "node 0 poll-fails-from soon\n", "line 1: bad cycle"},
        {"keypad_big", "node 0 cycle 0 keypad 10000 sensor 0 card -\n", "line 1: keypad must be 0 to FFFF"},
        {"sensor_hex", "node 0 cycle 0 keypad 0 sensor 1G card -\n", "line 1: sensor must be 0 to FF"},
        {"card_short", "node 0 cycle 0 keypad 0 sensor 0 card 0102030405060\n", "line 1: card must be 16 hexadecimal digits or -"},
        {"card_letters", "node 0 cycle 0 keypad 0 sensor 0 card 01020304050607GG\n", "line 1: card must be 16 hexadecimal digits or -"},
        {"order", "node 0 cycle 3 keypad 0 sensor 0 card -\nnode 0 cycle 3 keypad 1 sensor 0 card -\n", "line 2: rows must come in rising cycle order"},
        {"fields", "node 0 cycle 0 keypad 0 sensor 0\n", "line 1: expected: node N cycle C keypad K sensor S card ID"},
        {"words", "node 0 cycle 0 keypad 0 sensor 0 card - x y z\n", "line 1: too many words"},
        {"rows", too_many_rows, "line 65: too many rows for this node"},
        {"long_crlf", "init fails\r\n#" + std::string(255, 'x') + "\r\n", "line 2: line too long"},  // a fault of the text itself
    };
    // clang-format on
    for (const auto &bad : cases) {
        SCOPED_TRACE(bad.name);
        EXPECT_FALSE(start_library(bad.name, bad.text));
        std::string path = std::string("kavio_sim_test_") + bad.name + ".scenario";
        EXPECT_EQ(log_lines, lines{"W:kavio: scenario " + path + " " + bad.problem});
    }
    const std::string missing_file = "kavio_sim_test_no_such_file.scenario";
    scoped_environment missing("KAVIO_SIM_SCENARIO", missing_file);
    EXPECT_FALSE(start_library());
    EXPECT_EQ(log_lines,
              lines{"W:kavio: cannot open scenario " + missing_file + ": " + strerror(ENOENT)});
}

TEST_F(SimulatedReader, DemoCarriesACardThroughReaderZeroAndTypesOnReaderOne)
{
    ASSERT_TRUE(start_library());
    EXPECT_EQ(log_lines, (lines{"start", "I:kavio: simulated readers ready (demo)"}));
    lines card_reader, keys;
    // Until the demo has shown it all; the limit is for a hung library only.
    const uint64_t give_up_us = test_clock_us() + 8000000;
    while (test_clock_us() < give_up_us && !(card_reader.size() >= 5 && keys.size() >= 11)) {
        note_change(&card_reader, poll_then_card(0).substr(7));
        note_change(&keys, poll_node(1).substr(2, 4));
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Nothing, front, back, front, nothing: the card comes in, is read at the
    // back sensor only and leaves.
    EXPECT_EQ(card_reader, (lines{"00 " + no_card, "01 " + no_card, "02 8AF30012C47E9BFF",
                                  "01 " + no_card, "00 " + no_card}));
    // Keys 1, 2, 3, 4 and then _, each pressed and released.
    EXPECT_EQ(keys, (lines{"0000", "0002", "0000", "0020", "0000", "0200", "0000", "0004", "0000",
                           "0100", "0000"}));
}
