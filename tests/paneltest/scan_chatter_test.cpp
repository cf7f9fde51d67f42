// The chatter counts fed made-up scans and times, and their lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan_chatter.h"
#include "scan_script.h"

namespace {

constexpr uint32_t p0 = 1u << 0, p2 = 1u << 2, p5 = 1u << 5, s0 = 1u << 16, s1 = 1u << 17,
                   s2 = 1u << 18;

TEST(ScanChatter, CountsEdgesOfGoodScansAndFindsTheWorst)
{
    // input: the line shown; total: chattering of pressed
    // clang-format off
    const struct { const char *name; std::vector<scripted_scan> script; int input; const char *line; int worst; const char *total; } cases[] = {
        // Active at the first good scan is a press; a failed scan releases nothing (sys 1).
        {"bouncing_release", {failed(0, 0), good(p5 | s1, 1000), good(s1, 3449), failed(0, 5000), good(p5 | s1, 7099), good(s1, 60000), good(p5 | s1, 90000)}, 5, "panel 5: 3 presses, 1 chatter, shortest gap 3.7 ms, shortest hold 2.4 ms", 5, "1 of 2"},
        // A press from before the space is no press, and the first press after it
        // starts the round alone: no gap, even 5 ms after a release.
        {"held_through_a_space", {good(p2, 0), good(0, 9000), good(p2, 12000), space_key, good(0, 20000), good(p2, 25000)}, 2, "panel 2: 1 presses, 0 chatter, shortest gap --, shortest hold --, earlier rounds 1 chatter", -1, "0 of 1"},
        // A failed scan fails the run, with no chatter.
        {"a_hold_begun_before_a_space_is_no_hold", {good(s0, 0), space_key, failed(0, 500), good(0, 1000)}, 16, "sys 0: 1 presses, 0 chatter, shortest gap --, shortest hold --", -1, "0 of 1"},
        // Panel 0 chatters in rounds 1 and 2, not in its latest; panel 5, not pressed
        // since round 1, keeps it. Two spaces in a row end a round once.
        {"rounds_add_up_their_chatter_and_an_unpressed_input_keeps_its_round", {good(p0 | p5, 0), good(0, 5000), good(p0 | p5, 9000), good(0, 20000), space_key, good(p0, 100000), good(0, 160200), good(p0, 170000), good(0, 200000), space_key, space_key, good(p0, 300000), good(0, 360249)}, 0, "panel 0: 1 presses, 0 chatter, shortest gap --, shortest hold 60.2 ms, earlier rounds 2 chatter", 5, "1 of 2"},
        // A bit past the inputs is no input.
        {"long_times_keep_every_digit", {good(s0, 0), good(1u << 19, 1000000005000)}, 16, "sys 0: 1 presses, 0 chatter, shortest gap --, shortest hold 1000000005.0 ms", -1, "0 of 1"},
        {"a_tie_goes_to_the_first_input", {good(p0 | p5, 0), good(0, 5000), good(p0 | p5, 9000)}, 0, "panel 0: 2 presses, 1 chatter, shortest gap 4.0 ms, shortest hold 5.0 ms", 0, "2 of 2"},
        // The last input too.
        {"the_most_chatter_wins", {good(p0 | s2, 0), good(0, 5000), good(p0 | s2, 9000), good(p0, 20000), good(p0 | s2, 22000)}, 18, "sys 2: 3 presses, 2 chatter, shortest gap 2.0 ms, shortest hold 5.0 ms", 18, "2 of 2"},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        scan_chatter chatter;
        scan_chatter_start(&chatter, chatter_default_ms);
        play_scans(c.script, &chatter, scan_chatter_scan, scan_chatter_next_round);
        uint32_t failed_scans = count_of(c.script, scripted::failed);
        char text[chatter_line_size];
        scan_chatter_format_input(&chatter, c.input, text, sizeof text);
        EXPECT_STREQ(text, c.line);
        // The screen's line is the latest round alone.
        scan_chatter_format_round(&chatter, c.input, text, sizeof text);
        EXPECT_EQ(std::string(c.line).substr(0, std::string(c.line).find(", earlier")), text);
        EXPECT_EQ(chatter.round, 1 + count_of(c.script, scripted::space));
        EXPECT_EQ(chatter.active >> input_count, 0u);
        EXPECT_EQ(scan_chatter_worst(&chatter), c.worst);
        EXPECT_EQ(scan_chatter_passed(&chatter, 0), c.worst < 0);
        EXPECT_EQ(scan_chatter_passed(&chatter, failed_scans), c.worst < 0 && failed_scans == 0);
        scan_chatter_format_total(&chatter, 1210, text, sizeof text);
        EXPECT_EQ(text, "chatter: " + std::string(c.total) +
                            " pressed inputs chatter, threshold 30 ms, sampling 1210 us");
    }
}

}  // namespace
