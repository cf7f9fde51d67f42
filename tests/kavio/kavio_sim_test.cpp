// The simulated card readers on their own: scenario files, the demo, the
// use of the host's loggers and threads, and bad input.
#include <gtest/gtest.h>

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

// Records what the library does with the host's thread services.
lines thread_calls;
int started_id = 0;
bool refuse_thread_start = false;

int IO_CALL recording_start(thread_proc_fn body, void *ctx, uint32_t stack_size)
{
    if (refuse_thread_start) {
        thread_calls.push_back("start refused");
        return 0;
    }
    started_id = host_thread_start(body, ctx, stack_size);
    thread_calls.push_back("start");
    return started_id;
}

void IO_CALL recording_join(int thread_id, int *result)
{
    host_thread_join(thread_id, result);
    thread_calls.push_back(std::string("join ") + (thread_id == started_id ? "started" : "other") +
                           " exit " + (result != nullptr ? std::to_string(*result) : "-"));
}

void IO_CALL recording_close(int thread_id)
{
    host_thread_close(thread_id);
    thread_calls.push_back(std::string("close ") + (thread_id == started_id ? "started" : "other"));
}

void use_scenario(const std::string &name, const std::string &text)
{
    sim_scenario_for("kavio_sim_test_" + name, text);
}

bool start_library()
{
    log_lines.clear();
    thread_calls.clear();
    kav_io_set_loggers(capture<'M'>, capture<'I'>, capture<'W'>, capture<'F'>);
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

struct reader_view {
    bool polled;
    uint16_t keypad;
    uint8_t sensor;
};

reader_view poll_node(int32_t node)
{
    reader_view view;
    view.polled = kav_io_poll(node);
    view.keypad = kav_io_get_keypad_state(node);
    view.sensor = kav_io_get_sensor_state(node);
    return view;
}

}  // namespace

TEST_F(SimulatedReader, RunsOneHostThreadFromInitToFini)
{
    use_scenario("lifecycle", "# nothing happens\n");
    ASSERT_TRUE(start_library());
    EXPECT_EQ(thread_calls, lines{"start"});
    EXPECT_EQ(log_lines, lines{"I:kavio: simulated readers ready (scenario)"});
    log_lines.clear();
    kav_io_fini();
    EXPECT_EQ(thread_calls, (lines{"start", "join started exit 0", "close started"}));
    EXPECT_EQ(log_lines, lines{"I:kavio: simulated readers stopped"});
}

TEST_F(SimulatedReader, InitFailsCleanlyWithoutThreadServices)
{
    log_lines.clear();
    kav_io_set_loggers(capture<'M'>, capture<'I'>, capture<'W'>, capture<'F'>);
    EXPECT_FALSE(kav_io_init(nullptr, host_thread_join, host_thread_close));
    EXPECT_EQ(log_lines, lines{"W:kavio: kav_io_init: a thread callback is missing"});

    refuse_thread_start = true;
    EXPECT_FALSE(start_library());
    EXPECT_EQ(thread_calls, lines{"start refused"});
    EXPECT_EQ(log_lines, lines{"W:kavio: kav_io_init: cannot start the reader thread"});
    EXPECT_FALSE(kav_io_poll(0));
}

TEST_F(SimulatedReader, SecondInitIsRefusedAndKeepsTheFirstThread)
{
    ASSERT_TRUE(start_library());
    log_lines.clear();
    EXPECT_FALSE(kav_io_init(recording_start, recording_join, recording_close));
    EXPECT_EQ(log_lines, lines{"W:kavio: kav_io_init: already running"});
    EXPECT_EQ(thread_calls, lines{"start"});
}

TEST_F(SimulatedReader, BadNodesGetFalseOrZeroAndAWarning)
{
    use_scenario("bad_nodes", "node 0 cycle 0 keypad FFFF sensor FF card 0102030405060708\n"
                              "node 1 cycle 0 keypad FFFF sensor FF card 0102030405060708\n");
    ASSERT_TRUE(start_library());
    for (int32_t node : {2, -1, 1000000}) {
        SCOPED_TRACE(node);
        log_lines.clear();
        uint8_t card_id[8] = {};
        EXPECT_FALSE(kav_io_poll(node));
        EXPECT_EQ(kav_io_get_keypad_state(node), 0);
        EXPECT_EQ(kav_io_get_sensor_state(node), 0);
        EXPECT_FALSE(kav_io_card_slot_cmd(node, 0));
        EXPECT_FALSE(kav_io_read_card(node, card_id, 8));
        EXPECT_EQ(card_id[0], 0);
        lines expected;
        for (const char *call :
             {"kav_io_poll", "kav_io_get_keypad_state", "kav_io_get_sensor_state",
              "kav_io_card_slot_cmd", "kav_io_read_card"}) {
            expected.push_back(warning(call, "no reader at node " + std::to_string(node)));
        }
        EXPECT_EQ(log_lines, expected);
    }
}

TEST_F(SimulatedReader, ReadIntoTooSmallABufferWritesNothing)
{
    use_scenario("small_buffer", "node 0 cycle 0 keypad 0 sensor 02 card 8081828384858687\n");
    ASSERT_TRUE(start_library());
    ASSERT_TRUE(kav_io_poll(0));
    log_lines.clear();
    uint8_t buffer[9];
    memset(buffer, 0xAA, sizeof buffer);
    lines expected;
    for (int32_t size : {7, -8, 0}) {
        EXPECT_FALSE(kav_io_read_card(0, size ? buffer : nullptr, size ? size : 8)) << size;
        expected.push_back(
            warning("kav_io_read_card", "need room for 8 bytes, got " + std::to_string(size)));
    }
    for (uint8_t byte : buffer) {
        EXPECT_EQ(byte, 0xAA);
    }
    EXPECT_EQ(log_lines, expected);
    // Exactly 8 is enough, and a larger buffer gets 8 bytes only.
    EXPECT_TRUE(kav_io_read_card(0, buffer, 9));
    EXPECT_EQ(buffer[0], 0x80);
    EXPECT_EQ(buffer[7], 0x87);
    EXPECT_EQ(buffer[8], 0xAA);
}

TEST_F(SimulatedReader, UnknownCommandIsRefusedWithAWarning)
{
    ASSERT_TRUE(start_library());
    log_lines.clear();
    for (int32_t command : {0, 1, 2, 3}) {
        EXPECT_TRUE(kav_io_card_slot_cmd(1, command));
    }
    lines expected;
    for (int32_t command : {4, -1}) {
        EXPECT_FALSE(kav_io_card_slot_cmd(1, command));
        expected.push_back(
            warning("kav_io_card_slot_cmd", "unknown command " + std::to_string(command)));
    }
    EXPECT_EQ(log_lines, expected);
}

TEST_F(SimulatedReader, CallsOutsideInitAndFiniAreRefused)
{
    log_lines.clear();
    kav_io_set_loggers(capture<'M'>, capture<'I'>, capture<'W'>, capture<'F'>);
    uint8_t card_id[8] = {};
    EXPECT_FALSE(kav_io_poll(0));
    EXPECT_EQ(kav_io_get_keypad_state(0), 0);
    EXPECT_FALSE(kav_io_card_slot_cmd(0, 1));
    EXPECT_FALSE(kav_io_read_card(0, card_id, 8));
    kav_io_fini();
    lines expected;
    for (const char *call :
         {"kav_io_poll", "kav_io_get_keypad_state", "kav_io_card_slot_cmd", "kav_io_read_card"}) {
        expected.push_back(warning(call, "called before kav_io_init"));
    }
    expected.push_back(warning("kav_io_fini", "not running"));
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
    use_scenario("rows", "# node 0 only; node 1 reports nothing\n"
                         "node 0 cycle 1 keypad 0100 sensor 01 card -\n"
                         "node 0 cycle 3 keypad 0x8001 sensor fc card 0123456789abcdef\n");
    ASSERT_TRUE(start_library());
    log_lines.clear();
    const uint16_t keypads[] = {0, 0x0100, 0x0100, 0x8001, 0x8001};
    const uint8_t sensors[] = {0, 0x01, 0x01, 0xFC, 0xFC};
    for (int cycle = 0; cycle < 5; ++cycle) {
        SCOPED_TRACE(cycle);
        reader_view view = poll_node(0);
        EXPECT_TRUE(view.polled);
        EXPECT_EQ(view.keypad, keypads[cycle]);
        EXPECT_EQ(view.sensor, sensors[cycle]);
        reader_view other = poll_node(1);
        EXPECT_EQ(other.keypad, 0);
        EXPECT_EQ(other.sensor, 0);
    }
    uint8_t card_id[8] = {};
    EXPECT_TRUE(kav_io_read_card(0, card_id, 8));
    const uint8_t expected[8] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
    EXPECT_EQ(memcmp(card_id, expected, 8), 0);
    EXPECT_TRUE(log_lines.empty());
}

TEST_F(SimulatedReader, PollAfterHaltOrReadStaysInItsCycle)
{
    use_scenario("commands", "node 0 cycle 0 keypad 0001 sensor 02 card 0000000000000001\n"
                             "node 0 cycle 1 keypad 0002 sensor 02 card -\n"
                             "node 0 cycle 2 keypad 0003 sensor 00 card -\n");
    ASSERT_TRUE(start_library());
    EXPECT_EQ(poll_node(0).keypad, 0x0001);
    // Commands 0 and 3 finish in the poll after them: still cycle 0, card readable.
    kav_io_card_slot_cmd(0, 0);
    EXPECT_EQ(poll_node(0).keypad, 0x0001);
    kav_io_card_slot_cmd(0, 3);
    EXPECT_EQ(poll_node(0).keypad, 0x0001);
    uint8_t card_id[8] = {};
    EXPECT_TRUE(kav_io_read_card(0, card_id, 8));
    EXPECT_EQ(card_id[7], 0x01);
    // Commands 1 and 2 take effect at once, so the next poll starts a cycle.
    kav_io_card_slot_cmd(0, 2);
    EXPECT_EQ(poll_node(0).keypad, 0x0002);
    EXPECT_FALSE(kav_io_read_card(0, card_id, 8));
    kav_io_card_slot_cmd(0, 1);
    EXPECT_EQ(poll_node(0).keypad, 0x0003);
}

TEST_F(SimulatedReader, PollsFailFromTheirCycleAndFatalLogsF)
{
    use_scenario("failures", "node 0 poll-fails-from 2\n"
                             "node 1 fatal-at 1\n");
    ASSERT_TRUE(start_library());
    log_lines.clear();
    for (bool polled : {true, true, false, false}) {
        EXPECT_EQ(kav_io_poll(0), polled);
    }
    EXPECT_TRUE(kav_io_poll(1));
    EXPECT_TRUE(log_lines.empty());
    // The host's F logger would end the process; this one returns and the poll fails.
    EXPECT_FALSE(kav_io_poll(1));
    EXPECT_EQ(log_lines, lines{"F:kavio: reader 1 lost its link in cycle 1"});
    EXPECT_TRUE(kav_io_poll(1));
}

TEST_F(SimulatedReader, InitFailsWhenTheScenarioSaysSo)
{
    use_scenario("init_fails", "init fails\n");
    // More inits than a process may hold files: each load closes its scenario.
    for (int init = 0; init < 1100; ++init) {
        ASSERT_FALSE(start_library());
    }
    EXPECT_EQ(log_lines, lines{"W:kavio: kav_io_init: no reader answers"});
    EXPECT_TRUE(thread_calls.empty());
}

TEST_F(SimulatedReader, LogEachLevelUsesTheLoggersInTheirPlaces)
{
    use_scenario("each_level", "log-each-level\n");
    ASSERT_TRUE(start_library());
    EXPECT_EQ(log_lines, (lines{"M:kavio: level M", "I:kavio: level I", "W:kavio: level W",
                                "I:kavio: simulated readers ready (scenario)"}));
}

struct bad_scenario {
    const char *name;
    std::string text;
    const char *problem;
};

TEST_F(SimulatedReader, BadScenarioFailsInitNamingTheLine)
{
    std::string too_many_rows;
    for (int cycle = 0; cycle <= 64; ++cycle) {
        too_many_rows += "node 0 cycle " + std::to_string(cycle) + " keypad 0 sensor 0 card -\n";
    }
    const std::string row = "node 0 cycle 3 keypad 0 sensor 0 card -\n";
    // clang-format off
    const bad_scenario cases[] = {
        {"unknown", "# fine\nreset all\n", "line 2: unknown statement"},
        {"node_2", "node 2 poll-fails-from 0\n", "line 1: node must be 0 or 1"},
        {"node_sign", "node -1 fatal-at 0\n", "line 1: node must be 0 or 1"},
        {"cycle_word", "node 0 poll-fails-from soon\n", "line 1: bad cycle"},
        {"keypad_big", "node 0 cycle 0 keypad 10000 sensor 0 card -\n", "line 1: keypad must be 0 to FFFF"},
        {"sensor_hex", "node 0 cycle 0 keypad 0 sensor 1G card -\n", "line 1: sensor must be 0 to FF"},
        {"card_short", "node 0 cycle 0 keypad 0 sensor 0 card 0102030405060\n", "line 1: card must be 16 hexadecimal digits or -"},
        {"card_letters", "node 0 cycle 0 keypad 0 sensor 0 card 01020304050607GG\n", "line 1: card must be 16 hexadecimal digits or -"},
        {"order", row + "node 0 cycle 3 keypad 1 sensor 0 card -\n", "line 2: rows must come in rising cycle order"},
        {"fields", "node 0 cycle 0 keypad 0 sensor 0\n", "line 1: expected: node N cycle C keypad K sensor S card ID"},
        {"words", "node 0 cycle 0 keypad 0 sensor 0 card - x y z\n", "line 1: too many words"},
        {"rows", too_many_rows, "line 65: too many rows for this node"},
        {"long_crlf", "init fails\r\n#" + std::string(255, 'x') + "\r\n", "line 2: line too long"},  // a fault of the text itself
    };
    // clang-format on
    for (const bad_scenario &bad : cases) {
        SCOPED_TRACE(bad.name);
        use_scenario(bad.name, bad.text);
        EXPECT_FALSE(start_library());
        std::string path = std::string("kavio_sim_test_") + bad.name + ".scenario";
        EXPECT_EQ(log_lines, lines{"W:kavio: scenario " + path + " " + bad.problem});
        EXPECT_TRUE(thread_calls.empty());
    }
    scoped_environment missing("KAVIO_SIM_SCENARIO", "kavio_sim_test_no_such_file.scenario");
    EXPECT_FALSE(start_library());
    ASSERT_EQ(log_lines.size(), 1u);
    EXPECT_EQ(log_lines[0].rfind(
                  "W:kavio: cannot open scenario kavio_sim_test_no_such_file.scenario: ", 0),
              0u)
        << log_lines[0];
}

TEST_F(SimulatedReader, DemoCarriesACardThroughReaderZeroAndTypesOnReaderOne)
{
    ASSERT_TRUE(start_library());
    EXPECT_EQ(log_lines, lines{"I:kavio: simulated readers ready (demo)"});
    std::vector<uint8_t> sensors;
    std::vector<uint16_t> keys;
    std::vector<uint8_t> card_read;
    int reads_off_the_back = 0;  // a card is readable at the back sensor only
    // Until the demo has shown it all; the limit is for a hung library only.
    const uint64_t give_up_us = test_clock_us() + 8000000;
    while (test_clock_us() < give_up_us && !(sensors.size() >= 5 && keys.size() >= 11)) {
        reader_view card_reader = poll_node(0);
        if (sensors.empty() || sensors.back() != card_reader.sensor) {
            sensors.push_back(card_reader.sensor);
        }
        uint8_t card_id[8] = {};
        bool read = kav_io_read_card(0, card_id, 8);
        reads_off_the_back += read != (card_reader.sensor == 0x02);
        if (read && card_read.empty()) {
            card_read.assign(card_id, card_id + 8);
        }
        reader_view keypad_reader = poll_node(1);
        if (keys.empty() || keys.back() != keypad_reader.keypad) {
            keys.push_back(keypad_reader.keypad);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // Nothing, front, back, front, nothing: the card comes in, is read and leaves.
    EXPECT_EQ(sensors, (std::vector<uint8_t>{0x00, 0x01, 0x02, 0x01, 0x00}));
    EXPECT_EQ(reads_off_the_back, 0);
    EXPECT_EQ(card_read, (std::vector<uint8_t>{0x8A, 0xF3, 0x00, 0x12, 0xC4, 0x7E, 0x9B, 0xFF}));
    // Keys 1, 2, 3, 4 and then _, each pressed and released.
    EXPECT_EQ(keys,
              (std::vector<uint16_t>{0, 0x0002, 0, 0x0020, 0, 0x0200, 0, 0x0004, 0, 0x0100, 0}));
}
