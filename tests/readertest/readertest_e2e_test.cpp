// Runs the built readertest against the simulated readers and compares its
// screen, exit status and calls into the library with what the loop must do.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "sim_control.h"

namespace {

const std::string dashes = "------------------\n";
const std::string prompt = ">>> Initializing kavio successful, press enter to continue <<<\n";
const std::string ready_line = "I:kavio: simulated readers ready (scenario)\n";
const std::string demo_ready = "I:kavio: simulated readers ready (demo)\n";
const std::string stopped_line = "I:kavio: simulated readers stopped\n";
const std::string zero_card = "0000000000000000";
const std::string trace_start =
    "kav_io_set_loggers(fn, fn, fn, fn)\nkav_io_init(fn, fn, fn)\nhost_thread_start(0) = ok\n";
const std::string trace_fini = "kav_io_fini()\nhost_thread_join = 0\nhost_thread_close\n";

struct readertest_run {
    program_run program;
    console_text shown;  // stdout without the clears, with plain newlines
    std::string trace;
};

readertest_run run_readertest(const std::string &name, const std::string &scenario,
                              const std::vector<program_input> &input)
{
    std::string base = "readertest_e2e_" + name;
    sim_scenario_for(base, scenario);
    std::string trace = sim_trace_for(base, "KAVIO_SIM_TRACE");
    program_run program =
        program_run_with(program_path("readertest"), {}, input, base + ".out", 60000);
    return {program, console_text_of(program.output), read_file(trace)};
}

// A run that ended by itself with status, screen and trace.
void expect_run(const readertest_run &run, int status, const std::string &screen,
                const std::string &trace)
{
    ASSERT_EQ(run.program.exit_status, status);
    EXPECT_EQ(run.shown.text, screen);
    EXPECT_EQ(run.trace, trace);
}

// Where each key sits on the screen, row by row: 7 8 9 / 4 5 6 / 1 2 3 / 0 O _.
// The last row apart: the two keys that are no digit.
// clang-format off
constexpr char key_labels[] = "789456123" "0O_";
// clang-format on
constexpr int key_bits[] = {3, 7, 11, 2, 6, 10, 1, 5, 9, 0, 4, 8};

std::string block(int node, uint16_t keypad, uint8_t sensor, const std::string &card)
{
    std::string text = "Press escape to quit\nReader " + std::to_string(node) + "\n" + dashes;
    char cells[64];
    for (int key = 0; key < 12; ++key) {
        snprintf(cells, sizeof cells, "%s%c: %d|%s", key % 3 == 0 ? " |" : "", key_labels[key],
                 keypad >> key_bits[key] & 1, key % 3 == 2 ? "\n" : "");
        text += cells;
    }
    snprintf(cells, sizeof cells, "|front: %d back: %d|\n", sensor & 1, sensor >> 1 & 1);
    return text + dashes + cells + dashes + "|" + card + "|\n" + dashes;
}

// What each slot rule calls after the poll and the reads of state, # for the node.
enum slot { reads, fails, empty, untouched };
// clang-format off
const char *const slot_calls[] = {
    "kav_io_card_slot_cmd(#, 0) = 1\nkav_io_poll(#) = 1\nkav_io_card_slot_cmd(#, 3) = 1\nkav_io_poll(#) = 1\nkav_io_read_card(#, 8) = 1\n",
    "kav_io_card_slot_cmd(#, 0) = 1\nkav_io_poll(#) = 1\nkav_io_card_slot_cmd(#, 3) = 1\nkav_io_poll(#) = 1\nkav_io_read_card(#, 8) = 0\n",
    "kav_io_card_slot_cmd(#, 0) = 1\nkav_io_poll(#) = 1\nkav_io_card_slot_cmd(#, 1) = 1\n",
    "",
};
// clang-format on

// One node's turn in a cycle: what its poll reports, the identifier its block
// shows, which rule drives its slot and whether the underscore key ejects.
struct node_turn {
    int node;
    uint16_t keypad;
    uint8_t sensor;
    std::string card;
    slot rule;
    bool eject = false;
};

node_turn idle(int node)
{
    return {node, 0, 0, zero_card, empty, false};
}

// The calls of one node's turn.
std::string calls_of(const node_turn &t)
{
    char text[512];
    snprintf(text, sizeof text,
             "kav_io_poll(#) = 1\nkav_io_get_keypad_state(#) = %04X\n"
             "kav_io_get_sensor_state(#) = %02X\n%s%s",
             t.keypad, t.sensor, slot_calls[t.rule],
             t.eject ? "kav_io_card_slot_cmd(#, 2) = 1\n" : "");
    std::string calls = text;
    std::replace(calls.begin(), calls.end(), '#', static_cast<char>('0' + t.node));
    return calls;
}

// How a run ends after its turns: what the screen and trace then end with, and the status.
struct run_end {
    std::string screen, trace;
    int exit_status;
};

run_end poll_fails(int node)
{
    std::string n = std::to_string(node);
    return {"ERROR: Polling node " + n + " failed", "kav_io_poll(" + n + ") = 0\n", -2};
}

// A run of readertest from Enter at the prompt to its end.
struct reader_case {
    const char *name;  // what the run proves; its files are named after it
    run_end end;
    std::optional<int> clears;  // compared only where the clears reach stdout
    std::string scenario;
    std::vector<node_turn> turns;
};

}  // namespace

TEST(ReaderRun, EndsWithTheScreenAndCallsOfItsCase)
{
    const std::string card = "80FF00017F8081FE";
    const std::string other = "0123456789ABCDEF";
    // clang-format off
    const reader_case cases[] = {
        {"ReaderScreen_MatchesTheDocumentedBlock", poll_fails(0), {}, "node 0 cycle 0 keypad 0040 sensor 01 card -\nnode 0 poll-fails-from 1\n", {{0, 0x0040, 0x01, zero_card, untouched}, idle(1)}},
        {"ReaderScreen_KeysAppearWhereTheKeypadHasThemAndHighBitsAreHidden", poll_fails(0), {}, "node 0 cycle 0 keypad F889 sensor 01 card -\nnode 1 cycle 0 keypad 0652 sensor 01 card -\nnode 0 poll-fails-from 1\n", {{0, 0xF889, 0x01, zero_card, untouched}, {1, 0x0652, 0x01, zero_card, untouched}}},
        // Its turns: no card, at the front, at the back: read now, shown a cycle later, leaving: kept, gone: zeroed now, shown zeroed.
        {"CardJourney_FrontBackReadShownOneCycleLaterThenRemovedAndZeroed", poll_fails(0), 8, "node 0 cycle 1 keypad 0 sensor 01 card -\nnode 0 cycle 2 keypad 0 sensor 02 card 80FF00017F8081FE\nnode 0 cycle 4 keypad 0 sensor 01 card -\nnode 0 cycle 5 keypad 0 sensor 00 card -\nnode 0 poll-fails-from 7\n", {idle(0), idle(1), {0, 0, 0x01, zero_card, untouched}, idle(1), {0, 0, 0x02, zero_card, reads}, idle(1), {0, 0, 0x02, card, reads}, idle(1), {0, 0, 0x01, card, untouched}, idle(1), {0, 0, 0x00, card, empty}, idle(1), idle(0), idle(1)}},
        {"CardJourney_FailedReadKeepsWhatTheBufferHeld", poll_fails(0), {}, "node 1 cycle 0 keypad 0 sensor 02 card 0123456789ABCDEF\nnode 1 cycle 1 keypad 0 sensor 02 card -\nnode 0 poll-fails-from 3\n", {idle(0), {1, 0, 0x02, zero_card, reads}, idle(0), {1, 0, 0x02, other, fails}, idle(0), {1, 0, 0x02, other, fails}}},
        {"CardSlot_SensorBitsOtherThanBackSendNothingAndKeepTheIdentifier", poll_fails(0), {}, "node 0 cycle 0 keypad 0 sensor 02 card 0123456789ABCDEF\nnode 0 cycle 1 keypad 0 sensor FC card 0123456789ABCDEF\nnode 0 cycle 3 keypad 0 sensor FD card 0123456789ABCDEF\nnode 0 poll-fails-from 4\n", {{0, 0, 0x02, zero_card, reads}, idle(1), {0, 0, 0xFC, other, untouched}, idle(1), {0, 0, 0xFC, other, untouched}, idle(1), {0, 0, 0xFD, other, untouched}, idle(1)}},
        // Only the front sensor is set, so command 2 is the only slot command.
        {"UnderscoreKey_SendsEjectOnceWhenPressedAndAgainAfterARelease", poll_fails(0), {}, "node 1 cycle 0 keypad 0100 sensor 01 card -\nnode 1 cycle 2 keypad 0000 sensor 01 card -\nnode 1 cycle 3 keypad 0102 sensor 01 card -\nnode 1 cycle 4 keypad 0002 sensor 01 card -\nnode 1 cycle 5 keypad 0100 sensor 01 card -\nnode 0 poll-fails-from 6\n", {idle(0), {1, 0x0100, 0x01, zero_card, untouched, true}, idle(0), {1, 0x0100, 0x01, zero_card, untouched}, idle(0), {1, 0x0000, 0x01, zero_card, untouched}, idle(0), {1, 0x0102, 0x01, zero_card, untouched, true}, idle(0), {1, 0x0002, 0x01, zero_card, untouched}, idle(0), {1, 0x0100, 0x01, zero_card, untouched, true}}},
        {"UnderscoreKey_EjectFollowsTheSlotRuleOfTheSameCycle", poll_fails(0), {}, "node 0 cycle 0 keypad 0100 sensor 02 card 0000000000000080\nnode 0 poll-fails-from 1\n", {{0, 0x0100, 0x02, zero_card, reads, true}, idle(1)}},
        // No kav_io_fini on this exit.
        {"PollFailure_NodeZeroFailingItsFirstPollEndsBeforeAnyBlock", poll_fails(0), 1, "node 0 poll-fails-from 0\n", {}},
        {"PollFailure_NodeOneFailingFollowsNodeZerosBlock", poll_fails(1), {}, "node 0 cycle 0 keypad 0 sensor 01 card -\nnode 1 poll-fails-from 1\n", {{0, 0, 0x01, zero_card, untouched}, idle(1), {0, 0, 0x01, zero_card, untouched}}},
        {"FatalLog_LevelFLineEndsWithOneAndReachesARedirectedStdout", {"F:kavio: reader 1 lost its link in cycle 1\n", "kav_io_poll(1) logs a level-F line\n", 1}, {}, "node 1 fatal-at 1\n", {idle(0), idle(1), idle(0)}},
    };
    // clang-format on
    for (const reader_case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string screen = ready_line + prompt;
        std::string trace = trace_start;
        for (const node_turn &t : c.turns) {
            screen += block(t.node, t.keypad, t.sensor, t.card);
            trace += calls_of(t);
        }
        readertest_run run = run_readertest(c.name, c.scenario, {{"\n"}});
        expect_run(run, c.end.exit_status, screen + c.end.screen, trace + c.end.trace);
        if (c.clears && !console_clear_sequence().empty()) {
            EXPECT_EQ(run.shown.clears, *c.clears);
        }
    }
}

TEST(ReaderScreen, ExpectedBlocksAreTheDocumentedOnesWithTheKeypadBitsOnTheirKeys)
{
    EXPECT_EQ(block(0, 0x0040, 0x01, zero_card),
              "Press escape to quit\nReader 0\n------------------\n |7: 0|8: 0|9: 0|\n"
              " |4: 0|5: 1|6: 0|\n |1: 0|2: 0|3: 0|\n |0: 0|O: 0|_: 0|\n------------------\n"
              "|front: 1 back: 0|\n------------------\n|0000000000000000|\n------------------\n");
    // F889: keys 0, 7, 8, 9 and the unshown bits 12-15; 0652: keys 1, O, 5, 3, 6.
    EXPECT_NE(block(0, 0xF889, 0x01, zero_card).find(" |7: 1|8: 1|9: 1|\n"), std::string::npos);
    EXPECT_NE(block(1, 0x0652, 0x01, zero_card).find(" |1: 1|2: 0|3: 1|\n"), std::string::npos);
}

TEST(Startup, InitFailureEndsWithMinusOneAndAnythingButEnterWithZeroAndNoFini)
{
    expect_run(run_readertest("init_fails", "init fails\n", {{"\n"}}), -1,
               "W:kavio: kav_io_init: no reader answers\nInitializing kavio failed\n",
               "kav_io_set_loggers(fn, fn, fn, fn)\nkav_io_init(fn, fn, fn)\n");
    for (const char *answer : {"x\n", " \n", ""}) {
        SCOPED_TRACE(testing::Message() << "answer '" << answer << "'");
        readertest_run run = run_readertest("prompt", "", {{answer}});
        expect_run(run, 0, demo_ready + prompt, trace_start);
        EXPECT_EQ(run.shown.clears, 0);
    }
}

TEST(Escape, HeldAtTheFirstCycleOrPressedWhileRunningEndsAfterWholeScreens)
{
#ifdef _WIN32
    GTEST_SKIP() << "Wine reports no key state, so Escape cannot be held here";
#endif
    // Enter and Escape arrive together, so stdio reads the ESC ahead with the
    // newline; the pipe then stays open, with nothing more in it, until the end.
    readertest_run run =
        run_readertest("escape_first_cycle", "", {{"\n\x1b"}, {"", "simulated readers stopped\n"}});
    expect_run(run, 0, demo_ready + prompt + stopped_line, trace_start + trace_fini);
    EXPECT_EQ(run.shown.clears, 1);

    // Escape once three blocks of reader 1 are out, so three cycles and the Escape's.
    run = run_readertest("escape_while_running", "# both readers idle\n",
                         {{"\n"}, {"\x1b", "Reader 1\n", 3}});
    ASSERT_EQ(run.program.exit_status, 0);
    // Every cycle before the Escape printed two whole blocks.
    std::string expected = ready_line + prompt;
    for (int cycle = 1; cycle < run.shown.clears; ++cycle) {
        expected += block(0, 0, 0, zero_card) + block(1, 0, 0, zero_card);
    }
    EXPECT_GE(run.shown.clears, 4);
    EXPECT_EQ(run.shown.text, expected + stopped_line);
    ASSERT_GE(run.trace.size(), trace_fini.size());
    EXPECT_EQ(run.trace.substr(run.trace.size() - trace_fini.size()), trace_fini);
}
