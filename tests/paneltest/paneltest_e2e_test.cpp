// Runs the built paneltest against the CH341 stand-in with scripted frames
// and compares its screens, exit status and bridge calls with what an
// operator must see.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "command_line.h"
#include "io_version.h"
#include "sim_control.h"
#include "test_clock.h"

namespace {

constexpr int run_timeout_ms = 20000;
const std::string version_line = "paneltest " IO_VERSION_TEXT "\n";
const std::string screen_start = version_line + "Press escape to quit\n";
const std::string no_bridge_line =
    "No CH341 bridge found: check the board's USB cable and the CH341 driver\n";

// text: stdout without the clears, with plain newlines.
struct paneltest_run : console_text {
    program_run program;
    std::vector<std::string> screens;  // each from its version line on
    std::string ending;                // what follows the last screen (of either mode)
    std::vector<std::string> trace;
    uint64_t took_us;  // by the test's clock, start to end: a bound no figure of the run passes
};

// board: "" for no bridge, "demo", or the text of a frame script.
paneltest_run run_paneltest(const std::string &name, const std::string &board,
                            const std::vector<std::string> &arguments,
                            const std::string &input = "")
{
    std::string base = "paneltest_e2e_" + name;
    sim_board_for(base, board);
    std::string trace = sim_trace_for(base);

    paneltest_run run;
    uint64_t start_us = test_clock_us();
    run.program = program_run_with(program_path("paneltest"), arguments, {{input}}, base + ".out",
                                   run_timeout_ms);
    run.took_us = test_clock_us() - start_us;
    static_cast<console_text &>(run) = console_text_of(run.program.output);
    // Every screen, the live view's and the check's, ends with its last-scan line.
    size_t last_line = run.text.rfind("last scan:");
    size_t ending_at = last_line == std::string::npos ? 0 : run.text.find('\n', last_line) + 1;
    run.ending = run.text.substr(ending_at);
    for (size_t at = run.text.find(screen_start); at != std::string::npos;) {
        size_t next = run.text.find(screen_start, at + 1);
        run.screens.push_back(
            run.text.substr(at, (next == std::string::npos ? ending_at : next) - at));
        at = next;
    }
    run.trace = sim_read_lines(trace);
    return run;
}

// A scan's line starting with `label`, up to its end.
std::string line_after(const std::string &screen, const std::string &label)
{
    size_t at = screen.find("\n" + label);
    return at == std::string::npos ? "" : screen.substr(at + 1, screen.find('\n', at + 1) - at - 1);
}

// The figures of the rate, the scan time and the drop-outs' lengths depend on the
// machine: "link drop-outs: 1, longest *"; everything else must match.
std::string masked(const std::string &screen)
{
    return std::regex_replace(screen, std::regex("(per second:  |scan time:   |longest )[^\n]*"),
                              "$1*");
}

// The screen as the README lays it out: panel_state's bits, bit 0 top left, row by row.
std::string expected_screen(uint16_t panel, uint8_t sys, int scans, int failed,
                            const std::string &last_scan = "ok",
                            const std::string &dropouts = "none")
{
    const char *rule = "-------------------------\n";
    std::string text = screen_start + "Panel buttons\n" + rule;
    char lines[512];
    for (int button = 0; button < 16; ++button) {
        snprintf(lines, sizeof lines, "|%2d: %d%s", button, panel >> button & 1,
                 button % 4 == 3 ? "|\n" : "");
        text += lines;
    }
    snprintf(lines, sizeof lines,
             "%sSystem inputs\n| 0: %d| 1: %d| 2: %d|\n%spanel_state: 0x%04X\nsys_state:   0x%02X\n"
             "%sscans:       %d\nper second:  *\nscan time:   *\nfailed:      %d\n"
             "link drop-outs: %s\nlast scan:   %s\n",
             rule, sys & 1, sys >> 1 & 1, sys >> 2 & 1, rule, panel, sys, rule, scans, failed,
             dropouts.c_str(), last_scan.c_str());
    return text + lines;
}

// A failed scan's last-scan line, by the drop-out's age its screen shows ("last 0.04 s"
// is under wzio's 50 ms: held; from 0.06 s released), and whether its grid keeps the
// last good inputs. wzio goes by its own clock, read within the scan, which a stalled
// call moves either way: held is certain at a drop-out's first failed scan, released
// well past 50 ms; between, the grid shows either.
struct failed_scan {
    std::string line;
    bool held;
};

failed_scan failed_scan_of(const std::string &screen, bool first)
{
    size_t at = screen.find(", last ");
    double age_s = at == std::string::npos ? 0 : atof(screen.c_str() + at + 7);
    std::string shown = line_after(screen, "last scan:   ").substr(13);
    bool grid_held = line_after(screen, "panel_state: ") != "panel_state: 0x0000";
    return {age_s <= 0.04   ? "FAILED, inputs held from the last good scan"
            : age_s >= 0.06 ? "FAILED, inputs shown as released"
                            : shown,
            first || (age_s < 0.08 && grid_held)};
}

TEST(PaneltestScreen, ShowsEachScriptedFrameInPanelBitOrderAndGoesOnPastFailedScans)
{
    // Button 0, then button 4 with system input 0, button 15 with system input 1 and
    // everything at once; inputs are active-low. Then scans whose read or address write
    // fails: each counts and, early in its link drop-out, shows the inputs of the last
    // good scan; the scan after them reads the panel again.
    // clang-format off
    const struct { const char *frame; uint16_t panel; uint8_t sys; } scans[] = {
        {"FF FE FF", 0x0001, 0x0},
        {"7F FF FD", 0x0010, 0x1},
        {"FE FF FE", 0x8000, 0x2},
        {"00 00 00", 0xFFFF, 0x7},
        {"FF FE FF", 0x0001, 0x0},
        {"FF FE FF read-fail=2", 0x0001, 0x0},
        {"FF FE FF addr-fail=5", 0x0001, 0x0},
        {"FF FE FF short-read=3", 0x0001, 0x0},
        {"FF FE FF", 0x0001, 0x0},
    };
    // clang-format on
    std::string board;
    for (const auto &scan : scans) {
        board += std::string(scan.frame) + "\n";
    }
    paneltest_run run = run_paneltest("frames", board, {"--scans", "9"});
    ASSERT_EQ(run.program.exit_status, -2);
    ASSERT_EQ(run.screens.size(), 9u) << run.text;
    // Into a file the screens follow one another, with no clear between them.
    EXPECT_EQ(run.clears, 0);
    for (int scan = 1; scan <= 9; ++scan) {
        const std::string &screen = run.screens[scan - 1];
        failed_scan last =
            scan >= 6 && scan <= 8 ? failed_scan_of(screen, scan == 6) : failed_scan{"ok", true};
        EXPECT_EQ(masked(screen),
                  expected_screen(last.held ? scans[scan - 1].panel : 0, scans[scan - 1].sys, scan,
                                  std::min(std::max(scan - 5, 0), 3), last.line,
                                  scan < 6 ? "none" : "1, longest *"))
            << "scan " << scan;
    }
    EXPECT_EQ(masked(run.ending), "Ended after 9 scans, 3 failed\nlink drop-outs: 1, longest *\n");
    EXPECT_EQ(run.trace.back(), "CH341CloseDevice(0)");
}

TEST(PaneltestScreen, DrivesTheLibraryLikeAGameAndMeasuresTheRate)
{
    // Long enough for at least one whole second of scans.
    paneltest_run run = run_paneltest("demo", "demo", {"--scans", "300"});
    ASSERT_EQ(run.program.exit_status, 0);
    ASSERT_EQ(run.screens.size(), 300u);
    EXPECT_EQ(run.ending, "Ended after 300 scans, 0 failed\n");

    // Open once, one scan of nine address writes and three reads per cycle, close last.
    ASSERT_FALSE(run.trace.empty());
    EXPECT_EQ(run.trace.front() + ", " + run.trace.back(),
              "CH341OpenDevice(0) -> handle, CH341CloseDevice(0)");
    EXPECT_EQ((std::vector<int>{sim_calls_in(run.trace, "CH341OpenDevice"),
                                sim_calls_in(run.trace, "CH341CloseDevice"),
                                sim_calls_in(run.trace, "CH341EppSetAddr"),
                                sim_calls_in(run.trace, "CH341EppReadData")}),
              (std::vector<int>{1, 1, 300 * 9, 300 * 3}));

    const std::string &last = run.screens.back();
    int rate = 0;
    unsigned long min_us = 0, median_us = 0, max_us = 0;
    size_t at = last.find("per second:  ");
    ASSERT_EQ(sscanf(last.c_str() + std::min(at, last.size()),
                     "per second:  %d\nscan time:   min %lu us, median %lu us, max %lu us", &rate,
                     &min_us, &median_us, &max_us),
              4)
        << last;
    // No scan longer than the whole run.
    EXPECT_TRUE(rate > 0 && min_us <= median_us && median_us <= max_us && max_us <= run.took_us)
        << last << "took " << run.took_us << " us";
    // A first screen with a rate would need a whole second before it, and the
    // 299 pauses of 5 ms after it: in a shorter run it shows none.
    EXPECT_TRUE(run.screens.front().find("per second:  --\n") != std::string::npos ||
                run.took_us >= 2495000u)
        << run.screens.front();
}

TEST(PaneltestEnds, EachEndBeforeAScanHasItsStatusItsLinesAndItsBridgeCalls)
{
    // Each complaint in-process is command_line_test's; here what takes a process: the
    // status, standard output, and the bridge calls, none for a wrong command line. An
    // unreadable script leaves the stand-in without a bridge, as does none at all (""):
    // nothing opened, so nothing scanned or closed. Standard input is a pipe, so an ESC
    // on it is the Escape key; it waits there before the first cycle, which ends at once.
    const std::string usage = command_line_usage(), ended = "Ended after 0 scans, 0 failed\n";
    auto chatter_ended = [&ended](int threshold_ms) {
        return ended + "chatter: 0 of 0 pressed inputs chatter, threshold " +
               std::to_string(threshold_ms) + " ms, sampling 0 us\n";
    };
    const std::vector<std::string> none,
        unopened = {"CH341OpenDevice(0) -> INVALID_HANDLE_VALUE"},
        opened = {"CH341OpenDevice(0) -> handle", "CH341CloseDevice(0)"};
    // clang-format off
    const struct { std::vector<std::string> arguments; std::string board, input; int exit_status; std::string text; std::vector<std::string> trace; } cases[] = {
        {{"--chat"}, "demo", "", -3, "ambiguous option --chat: --chatter or --chatter-ms?\n" + usage, none},
        {{"--scans", "2", "extra"}, "demo", "", -3, "paneltest takes no arguments besides its options\n" + usage, none},
        {{"--record", "no-such-folder/x.frames"}, "demo", "", -3, "Cannot create the recording no-such-folder/x.frames: ", none},
        {{"--help"}, "demo", "", 0, usage, none},
        {{"--version"}, "demo", "", 0, version_line, none},
        {{"--scans", "3"}, "", "", -1, no_bridge_line, unopened},
        {{"--scans", "3"}, "FF FF\n", "", -1, no_bridge_line, unopened},
        {{}, "demo", "\x1b", 0, ended, opened},
        {{"--scans", "1000000000"}, "demo", "\x1b", 0, ended, opened},
        {{"--events"}, "demo", "\x1b", 0, version_line + "events: 0 scans, 0 failed, 0 edges\n", opened},
        {{"--chatter"}, "demo", "\x1b", 0, chatter_ended(30), opened},
        {{"--chatter", "--chatter-ms", "1"}, "demo", "\x1b", 0, chatter_ended(1), opened},  // the threshold's bounds
        {{"--chatter", "--chatter-ms", "1000"}, "demo", "\x1b", 0, chatter_ended(1000), opened},
        {{"--plot", "ends_plot.frames", "--out", "ends_plot.svg"}, "demo", "", 0, "", none},  // no bridge for a plot
        {{"--plot", "no-such.frames", "--out", "ends_plot.vcd"}, "demo", "", -3, "Cannot read the recording no-such.frames: ", none},
    };
    // clang-format on
    write_file("ends_plot.frames", "panel=0x0020 sys=0x0 repeat=2\nunplug-ms 100\nend\n");
    remove("ends_plot.svg");
    int index = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(index);
        paneltest_run run =
            run_paneltest("ends_" + std::to_string(index++), c.board, c.arguments, c.input);
        ASSERT_EQ(run.program.exit_status, c.exit_status);
        // The system's reason follows.
        bool cut = c.text.size() > 2 && c.text.compare(c.text.size() - 2, 2, ": ") == 0;
        EXPECT_EQ(cut ? run.text.substr(0, c.text.size()) : run.text, c.text);
        EXPECT_EQ(run.clears, 0);
        EXPECT_EQ(run.trace, c.trace);
    }
    EXPECT_NE(read_file("ends_plot.svg"), "");
}

// The frame bit of each input, panel buttons 0 to 15 then system inputs 0 to 2, as
// wzio's decode table has them.
const uint32_t input_frame_bits[19] = {0x0100, 0x0400, 0x1000,  0x4000,  0x0080, 0x0020, 0x0008,
                                       0x0002, 0x0200, 0x0800,  0x2000,  0x8000, 0x0040, 0x0010,
                                       0x0004, 0x0001, 0x20000, 0x10000, 0x80000};

// One frame line with the inputs of the mask active (active-low), then fault words.
std::string frame(uint32_t active, const std::string &words = "")
{
    uint32_t bits = 0xFFFFFF;
    for (int input = 0; input < 19; ++input) {
        bits &= (active >> input & 1u) != 0 ? ~input_frame_bits[input] : 0xFFFFFFu;
    }
    char line[64];
    snprintf(line, sizeof line, "%02X %02X %02X %s\n", bits & 0xFFu, bits >> 8 & 0xFFu, bits >> 16,
             words.c_str());
    return line;
}

TEST(PaneltestFailures, LinkDropOutsAreShownAndTimedByTheLiveViewAndTheEvents)
{
    const uint32_t p5 = 1u << 5;
    // Every bridge call 2 ms, so scans some 20 ms long: panel 5 held through drop-outs of
    // two and six failed scans, released, and one drop-out still open at the end. A call's
    // time, unlike a pace, puts paneltest's clock and wzio's the same way apart at every scan.
    scoped_environment call_time("CH341_SIM_CALL_US", "2000");
    const std::string board = frame(p5, "repeat=3") + frame(p5, "read-fail=1 repeat=2") +
                              frame(p5, "repeat=3") + frame(p5, "read-fail=1 repeat=6") +
                              frame(0, "repeat=3") + frame(0, "read-fail=1 repeat=4");
    // Per scan: o ok, f failed, its inputs held or released by the drop-out's age.
    const std::string scans = "oooffoooffffffoooffff";
    paneltest_run live = run_paneltest("link_live", board, {"--scans", "21"});
    ASSERT_EQ(live.program.exit_status, -2);
    ASSERT_EQ(live.screens.size(), 21u) << live.text;
    for (int scan = 1; scan <= 21; ++scan) {
        SCOPED_TRACE(scan);
        const std::string &screen = live.screens[scan - 1];
        failed_scan last = scans[scan - 1] == 'o' ? failed_scan{"ok", true}
                                                  : failed_scan_of(screen, scans[scan - 2] == 'o');
        EXPECT_EQ(line_after(screen, "last scan:   "), "last scan:   " + last.line);
        EXPECT_EQ(line_after(screen, "panel_state: "),
                  scan <= 14 && last.held ? "panel_state: 0x0020" : "panel_state: 0x0000");
    }
    EXPECT_EQ(line_after(live.screens[2], "link drop-outs: "), "link drop-outs: none");
    // The open drop-out counts, at its length so far.
    EXPECT_EQ(line_after(live.screens[12], "link drop-outs: ").substr(0, 27),
              "link drop-outs: 2, longest ");
    EXPECT_EQ(masked(live.ending),
              "Ended after 21 scans, 12 failed\nlink drop-outs: 3, longest *\n");

    paneltest_run events = run_paneltest("link_events", board, {"--events", "--scans", "21"});
    ASSERT_EQ(events.program.exit_status, -2);
    // Every time and length masked: "* s, scan 6: link back after * s, 2 scans failed".
    // A drop-out says a game saw its held inputs released once a failed scan came 50 ms
    // or more into it: the sixth of six, 20 ms apart at least, does; the second of two
    // may, if the drop-out lasted that long.
    const std::string two_noted =
        "2 scans failed; a game saw the held inputs released from 50 ms on";
    std::vector<std::string> lines;
    for (std::string line : lines_of(events.text)) {
        size_t noted = line.find(two_noted);
        if (noted != std::string::npos) {
            EXPECT_GE(atof(line.c_str() + line.find("link back after ") + 16), 0.05) << line;
            line.erase(noted + 14);
        }
        lines.push_back(
            std::regex_replace(std::regex_replace(line, std::regex("[0-9]+\\.[0-9]+ s"), "* s"),
                               std::regex("after [0-9]+ ms"), "after * ms"));
    }
    // clang-format off
    EXPECT_EQ(lines, (std::vector<std::string>{version_line.substr(0, version_line.size() - 1), "* s, scan 1: panel 5 pressed",
        "* s, scan 4: scan failed", "* s, scan 6: link back after * s, 2 scans failed", "* s, scan 9: scan failed",
        "* s, scan 15: link back after * s, 6 scans failed; a game saw the held inputs released from 50 ms on",
        "* s, scan 15: panel 5 released after * ms", "* s, scan 18: scan failed", "* s, scan 21: link still down at the end, * s, 4 scans failed",
        "events: 21 scans, 12 failed, 2 edges", "link drop-outs: 3, longest * s"}))
        << events.text;
    // clang-format on
    // The longest is the six failed scans' 120 ms, in both views; one of its periods may
    // be short, since the stand-in's first scan after wzio opens the bridge again starts at once.
    for (const paneltest_run *run : {&events, &live}) {
        const std::string &ending = run == &events ? events.text : live.ending;
        double longest_s = 0;
        size_t at = ending.find("link drop-outs: 3, longest ");
        ASSERT_NE(at, std::string::npos) << ending;
        EXPECT_EQ(sscanf(ending.c_str() + at, "link drop-outs: 3, longest %lf s", &longest_s), 1);
        EXPECT_GE(longest_s, 0.10);
        EXPECT_LE(longest_s * 1e6, static_cast<double>(run->took_us)) << "longer than the run";
    }
}

// Each step of a check, two frames: the press (what `wiring` says goes active,
// else the input alone), a frame per entry of `held` while still pressed, the
// release. Stuck inputs are active in every frame and have no step. The last
// release lasts past the chatter threshold, which the check waits out.
std::string walk(uint32_t stuck = 0, std::map<int, uint32_t> wiring = {},
                 std::map<int, std::vector<std::string>> held = {})
{
    std::string frames;
    for (int input = 0; input < 19; ++input) {
        if ((stuck >> input & 1u) == 0) {
            uint32_t pressed = stuck | (wiring.count(input) != 0 ? wiring[input] : 1u << input);
            frames += frame(pressed);
            for (const std::string &words : held[input]) {
                frames += frame(pressed, words);
            }
            frames += frame(stuck);
        }
    }
    return frames + frame(stuck, "repeat=1000");
}

// A check's last lines: how it ended ("after * scans" for a whole check, whose last wait is a
// time), its scan time, "ok" for the first `reached` inputs unless `verdicts` says otherwise,
// then `last`: the total and the link drop-outs, if any.
std::vector<std::string> summary(const std::string &ended, int reached,
                                 std::map<int, std::string> verdicts,
                                 const std::vector<std::string> &last)
{
    std::vector<std::string> lines = {ended, "scan time:   *"};
    for (int input = 0; input < 19; ++input) {
        std::string name = (input < 16 ? "panel " : "sys ") + std::to_string(input % 16);
        std::string verdict = input < reached ? "ok" : "not reached";
        lines.push_back(name + ": " + (verdicts.count(input) != 0 ? verdicts[input] : verdict));
    }
    lines.insert(lines.end(), last.begin(), last.end());
    return lines;
}

TEST(PaneltestCheck, ScriptedBoardsEndWithTheirSummaryAndStatus)
{
    const uint32_t p5 = 1u << 5, p9 = 1u << 9, p11 = 1u << 11,
                   p6_p7_sys1 = 1u << 6 | 1u << 7 | 1u << 17;
    const std::string clean = frame(0) + walk();
    const std::string miswired =
        frame(p11, "repeat=2 read-fail=2") + frame(p11, "repeat=10") +
        walk(p11, {{5, p9}, {9, p5}, {6, p6_p7_sys1}, {7, p6_p7_sys1}, {17, p6_p7_sys1}});
    // clang-format off
    const std::map<int, std::string> miswired_verdicts = {
        {5, "crossed with panel 9"},
        {9, "crossed with panel 5"},
        {6, "short with panel 7, sys 1"},
        {7, "short with panel 6, sys 1"},
        {11, "stuck active"},
        {17, "short with panel 6, panel 7"},
    };
    // clang-format on
    const std::string one_dropout = "link drop-outs: 1, longest *";
    // Each press comes a scan after the release before it, sooner than the chatter
    // threshold: until it, the prompt still asks for that release. clean: the tree's
    // own walk, for a newcomer at the desk; miswired: panel 11 stays active through
    // two failed scans and the settle time; held: held from the start, named while the
    // check waits for them; one_scan: the smallest limits, one scan and no settle time
    // before stuck inputs are taken; cut_short: ends while panel 4 is held, its verdict
    // stands; failing: failed scans while panel 3 is still held, none of them its
    // release, and the prompt says the bridge is not answering; escape: before the first scan.
    // arguments: after --check --settle-ms 20; shown: a line of some screen.
    // clang-format off
    const struct { const char *name; std::string frames; std::vector<std::string> arguments; std::string input; int exit_status; std::vector<std::string> summary; std::string shown; } cases[] = {
        {"clean", read_file(program_folder() + "clean-walk.frames"), {}, "", 0, summary("Ended after * scans, 0 failed", 19, {}, {"check: 19 of 19 ok, 0 failed scans"}), "Release panel button 5 (row 2, column 2)"},
        {"miswired", miswired, {}, "", -4, summary("Ended after * scans, 2 failed", 19, miswired_verdicts, {"check: 13 of 19 ok, 2 failed scans", one_dropout}), "last result: panel 6: short with panel 7, sys 1"},
        {"held", frame(1u << 3 | 1u << 17, "repeat=10") + walk(1u << 3 | 1u << 17), {}, "", -4, summary("Ended after * scans, 0 failed", 19, {{3, "stuck active"}, {17, "stuck active"}}, {"check: 17 of 19 ok, 0 failed scans"}), "still active: panel 3, sys 1"},
        {"one_scan", clean, {"--scans", "1"}, "", -4, summary("Ended after 1 scans, 0 failed", 0, {}, {"check: 0 of 19 ok, 0 failed scans"}), "Press panel button 0 (row 1, column 1), or space to skip it"},
        {"no_settle", frame(p11) + walk(p11), {"--settle-ms", "0"}, "", -4, summary("Ended after * scans, 0 failed", 19, {{11, "stuck active"}}, {"check: 18 of 19 ok, 0 failed scans"}), "Release panel button 12 (row 4, column 1)"},
        {"cut_short", clean, {"--scans", "10"}, "", -4, summary("Ended after 10 scans, 0 failed", 5, {}, {"check: 5 of 19 ok, 0 failed scans"}), "Release panel button 4 (row 2, column 1)"},
        {"no_settle_cut_short", clean, {"--settle-ms", "0", "--scans", "10"}, "", -4, summary("Ended after 10 scans, 0 failed", 5, {}, {"check: 5 of 19 ok, 0 failed scans"}), "Release panel button 4 (row 2, column 1)"},
        {"failing", frame(0) + walk(0, {}, {{3, {"read-fail=2", "short-read=3", "addr-fail=5", ""}}}), {}, "", -4, summary("Ended after * scans, 3 failed", 19, {}, {"check: 19 of 19 ok, 3 failed scans", one_dropout}), "The bridge is not answering: check the USB cable"},
        {"escape", clean, {}, "\x1b", -4, summary("Ended after 0 scans, 0 failed", 0, {}, {"check: 0 of 19 ok, 0 failed scans"}), "scan time:   --"},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> arguments = {"--check", "--settle-ms", "20"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        paneltest_run run =
            run_paneltest(std::string("check_") + c.name, c.frames, arguments, c.input);
        ASSERT_EQ(run.program.exit_status, c.exit_status);
        std::vector<std::string> ending = lines_of(masked(run.ending));
        if (!ending.empty() && c.summary[0].find('*') != std::string::npos) {
            ending[0] = std::regex_replace(ending[0], std::regex("after [0-9]+"), "after *");
        }
        EXPECT_EQ(ending, c.summary) << run.ending;
        EXPECT_PRED_FORMAT2(testing::IsSubstring, "\n" + c.shown + "\n", run.text);
        EXPECT_EQ(run.trace.back(), "CH341CloseDevice(0)");
    }
}

// A frame or end line of a recording: its words but at-us= (and repeat=,
// unless kept), and its time.
struct timed_line {
    std::string words;
    uint64_t at_us;
};

std::vector<timed_line> timed_lines_of(const std::string &recording, bool keep_repeat)
{
    std::vector<timed_line> timed;
    const std::regex time(" ?at-us=([0-9]+)"), time_or_repeat(" ?(at-us|repeat)=[0-9]+");
    for (const std::string &line : lines_of(recording)) {
        std::smatch at;
        if (line.compare(0, 1, "#") != 0 && line.compare(0, 8, "pace-us ") != 0) {
            timed.push_back({std::regex_replace(line, keep_repeat ? time : time_or_repeat, ""),
                             std::regex_search(line, at, time) ? std::stoull(at[1]) : UINT64_MAX});
        }
    }
    return timed;
}

// The event lines from "scan N:" on and without the durations, which depend on the machine.
std::vector<std::string> events_without_times(const std::string &text)
{
    std::vector<std::string> events;
    for (const std::string &line : lines_of(text)) {
        size_t scan_at = line.find("s, scan ");
        std::string event = scan_at == std::string::npos ? line : line.substr(scan_at + 3);
        events.push_back(event.substr(0, std::min(event.find(" after "), event.find(", longest"))));
    }
    return events;
}

TEST(PaneltestRecord, EveryViewRecordsAReplayThatRecordsTheSame)
{
    const uint32_t p0 = 1u << 0, p3 = 1u << 3, p5 = 1u << 5, p7 = 1u << 7, p9 = 1u << 9,
                   p15 = 1u << 15, sys0 = 1u << 16, sys2 = 1u << 18;
    // A failed first scan, presses, a short press, a drop-out and failed scans
    // while a button is held, as raw frames: the recording gives them decoded.
    // At 5 ms a scan its three failed scans in a row come some 390 ms after the
    // open, so wzio opens the bridge again, and the board goes on through it.
    const std::string board = "pace-us 5000\n" + frame(p7, "read-fail=2") + frame(p7, "repeat=2") +
                              frame(p5, "repeat=40") + frame(0, "repeat=5") +
                              frame(p9, "repeat=2") + frame(0, "repeat=3") +
                              frame(sys0, "repeat=10") + frame(0) + frame(sys0, "repeat=10") +
                              frame(p3, "repeat=3") + frame(p3, "addr-fail=1 repeat=3") +
                              frame(p3, "repeat=2") + frame(p0 | p15 | sys2) + frame(0, "repeat=2");
    const std::string frames =
        "panel=0x0000 sys=0x0 read-fail=1\npanel=0x0080 sys=0x0 repeat=2\n"
        "panel=0x0020 sys=0x0 repeat=40\npanel=0x0000 sys=0x0 repeat=5\n"
        "panel=0x0200 sys=0x0 repeat=2\npanel=0x0000 sys=0x0 repeat=3\n"
        "panel=0x0000 sys=0x1 repeat=10\npanel=0x0000 sys=0x0\npanel=0x0000 sys=0x1 repeat=10\n"
        "panel=0x0008 sys=0x0 repeat=3\npanel=0x0000 sys=0x0 read-fail=1 repeat=3\n"
        "panel=0x0008 sys=0x0 repeat=2\npanel=0x8001 sys=0x4\npanel=0x0000 sys=0x0 repeat=2\nend\n";
    // The replay's own scans are served by the recording's times, for as long
    // as it ran and then none: its repeat counts are its own.
    std::string replayed = std::regex_replace(frames, std::regex(" repeat=[0-9]+"), "");
    replayed.insert(replayed.size() - 4, "panel=0x0000 sys=0x0 read-fail=1\n");
    // Releases without their durations ("after N ms"), which scan_log_test pins.
    // clang-format off
    const std::vector<std::string> events = {version_line.substr(0, version_line.size() - 1), "scan 1: scan failed", "scan 2: link back",
        "scan 2: panel 7 pressed", "scan 4: panel 5 pressed", "scan 4: panel 7 released", "scan 44: panel 5 released",
        "scan 49: panel 9 pressed", "scan 51: panel 9 released", "scan 54: sys 0 pressed", "scan 64: sys 0 released", "scan 65: sys 0 pressed",
        "scan 75: panel 3 pressed", "scan 75: sys 0 released", "scan 78: scan failed", "scan 81: link back",
        "scan 83: panel 0 pressed", "scan 83: panel 3 released", "scan 83: panel 15 pressed", "scan 83: sys 2 pressed",
        "scan 84: panel 0 released", "scan 84: panel 15 released", "scan 84: sys 2 released",
        "events: 85 scans, 4 failed, 18 edges", "link drop-outs: 2"};
    // clang-format on
    // arguments: before --scans 85 --record FILE
    // clang-format off
    const struct { const char *name; std::vector<std::string> arguments; int exit_status; } cases[] = {
        {"events", {"--events"}, -2},
        {"live", {}, -2},
        {"check", {"--check", "--settle-ms", "20"}, -4},
        {"chatter", {"--chatter"}, -5},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        // The board, its recording, then that recording's replay, run past its end.
        std::string played = board;
        for (int pass = 1; pass <= 2; ++pass) {
            SCOPED_TRACE(pass == 1 ? "recording" : "replay");
            std::string name = std::string("record_") + c.name + "_" + std::to_string(pass);
            std::string path = "paneltest_e2e_" + name + ".recording";
            // The replay's scans take 5.04 ms at least, in every view: enough of
            // them to go past the recording's end, however long it took.
            std::string scans =
                pass == 1 ? "85"
                          : std::to_string(timed_lines_of(played, false).back().at_us / 5040 + 20);
            scoped_environment call_time("CH341_SIM_CALL_US", pass == 1 ? "" : "420");
            std::vector<std::string> arguments = c.arguments;
            arguments.insert(arguments.end(), {"--scans", scans, "--record", path});
            paneltest_run run = run_paneltest(name, played, arguments);
            ASSERT_EQ(run.program.exit_status, c.exit_status);
            std::string recording = read_file(path);
            // Its frame lines and end line without their times: what a replay must give back.
            std::string frame_lines;
            for (const timed_line &line : timed_lines_of(recording, pass == 1)) {
                frame_lines += line.words + "\n";
            }
            EXPECT_EQ(frame_lines, pass == 1 ? frames : replayed);
            EXPECT_EQ(recording.substr(0, version_line.size() + 2), "# " + version_line);
            if (pass == 1) {
                EXPECT_PRED_FORMAT2(testing::IsSubstring, "\n# scans: 85, failed: 4 ", recording);
                EXPECT_EQ(std::count(run.trace.begin(), run.trace.end(), "CH341CloseDevice(0)"), 2)
                    << "wzio's reopen, and the close at the end";
                // Every view ends with its link drop-outs, after all its other last lines.
                EXPECT_EQ(lines_of(run.text).back().substr(0, 27), "link drop-outs: 2, longest ");
            }
            if (pass == 1 && std::string(c.name) == "events") {
                EXPECT_EQ(events_without_times(run.text), events) << run.text;
            }
            // Never early: the replay shows each line from the recording's time on.
            std::vector<timed_line> times = timed_lines_of(recording, false);
            std::vector<timed_line> recorded = timed_lines_of(played, false);
            for (size_t line = 0; pass == 2 && line + 2 < times.size(); ++line) {
                EXPECT_GE(times[line].at_us + 50000, recorded[line].at_us) << line;
            }
            played = recording;
        }
    }
}

TEST(PaneltestRecord, AReplayKeepsTheHoldsAndGapsOfARecordingThatStalled)
{
    // As paneltest records a cabinet that stalled for 200 ms while panel 5 was
    // held: two scans of it, 205 ms apart. The replay scans every 5 ms.
    const std::string recording = "pace-us 5000\n"
                                  "panel=0x0000 sys=0x0 repeat=10 at-us=0\n"
                                  "panel=0x0020 sys=0x0 repeat=2 at-us=50000\n"
                                  "panel=0x0000 sys=0x0 repeat=10 at-us=255000\n"
                                  "panel=0x0200 sys=0x0 repeat=4 at-us=305000\n"
                                  "panel=0x0000 sys=0x0 repeat=10 at-us=325000\n"
                                  "end at-us=375000\n";
    const std::string path = "paneltest_e2e_stalled_replay.recording";
    paneltest_run run = run_paneltest("stalled_replay", recording,
                                      {"--events", "--scans", "120", "--record", path});
    ASSERT_EQ(run.program.exit_status, -2);
    // Past the end, failed scans only: the replay does not start over. After the
    // version line and the four edges, one link drop-out that lasts to the end.
    std::vector<std::string> events = events_without_times(run.text);
    ASSERT_EQ(events.size(), 9u) << run.text;
    EXPECT_EQ(events[5].substr(events[5].find(':')) + "\n" +
                  events[6].substr(events[6].find(':'), 28) + "\n" + events[8],
              ": scan failed\n: link still down at the end\nlink drop-outs: 1")
        << run.text;
    // Recorded again: the same lines, each from the recording's time on.
    std::vector<timed_line> again = timed_lines_of(read_file(path), false);
    std::vector<timed_line> recorded = timed_lines_of(recording, false);
    ASSERT_EQ(again.size(), recorded.size() + 1);
    for (size_t line = 0; line + 1 < recorded.size(); ++line) {
        SCOPED_TRACE(line);
        EXPECT_EQ(again[line].words, recorded[line].words);
        EXPECT_GE(again[line].at_us + 50000, recorded[line].at_us);
        EXPECT_LE(again[line].at_us, run.took_us);
    }
    // Each hold as long as the replay's own lines say, press to release (lines 1 to 2, 3 to 4).
    // clang-format off
    const struct { const char *release; size_t press_line; } holds[] = {{": panel 5 released after ", 1}, {": panel 9 released after ", 3}};
    // clang-format on
    for (const auto &hold : holds) {
        size_t at = run.text.find(hold.release);
        ASSERT_NE(at, std::string::npos) << run.text;
        double held_ms = std::stod(run.text.substr(at + strlen(hold.release)));
        uint64_t lines_us = again[hold.press_line + 1].at_us - again[hold.press_line].at_us;
        double lines_ms = static_cast<double>(lines_us) / 1000.0;
        EXPECT_NEAR(held_ms, lines_ms, 1.0) << hold.release;
    }
    EXPECT_EQ(again[recorded.size() - 1].words, "panel=0x0000 sys=0x0 read-fail=1");
    EXPECT_GE(again[recorded.size() - 1].at_us + 50000, 375000u);
}

// The lines that start with one of `starts`, in order; the times after them vary.
std::vector<std::string> lines_starting(const std::string &text,
                                        const std::vector<std::string> &starts)
{
    std::vector<std::string> found;
    for (const std::string &line : lines_of(text)) {
        std::copy_if(starts.begin(), starts.end(), std::back_inserter(found),
                     [&line](const std::string &start) { return line.rfind(start, 0) == 0; });
    }
    return found;
}

// Panel input `bit`'s shortest gap (a release to its next press) and shortest hold, in
// ms, by the times of a recording's lines: the scan starts the chatter view takes.
std::vector<double> gap_and_hold_ms(const std::string &recording, int bit)
{
    std::vector<double> shortest = {1e9, 1e9};
    bool active = false;
    uint64_t edge_us = UINT64_MAX;  // none yet: a first press has no gap before it
    for (const timed_line &line : timed_lines_of(recording, false)) {
        bool now = line.words.compare(0, 6, "panel=") == 0 &&
                   (std::stoul(line.words.substr(6, 6), nullptr, 16) >> bit & 1u) != 0;
        if (now != active && edge_us != UINT64_MAX) {
            double &figure = shortest[now ? 0 : 1];
            figure = std::min(figure, static_cast<double>(line.at_us - edge_us) / 1000.0);
        }
        edge_us = now != active ? line.at_us : edge_us;
        active = now;
    }
    return shortest;
}

TEST(PaneltestChatter, ABouncingSwitchIsFoundByTheViewTheCheckAndTheReplay)
{
    const uint32_t p0 = 1u << 0, p1 = 1u << 1;
    // Panel 0's release bounces for two scans; 40 idle scans are far past the threshold.
    const std::string board = frame(0, "repeat=40") + frame(p0, "repeat=20") +
                              frame(0, "repeat=2") + frame(p0, "repeat=2") + frame(0, "repeat=40") +
                              frame(p1, "repeat=20") + frame(0, "repeat=40");
    // The check's cycles take 5 ms at least: its bounce comes 30 of them, 150 ms, after
    // the release, within a --chatter-ms of 1000 but past the default's 30 ms, the settle
    // time and the scan limit taken as ms.
    const std::string check_board = frame(0) + frame(p0, "repeat=5") + frame(0, "repeat=30") +
                                    frame(p0, "repeat=2") + frame(0, "repeat=5") +
                                    frame(p1, "repeat=5") + frame(0, "repeat=5");
    paneltest_run check =
        run_paneltest("chatter_check", check_board,
                      {"--check", "--settle-ms", "100", "--chatter-ms", "1000", "--scans", "53"});
    ASSERT_EQ(check.program.exit_status, -4);
    const std::vector<std::string> checked = {"panel 0: chatters, shortest gap ", "panel 1: ok",
                                              "panel 2: not reached"};
    EXPECT_EQ(lines_starting(check.ending, checked), checked) << check.ending;

    // The view, behind a bridge at 100 us a call, then its recording replayed
    // by its times at five times that pace, past its end.
    const std::vector<std::string> verdicts = {
        "panel 0: 2 presses, 1 chatter, shortest gap ",
        "panel 1: 2 presses, 0 chatter, shortest gap ",
        "chatter: 1 of 2 pressed inputs chatter, threshold 30 ms, sampling "};
    // Panel 1 again, 40 scans after its release: 48 ms at the bridge's pace.
    std::string played = board + frame(p1, "repeat=20") + frame(0, "repeat=40");
    for (const char *call_us : {"100", "20"}) {
        SCOPED_TRACE(call_us);
        scoped_environment call_time("CH341_SIM_CALL_US", call_us);
        bool recording = call_us[0] == '1';
        std::string path = std::string("paneltest_e2e_chatter_") + call_us + ".recording";
        paneltest_run run =
            run_paneltest(std::string("chatter_view_") + call_us, played,
                          {"--chatter", "--scans", recording ? "224" : "2000", "--record", path});
        ASSERT_EQ(run.program.exit_status, -5);
        EXPECT_EQ(lines_starting(run.ending, verdicts), verdicts) << run.ending;
        EXPECT_PRED_FORMAT2(testing::IsSubstring, "\nmost chatter:\npanel 0: 2 presses, 1 chatter",
                            run.text);
        // The last screen's system inputs, never pressed, beside panel 0's and 1's counts.
        const std::string sys_cells =
            "System inputs\n| 0:     0/0   | 1:     0/0   | 2:     0/0   |\n";
        EXPECT_EQ(run.text.substr(run.text.rfind("System inputs\n"), sys_cells.size()), sys_cells);
        // Each as the run's own recording times its presses and releases.
        std::string own = read_file(path);
        std::vector<double> lines_ms = gap_and_hold_ms(own, 0), panel_1 = gap_and_hold_ms(own, 1);
        lines_ms.insert(lines_ms.end(), panel_1.begin(), panel_1.end());
        std::vector<double> figures_ms;
        for (size_t at = run.ending.find("shortest "); at != std::string::npos;
             at = run.ending.find("shortest ", at + 1)) {
            figures_ms.push_back(std::stod(run.ending.substr(run.ending.find(' ', at + 9))));
        }
        ASSERT_EQ(figures_ms.size(), 4u) << run.ending;
        for (size_t figure = 0; figure < figures_ms.size(); ++figure) {
            EXPECT_NEAR(figures_ms[figure], lines_ms[figure], 0.1) << run.ending;
        }
        // The replay shows the recording's lines, none before its time.
        std::vector<timed_line> times = timed_lines_of(own, false);
        std::vector<timed_line> recorded = timed_lines_of(played, false);
        for (size_t line = 0; !recording && line + 1 < recorded.size(); ++line) {
            EXPECT_EQ(times[line].words, recorded[line].words) << line;
            EXPECT_GE(times[line].at_us + 50000, recorded[line].at_us) << line;
        }
        // Drawn at the start, on its own clock and at the end: not once per scan.
        const std::regex chatter_screen("\nChatter: ");
        auto screens = std::distance(
            std::sregex_iterator(run.text.begin(), run.text.end(), chatter_screen), {});
        EXPECT_GE(screens, 4);  // over a quarter of a second at least
        EXPECT_LE(screens, 3 + static_cast<long>(run.took_us / 33333)) << "drawn once per scan";
        played = own;
    }
}

}  // namespace
