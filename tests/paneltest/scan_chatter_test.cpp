// The chatter counts fed made-up scans and times, and their lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan_chatter.h"

namespace {

constexpr uint32_t panel_0 = 1u << 0, panel_2 = 1u << 2, panel_5 = 1u << 5, sys_0 = 1u << 16,
                   sys_1 = 1u << 17, sys_2 = 1u << 18;

enum class feed : uint8_t { good, failed, space };

struct chatter_step {
    feed kind;
    uint32_t active;
    uint64_t now_us;
};

std::string line_of(const scan_chatter &chatter, int input)
{
    char text[chatter_line_size];
    scan_chatter_format_input(&chatter, input, text, sizeof text);
    return text;
}

TEST(ScanChatter, CountsEdgesOfGoodScansAndFindsTheWorst)
{
    const struct {
        const char *name;
        std::vector<chatter_step> steps;
        int input;  // the line shown
        const char *line;
        int worst;
        const char *total;  // at a sampling of 1210 us
    } cases[] = {
        // Active at the first good scan is a press; a failed scan releases nothing (sys 1).
        {"bouncing_release",
         {{feed::failed, 0, 0},
          {feed::good, panel_5 | sys_1, 1000},
          {feed::good, sys_1, 3449},
          {feed::failed, 0, 5000},
          {feed::good, panel_5 | sys_1, 7099},
          {feed::good, sys_1, 60000},
          {feed::good, panel_5 | sys_1, 90000}},
         5,
         "panel 5: 3 presses, 1 chatter, shortest gap 3.7 ms, shortest hold 2.4 ms",
         5,
         "chatter: 1 of 2 pressed inputs chatter, threshold 30 ms, sampling 1210 us"},
        // A press from before the space is no press, and the first press after it
        // starts the round alone: no gap, even 5 ms after a release.
        {"held_through_a_space",
         {{feed::good, panel_2, 0},
          {feed::good, 0, 9000},
          {feed::good, panel_2, 12000},
          {feed::space, 0, 0},
          {feed::good, 0, 20000},
          {feed::good, panel_2, 25000}},
         2,
         "panel 2: 1 presses, 0 chatter, shortest gap --, shortest hold --, earlier rounds 1 "
         "chatter",
         -1,
         "chatter: 0 of 1 pressed inputs chatter, threshold 30 ms, sampling 1210 us"},
        // A failed scan fails the run, with no chatter.
        {"a_hold_begun_before_a_space_is_no_hold",
         {{feed::good, sys_0, 0},
          {feed::space, 0, 0},
          {feed::failed, 0, 500},
          {feed::good, 0, 1000}},
         16,
         "sys 0: 1 presses, 0 chatter, shortest gap --, shortest hold --",
         -1,
         "chatter: 0 of 1 pressed inputs chatter, threshold 30 ms, sampling 1210 us"},
        // Panel 0 chatters in rounds 1 and 2, not in its latest; panel 5, not pressed
        // since round 1, keeps it. Two spaces in a row end a round once.
        {"rounds_add_up_their_chatter_and_an_unpressed_input_keeps_its_round",
         {{feed::good, panel_0 | panel_5, 0},
          {feed::good, 0, 5000},
          {feed::good, panel_0 | panel_5, 9000},
          {feed::good, 0, 20000},
          {feed::space, 0, 0},
          {feed::good, panel_0, 100000},
          {feed::good, 0, 160200},
          {feed::good, panel_0, 170000},
          {feed::good, 0, 200000},
          {feed::space, 0, 0},
          {feed::space, 0, 0},
          {feed::good, panel_0, 300000},
          {feed::good, 0, 360249}},
         0,
         "panel 0: 1 presses, 0 chatter, shortest gap --, shortest hold 60.2 ms, "
         "earlier rounds 2 chatter",
         5,
         "chatter: 1 of 2 pressed inputs chatter, threshold 30 ms, sampling 1210 us"},
        // A bit past the inputs is no input.
        {"long_times_keep_every_digit",
         {{feed::good, sys_0, 0}, {feed::good, 1u << 19, 1000000005000}},
         16,
         "sys 0: 1 presses, 0 chatter, shortest gap --, shortest hold 1000000005.0 ms",
         -1,
         "chatter: 0 of 1 pressed inputs chatter, threshold 30 ms, sampling 1210 us"},
        {"a_tie_goes_to_the_first_input",
         {{feed::good, panel_0 | panel_5, 0},
          {feed::good, 0, 5000},
          {feed::good, panel_0 | panel_5, 9000}},
         0,
         "panel 0: 2 presses, 1 chatter, shortest gap 4.0 ms, shortest hold 5.0 ms",
         0,
         "chatter: 2 of 2 pressed inputs chatter, threshold 30 ms, sampling 1210 us"},
        // The last input too.
        {"the_most_chatter_wins",
         {{feed::good, panel_0 | sys_2, 0},
          {feed::good, 0, 5000},
          {feed::good, panel_0 | sys_2, 9000},
          {feed::good, panel_0, 20000},
          {feed::good, panel_0 | sys_2, 22000}},
         18,
         "sys 2: 3 presses, 2 chatter, shortest gap 2.0 ms, shortest hold 5.0 ms",
         18,
         "chatter: 2 of 2 pressed inputs chatter, threshold 30 ms, sampling 1210 us"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        scan_chatter chatter;
        scan_chatter_start(&chatter, chatter_default_ms);
        uint32_t rounds = 1;
        uint32_t failed = 0;
        for (const chatter_step &step : c.steps) {
            if (step.kind == feed::space) {
                scan_chatter_next_round(&chatter);
                ++rounds;
            } else {
                scan_chatter_scan(&chatter, step.kind == feed::good, step.active, step.now_us);
                failed += step.kind == feed::failed ? 1 : 0;
            }
        }
        EXPECT_EQ(line_of(chatter, c.input), c.line);
        // The screen's line is the latest round alone.
        char round[chatter_line_size];
        scan_chatter_format_round(&chatter, c.input, round, sizeof round);
        EXPECT_EQ(std::string(c.line).substr(0, std::string(c.line).find(", earlier")), round);
        EXPECT_EQ(chatter.round, rounds);
        EXPECT_EQ(chatter.active >> check_input_count, 0u);
        EXPECT_EQ(scan_chatter_worst(&chatter), c.worst);
        EXPECT_EQ(scan_chatter_any(&chatter), c.worst >= 0);
        EXPECT_EQ(scan_chatter_passed(&chatter, failed), c.worst < 0 && failed == 0);
        char total[chatter_line_size];
        scan_chatter_format_total(&chatter, 1210, total, sizeof total);
        EXPECT_STREQ(total, c.total);
    }
}

}  // namespace
