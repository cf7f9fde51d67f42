// Runs the built readertest against the simulated readers and compares its
// screen, exit status and calls into the library with what the loop must do.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "sim_control.h"

namespace {

constexpr int run_timeout_ms = 60000;
const std::string dashes = "------------------\n";
const std::string prompt = ">>> Initializing kavio successful, press enter to continue <<<\n";
const std::string ready_line = "I:kavio: simulated readers ready (scenario)\n";
const std::string zero_card = "0000000000000000";
const std::string trace_start =
    "kav_io_set_loggers(fn, fn, fn, fn)\nkav_io_init(fn, fn, fn)\nhost_thread_start(0) = ok\n";
const std::string trace_fini = "kav_io_fini()\nhost_thread_join = 0\nhost_thread_close\n";

struct readertest_run {
    program_run program;
    std::string screen;  // stdout without the clears, with plain newlines
    int clears;
    std::string trace;
};

readertest_run run_readertest(const std::string &name, const std::string &scenario,
                              const std::vector<program_input> &input)
{
    std::string base = "readertest_e2e_" + name;
    sim_scenario_for(base, scenario);
    std::string trace = sim_trace_in("KAVIO_SIM_TRACE", base);

    readertest_run run;
    run.program =
        program_run_with(program_path("readertest"), {}, input, base + ".out", run_timeout_ms);
    console_text shown = console_text_of(run.program.output);
    run.screen = shown.text;
    run.clears = shown.clears;
    run.trace = read_file(trace);
    return run;
}

// Where each key sits on the screen, row by row: 7 8 9 / 4 5 6 / 1 2 3 / 0 O _.
// The last row apart: the two keys that are no digit.
// clang-format off
constexpr char key_labels[] = "789456123" "0O_";
// clang-format on
constexpr int key_bits[] = {3, 7, 11, 2, 6, 10, 1, 5, 9, 0, 4, 8};

std::string bit_text(unsigned int value, int bit)
{
    return ((value >> bit) & 1u) != 0 ? "1" : "0";
}

std::string block(int node, uint16_t keypad, uint8_t sensor, const std::string &card)
{
    std::string text = "Press escape to quit\nReader " + std::to_string(node) + "\n" + dashes;
    for (int row = 0; row < 4; ++row) {
        text += " |";
        for (int column = 0; column < 3; ++column) {
            int key = row * 3 + column;
            text += std::string(1, key_labels[key]) + ": " + bit_text(keypad, key_bits[key]) + "|";
        }
        text += "\n";
    }
    text += dashes + "|front: " + bit_text(sensor, 0) + " back: " + bit_text(sensor, 1) + "|\n";
    text += dashes + "|" + card + "|\n" + dashes;
    return text;
}

enum class slot { read, read_fails, empty, untouched };

// The calls of one node's turn in a cycle.
std::string turn(int node, const char *keypad, const char *sensor, slot rule, bool eject = false)
{
    std::string n = std::to_string(node);
    std::string text = "kav_io_poll(" + n + ") = 1\nkav_io_get_keypad_state(" + n +
                       ") = " + keypad + "\nkav_io_get_sensor_state(" + n + ") = " + sensor + "\n";
    if (rule == slot::read || rule == slot::read_fails) {
        text += "kav_io_card_slot_cmd(" + n + ", 0) = 1\nkav_io_poll(" + n + ") = 1\n" +
                "kav_io_card_slot_cmd(" + n + ", 3) = 1\nkav_io_poll(" + n + ") = 1\n" +
                "kav_io_read_card(" + n + ", 8) = " + (rule == slot::read ? "1" : "0") + "\n";
    } else if (rule == slot::empty) {
        text += "kav_io_card_slot_cmd(" + n + ", 0) = 1\nkav_io_poll(" + n + ") = 1\n" +
                "kav_io_card_slot_cmd(" + n + ", 1) = 1\n";
    }
    if (eject) {
        text += "kav_io_card_slot_cmd(" + n + ", 2) = 1\n";
    }
    return text;
}

std::string idle_turn(int node)
{
    return turn(node, "0000", "00", slot::empty);
}

std::string failed_poll(int node)
{
    return "kav_io_poll(" + std::to_string(node) + ") = 0\n";
}

std::string poll_error(int node)
{
    return "ERROR: Polling node " + std::to_string(node) + " failed";
}

const std::vector<program_input> enter = {{"\n"}};

// A run of readertest and how it must end; what a case leaves unchecked is not compared.
struct reader_case {
    const char *name;  // what the run proves; its files are named after it
    std::string scenario;
    std::vector<program_input> input;
    int exit_status;
    std::optional<std::string> screen;
    std::optional<std::string> trace;
    std::optional<int> clears;  // compared only where the clears reach stdout
};

constexpr std::nullopt_t unchecked = std::nullopt;

void PrintTo(const reader_case &c, std::ostream *out)
{
    *out << c.name;
}

std::vector<reader_case> reader_cases()
{
    const std::string idle0 = block(0, 0, 0, zero_card);
    const std::string idle1 = block(1, 0, 0, zero_card);
    const std::string card = "80FF00017F8081FE";
    const std::string other_card = "0123456789ABCDEF";
    const std::string front0 = block(0, 0, 0x01, zero_card);
    return {
        {"ReaderScreen_MatchesTheDocumentedBlock",
         "node 0 cycle 0 keypad 0040 sensor 01 card -\n"
         "node 0 poll-fails-from 1\n",
         enter, -2,
         ready_line + prompt +
             "Press escape to quit\nReader 0\n------------------\n |7: 0|8: 0|9: 0|\n"
             " |4: 0|5: 1|6: 0|\n |1: 0|2: 0|3: 0|\n |0: 0|O: 0|_: 0|\n------------------\n"
             "|front: 1 back: 0|\n------------------\n|0000000000000000|\n------------------\n" +
             idle1 + poll_error(0),
         unchecked, unchecked},
        {"ReaderScreen_KeysAppearWhereTheKeypadHasThemAndHighBitsAreHidden",
         "node 0 cycle 0 keypad F889 sensor 01 card -\n"
         "node 1 cycle 0 keypad 0652 sensor 01 card -\n"
         "node 0 poll-fails-from 1\n",
         enter, -2,
         ready_line + prompt + block(0, 0x0889, 0x01, zero_card) +
             block(1, 0x0652, 0x01, zero_card) + poll_error(0),
         unchecked, unchecked},
        {"CardJourney_FrontBackReadShownOneCycleLaterThenRemovedAndZeroed",
         "node 0 cycle 1 keypad 0 sensor 01 card -\n"
         "node 0 cycle 2 keypad 0 sensor 02 card 80FF00017F8081FE\n"
         "node 0 cycle 4 keypad 0 sensor 01 card -\n"
         "node 0 cycle 5 keypad 0 sensor 00 card -\n"
         "node 0 poll-fails-from 7\n",
         enter, -2,
         ready_line + prompt + block(0, 0, 0x00, zero_card) + idle1 +  // no card
             block(0, 0, 0x01, zero_card) + idle1 +                    // at the front
             block(0, 0, 0x02, zero_card) + idle1 +                    // at the back: read now
             block(0, 0, 0x02, card) + idle1 +                         // shown a cycle later
             block(0, 0, 0x01, card) + idle1 +                         // leaving: kept
             block(0, 0, 0x00, card) + idle1 +                         // gone: zeroed now
             idle0 + idle1 +                                           // shown zeroed
             poll_error(0),
         trace_start + idle_turn(0) + idle_turn(1) + turn(0, "0000", "01", slot::untouched) +
             idle_turn(1) + turn(0, "0000", "02", slot::read) + idle_turn(1) +
             turn(0, "0000", "02", slot::read) + idle_turn(1) +
             turn(0, "0000", "01", slot::untouched) + idle_turn(1) + idle_turn(0) + idle_turn(1) +
             idle_turn(0) + idle_turn(1) + failed_poll(0),
         8},
        {"CardJourney_FailedReadKeepsWhatTheBufferHeld",
         "node 1 cycle 0 keypad 0 sensor 02 card 0123456789ABCDEF\n"
         "node 1 cycle 1 keypad 0 sensor 02 card -\n"
         "node 0 poll-fails-from 3\n",
         enter, -2,
         ready_line + prompt + idle0 + block(1, 0, 0x02, zero_card) + idle0 +
             block(1, 0, 0x02, other_card) + idle0 + block(1, 0, 0x02, other_card) + poll_error(0),
         trace_start + idle_turn(0) + turn(1, "0000", "02", slot::read) + idle_turn(0) +
             turn(1, "0000", "02", slot::read_fails) + idle_turn(0) +
             turn(1, "0000", "02", slot::read_fails) + failed_poll(0),
         unchecked},
        {"CardSlot_SensorBitsOtherThanBackSendNothingAndKeepTheIdentifier",
         "node 0 cycle 0 keypad 0 sensor 02 card 0123456789ABCDEF\n"
         "node 0 cycle 1 keypad 0 sensor FC card 0123456789ABCDEF\n"
         "node 0 cycle 3 keypad 0 sensor FD card 0123456789ABCDEF\n"
         "node 0 poll-fails-from 4\n",
         enter, -2,
         ready_line + prompt + block(0, 0, 0x02, zero_card) + idle1 +
             block(0, 0, 0xFC, other_card) + idle1 + block(0, 0, 0xFC, other_card) + idle1 +
             block(0, 0, 0xFD, other_card) + idle1 + poll_error(0),
         trace_start + turn(0, "0000", "02", slot::read) + idle_turn(1) +
             turn(0, "0000", "FC", slot::untouched) + idle_turn(1) +
             turn(0, "0000", "FC", slot::untouched) + idle_turn(1) +
             turn(0, "0000", "FD", slot::untouched) + idle_turn(1) + failed_poll(0),
         unchecked},
        // Only the front sensor is set, so command 2 is the only slot command.
        {"UnderscoreKey_SendsEjectOnceWhenPressedAndAgainAfterARelease",
         "node 1 cycle 0 keypad 0100 sensor 01 card -\n"
         "node 1 cycle 2 keypad 0000 sensor 01 card -\n"
         "node 1 cycle 3 keypad 0102 sensor 01 card -\n"
         "node 1 cycle 4 keypad 0002 sensor 01 card -\n"
         "node 1 cycle 5 keypad 0100 sensor 01 card -\n"
         "node 0 poll-fails-from 6\n",
         enter, -2,
         ready_line + prompt + idle0 + block(1, 0x0100, 0x01, zero_card) + idle0 +
             block(1, 0x0100, 0x01, zero_card) + idle0 + block(1, 0x0000, 0x01, zero_card) + idle0 +
             block(1, 0x0102, 0x01, zero_card) + idle0 + block(1, 0x0002, 0x01, zero_card) + idle0 +
             block(1, 0x0100, 0x01, zero_card) + poll_error(0),
         trace_start + idle_turn(0) + turn(1, "0100", "01", slot::untouched, true) + idle_turn(0) +
             turn(1, "0100", "01", slot::untouched) + idle_turn(0) +
             turn(1, "0000", "01", slot::untouched) + idle_turn(0) +
             turn(1, "0102", "01", slot::untouched, true) + idle_turn(0) +
             turn(1, "0002", "01", slot::untouched) + idle_turn(0) +
             turn(1, "0100", "01", slot::untouched, true) + failed_poll(0),
         unchecked},
        {"UnderscoreKey_EjectFollowsTheSlotRuleOfTheSameCycle",
         "node 0 cycle 0 keypad 0100 sensor 02 card 0000000000000080\n"
         "node 0 poll-fails-from 1\n",
         enter, -2, unchecked,
         trace_start + turn(0, "0100", "02", slot::read, true) + idle_turn(1) + failed_poll(0),
         unchecked},
        // No kav_io_fini on this exit.
        {"PollFailure_NodeZeroFailingItsFirstPollEndsBeforeAnyBlock", "node 0 poll-fails-from 0\n",
         enter, -2, ready_line + prompt + poll_error(0), trace_start + failed_poll(0), 1},
        {"PollFailure_NodeOneFailingFollowsNodeZerosBlock",
         "node 0 cycle 0 keypad 0 sensor 01 card -\n"
         "node 1 poll-fails-from 1\n",
         enter, -2, ready_line + prompt + front0 + idle1 + front0 + poll_error(1),
         trace_start + turn(0, "0000", "01", slot::untouched) + idle_turn(1) +
             turn(0, "0000", "01", slot::untouched) + failed_poll(1),
         unchecked},
        {"Startup_InitFailureEndsWithMinusOne", "init fails\n", enter, -1,
         "W:kavio: kav_io_init: no reader answers\nInitializing kavio failed\n",
         "kav_io_set_loggers(fn, fn, fn, fn)\nkav_io_init(fn, fn, fn)\n", unchecked},
        {"FatalLog_LevelFLineEndsWithOneAndReachesARedirectedStdout", "node 1 fatal-at 1\n", enter,
         1,
         ready_line + prompt + idle0 + idle1 + idle0 +
             "F:kavio: reader 1 lost its link in cycle 1\n",
         trace_start + idle_turn(0) + idle_turn(1) + idle_turn(0) +
             "kav_io_poll(1) logs a level-F line\n",
         unchecked},
    };
}

using ReaderRun = testing::TestWithParam<reader_case>;

}  // namespace

TEST_P(ReaderRun, EndsWithTheScreenAndCallsOfItsCase)
{
    const reader_case &c = GetParam();
    readertest_run run = run_readertest(c.name, c.scenario, c.input);
    ASSERT_TRUE(run.program.finished);
    EXPECT_EQ(run.program.exit_status, c.exit_status);
    if (c.screen) {
        EXPECT_EQ(run.screen, *c.screen);
    }
    if (c.clears && !console_clear_sequence().empty()) {
        EXPECT_EQ(run.clears, *c.clears);
    }
    if (c.trace) {
        EXPECT_EQ(run.trace, *c.trace);
    }
}

INSTANTIATE_TEST_SUITE_P(Scenario, ReaderRun, testing::ValuesIn(reader_cases()),
                         [](const testing::TestParamInfo<reader_case> &reader_run) {
                             return std::string(reader_run.param.name);
                         });

TEST(ReaderScreen, ExpectedBlocksShowTheKeypadBitsOnTheirKeys)
{
    // F889: keys 0, 7, 8, 9 and the unshown bits 12-15; 0652: keys 1, O, 5, 3, 6.
    EXPECT_NE(block(0, 0x0889, 0x01, zero_card).find(" |7: 1|8: 1|9: 1|\n"), std::string::npos);
    EXPECT_NE(block(1, 0x0652, 0x01, zero_card).find(" |1: 1|2: 0|3: 1|\n"), std::string::npos);
}

TEST(Startup, AnythingButEnterAtThePromptEndsWithZeroAndNoFini)
{
    for (const char *answer : {"x\n", " \n", ""}) {
        SCOPED_TRACE(testing::Message() << "answer '" << answer << "'");
        readertest_run run = run_readertest("prompt", "", {{answer}});
        ASSERT_TRUE(run.program.finished);
        EXPECT_EQ(run.program.exit_status, 0);
        EXPECT_EQ(run.screen, "I:kavio: simulated readers ready (demo)\n" + prompt);
        EXPECT_EQ(run.clears, 0);
        EXPECT_EQ(run.trace, trace_start);
    }
}

class Escape : public testing::Test {
  protected:
    void SetUp() override
    {
#ifdef _WIN32
        GTEST_SKIP() << "Wine reports no key state, so Escape cannot be held here";
#endif
    }
};

TEST_F(Escape, HeldAtTheFirstCycleClearsFinishesAndPrintsNoBlock)
{
    // Enter and Escape arrive together, so stdio reads the ESC ahead with the
    // newline; the pipe then stays open, with nothing more in it, until the end.
    readertest_run run =
        run_readertest("escape_first_cycle", "", {{"\n\x1b"}, {"", "simulated readers stopped\n"}});
    ASSERT_TRUE(run.program.finished);
    EXPECT_EQ(run.program.exit_status, 0);
    EXPECT_EQ(run.clears, 1);
    EXPECT_EQ(run.screen, "I:kavio: simulated readers ready (demo)\n" + prompt +
                              "I:kavio: simulated readers stopped\n");
    EXPECT_EQ(run.trace, trace_start + trace_fini);
}

TEST_F(Escape, PressedWhileRunningEndsAfterWholeScreens)
{
    // Escape once three blocks of reader 1 are out, so three cycles and the Escape's.
    readertest_run run = run_readertest("escape_while_running", "# both readers idle\n",
                                        {{"\n"}, {"\x1b", "Reader 1\n", 3}});
    ASSERT_TRUE(run.program.finished);
    EXPECT_EQ(run.program.exit_status, 0);
    // Every cycle before the Escape printed two whole blocks.
    std::string screen = block(0, 0, 0, zero_card) + block(1, 0, 0, zero_card);
    std::string expected = ready_line + prompt;
    for (int cycle = 1; cycle < run.clears; ++cycle) {
        expected += screen;
    }
    expected += "I:kavio: simulated readers stopped\n";
    EXPECT_GE(run.clears, 4);
    EXPECT_EQ(run.screen, expected);
    ASSERT_GE(run.trace.size(), trace_fini.size());
    EXPECT_EQ(run.trace.substr(run.trace.size() - trace_fini.size()), trace_fini);
}
