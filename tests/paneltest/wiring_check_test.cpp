// The wiring check's judge and steps fed made-up scans and times, and the skip
// key, which no frame script can press.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan_chatter.h"
#include "wiring_check.h"

namespace {

std::string result_of(const wiring_check &check, int input)
{
    char text[64];
    wiring_check_format_result(&check, input, text, sizeof text);
    return text;
}

TEST(WiringCheck, SpaceSkipsOnlyAStepThatAwaitsItsPress)
{
    wiring_check check;
    wiring_check_start(&check, 2000, chatter_default_ms, 0);
    wiring_check_skip(&check);  // settling: no step yet
    wiring_check_scan(&check, true, 0, 5000);
    ASSERT_EQ(check.phase, check_phase::awaiting_press);
    ASSERT_EQ(check.step, 0);
    wiring_check_skip(&check);
    wiring_check_scan(&check, true, 1u << 1, 10000);
    wiring_check_skip(&check);  // panel 1 has its verdict and awaits its release
    EXPECT_EQ(check.phase, check_phase::awaiting_release);
    wiring_check_scan(&check, true, 0, 15000);
    wiring_check_skip(&check);  // released, but not yet idle for the chatter threshold
    wiring_check_scan(&check, true, 0, 45000);
    for (int step = 2; step < check_input_count; ++step) {
        wiring_check_skip(&check);
    }
    EXPECT_EQ(check.phase, check_phase::done);
    EXPECT_EQ(result_of(check, 0), "panel 0: skipped");
    EXPECT_EQ(result_of(check, 1), "panel 1: ok");
    EXPECT_EQ(result_of(check, 18), "sys 2: skipped");
    char total[64];
    wiring_check_format_total(&check, total, sizeof total);
    EXPECT_STREQ(total, "check: 1 of 19 ok, 0 failed scans");
    EXPECT_FALSE(wiring_check_passed(&check));
}

TEST(WiringCheck, JudgeTellsOkCrossedAndShortedApart)
{
    const struct {
        uint32_t active;  // what went active at the step of input 3
        check_verdict verdict;
        uint32_t with;
    } cases[] = {
        {0, check_verdict::not_reached, 0},
        {1u << 3, check_verdict::ok, 0},
        {1u << 5, check_verdict::crossed, 1u << 5},
        {1u << 3 | 1u << 5, check_verdict::shorted, 1u << 5},  // itself and one other
        {1u << 5 | 1u << 18, check_verdict::shorted, 1u << 5 | 1u << 18},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "active 0x" << std::hex << c.active);
        check_result result = wiring_check_judge(3, c.active);
        EXPECT_EQ(result.verdict, c.verdict);
        EXPECT_EQ(result.with, c.with);
    }
}

struct scan_step {
    bool ok;
    uint32_t active;
    uint64_t now_us;
};

TEST(WiringCheck, PhasesFollowTheScansAndTheSettleTime)
{
    const struct {
        const char *name;
        uint32_t settle_ms;  // from a start at 1000 ms
        std::vector<scan_step> scans;
        check_phase phase;
        int step;
        uint32_t stuck;
        const char *prompt;
    } cases[] = {
        {"active_just_before_the_settle_time_still_settles",
         100,
         {{true, 1u << 2, 1099000}},
         check_phase::settling,
         0,
         0,
         "Release every panel button and system input"},
        {"active_at_exactly_the_settle_time_is_stuck",
         100,
         {{true, 1u << 2, 1099999}, {true, 1u << 2, 1100000}},
         check_phase::awaiting_press,
         0,
         1u << 2,
         "Press panel button 0 (row 1, column 1), or space to skip it"},
        {"no_settle_time_judges_the_first_scan",
         0,
         {{true, 1u << 0, 1000000}},
         check_phase::awaiting_press,
         1,
         1u << 0,
         "Press panel button 1 (row 1, column 2), or space to skip it"},
        // A failed scan may read anything; it is neither a press nor a release, and the
        // prompt says the bridge is not answering while the step waits.
        {"failed_scans_neither_press_nor_release",
         100,
         {{true, 0, 1000000},
          {false, 1u << 0, 1010000},
          {true, 1u << 0, 1020000},
          {false, 0, 1030000}},
         check_phase::awaiting_release,
         0,
         0,
         "The bridge is not answering: check the USB cable"},
        // 90 ms of failed scans do not count toward the settle time; then the step goes on.
        {"the_settle_time_waits_for_the_bridge",
         100,
         {{true, 1u << 2, 1000000},
          {false, 0, 1050000},
          {false, 0, 1090000},
          {true, 1u << 2, 1189999}},
         check_phase::settling,
         0,
         0,
         "Release every panel button and system input"},
        // The last step waits out the threshold too, so a bounce of its input is seen.
        {"the_last_step_waits_out_the_threshold",
         0,
         {{true, 0x3FFFF, 1000000},
          {true, 0x7FFFF, 1005000},
          {true, 0x3FFFF, 1010000},
          {true, 0x3FFFF, 1039999}},
         check_phase::awaiting_quiet,
         18,
         0x3FFFF,
         "Release system input 2"},
        {"the_last_step_ends_after_the_threshold",
         0,
         {{true, 0x3FFFF, 1000000},
          {true, 0x7FFFF, 1005000},
          {true, 0x3FFFF, 1010000},
          {true, 0x3FFFF, 1040000}},
         check_phase::done,
         18,
         0x3FFFF,
         "Check done"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        wiring_check check;
        wiring_check_start(&check, c.settle_ms, chatter_default_ms, 1000000);
        for (const scan_step &scan : c.scans) {
            wiring_check_scan(&check, scan.ok, scan.active, scan.now_us);
        }
        EXPECT_EQ(check.phase, c.phase);
        EXPECT_EQ(check.step, c.step);
        EXPECT_EQ(check.stuck, c.stuck);
        char prompt[128];
        wiring_check_format_prompt(&check, prompt, sizeof prompt);
        EXPECT_STREQ(prompt, c.prompt);
    }
}

TEST(WiringCheck, TheScreenNamesWhatIsActiveStuckOrNeverSeen)
{
    constexpr uint32_t p0 = 1u << 0, p3 = 1u << 3, p5 = 1u << 5, s1 = 1u << 17;
    const struct {
        const char *name;
        uint32_t settle_ms;  // from a start at 1 s
        std::vector<scan_step> scans;
        const char *waiting;
        const char *last;
    } cases[] = {
        {"held_at_the_start",
         100,
         {{true, p3 | s1, 1000000}},
         "still active: panel 3, sys 1",
         "--"},
        {"stuck_after_the_settle_time",
         100,
         {{true, p3 | s1, 1000000}, {true, p3 | s1, 1100000}},
         "",
         "panel 3, sys 1: stuck active"},
        {"held_at_a_release",
         0,
         {{true, p3, 1000000}, {true, p0 | p3 | p5, 1010000}},
         "still active: panel 0, panel 5",
         "panel 0: short with panel 5"},
        {"unseen_for_10_s",
         0,
         {{true, 0, 1000000}, {true, 0, 1000000}, {true, 0, 11000000}},
         "Not seen for 10 s: a dead switch or a broken wire may be why; space skips it",
         "--"},
        // 5 s, 3 s across a failed scan, then 4.999999 s or 5 s.
        {"failed_scans_do_not_count_toward_it",
         0,
         {{true, 0, 1000000},
          {true, 0, 1000000},
          {true, 0, 6000000},
          {false, 0, 8000000},
          {true, 0, 9000000},
          {true, 0, 13999999}},
         "",
         "--"},
        {"failed_scans_then_the_rest_of_it",
         0,
         {{true, 0, 1000000},
          {true, 0, 1000000},
          {true, 0, 6000000},
          {false, 0, 8000000},
          {true, 0, 9000000},
          {true, 0, 14000000}},
         "Not seen for 10 s: a dead switch or a broken wire may be why; space skips it",
         "--"},
        {"pressed_after_10_s",
         0,
         {{true, 0, 1000000}, {true, 0, 1000000}, {true, 0, 11000000}, {true, p0, 11100000}},
         "still active: panel 0",
         "panel 0: ok"},
        {"the_next_step_starts_its_own_10_s",
         0,
         {{true, 0, 1000000},
          {true, 0, 1000000},
          {true, 0, 11000000},
          {true, p0, 11100000},
          {true, 0, 11200000},
          {true, 0, 11300000},
          {true, 0, 11400000}},
         "",
         "panel 0: ok"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        wiring_check check;
        wiring_check_start(&check, c.settle_ms, chatter_default_ms, 1000000);
        for (const scan_step &scan : c.scans) {
            wiring_check_scan(&check, scan.ok, scan.active, scan.now_us);
        }
        char text[128];
        wiring_check_format_waiting(&check, text, sizeof text);
        EXPECT_STREQ(text, c.waiting);
        wiring_check_format_last(&check, text, sizeof text);
        EXPECT_STREQ(text, c.last);
    }
}

// Scans `spacing_us` apart, each run one set of inputs for `scans` scans.
struct scan_run {
    uint32_t active;
    int scans;
};

TEST(WiringCheck, BouncesAreAbsorbedAndOtherPressesStartTheNextStep)
{
    constexpr uint32_t p0 = 1u << 0, p1 = 1u << 1, p5 = 1u << 5;
    const struct {
        const char *name;
        uint32_t spacing_us;
        std::vector<scan_run> runs;
        const char *results[3];  // panel 0 to 2
    } cases[] = {
        {"bouncing_release",
         1210,
         {{0, 40}, {p0, 20}, {0, 2}, {p0, 2}, {0, 40}, {p1, 20}, {0, 1}},
         {"panel 0: chatters, shortest gap 2.4 ms", "panel 1: ok", "panel 2: not reached"}},
        {"bouncing_press_keeps_its_shortest_gap",
         1210,
         {{0, 1}, {p0, 2}, {0, 5}, {p0, 20}, {0, 6}, {p0, 1}, {0, 40}, {p1, 1}, {0, 1}},
         {"panel 0: chatters, shortest gap 6.1 ms", "panel 1: ok", "panel 2: not reached"}},
        {"same_input_again_at_the_threshold",
         5000,
         {{0, 1}, {p0, 2}, {0, 6}, {p0, 2}, {0, 1}},
         {"panel 0: ok", "panel 1: crossed with panel 0", "panel 2: not reached"}},
        {"crossed_partner_bouncing",
         1210,
         {{0, 1}, {p5, 20}, {0, 2}, {p5, 2}, {0, 40}, {p1, 20}, {0, 1}},
         {"panel 0: crossed with panel 5", "panel 1: ok", "panel 2: not reached"}},
        {"short_group_pressed_again_for_the_next_step",
         1210,
         {{0, 1}, {p0 | p1, 20}, {0, 3}, {p0 | p1, 20}, {0, 1}},
         {"panel 0: short with panel 1", "panel 1: short with panel 0", "panel 2: not reached"}},
        {"next_input_a_few_scans_after_a_release",
         1210,
         {{0, 1}, {p0, 20}, {0, 3}, {p1, 20}, {0, 3}, {p1 | p5, 2}},
         {"panel 0: ok", "panel 1: ok", "panel 2: short with panel 1, panel 5"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        wiring_check check;
        wiring_check_start(&check, 100, chatter_default_ms, 0);
        uint64_t now_us = 0;
        for (const scan_run &run : c.runs) {
            for (int scan = 0; scan < run.scans; ++scan, now_us += c.spacing_us) {
                wiring_check_scan(&check, true, run.active, now_us);
            }
        }
        for (int input = 0; input < 3; ++input) {
            EXPECT_EQ(result_of(check, input), c.results[input]);
        }
    }
}

}  // namespace
