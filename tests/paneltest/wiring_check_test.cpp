// The wiring check's judge and steps fed made-up scans and times, and the skip
// key, which no frame script can press.
#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "scan_chatter.h"
#include "scan_script.h"
#include "wiring_check.h"
#include "wiring_check_text.h"

namespace {

constexpr uint32_t p0 = 1u << 0, p1 = 1u << 1, p2 = 1u << 2, p3 = 1u << 3, p5 = 1u << 5,
                   s1 = 1u << 17, s2 = 1u << 18;
constexpr char press_prompt[] = "Press panel button %d (row %d, column %d), or space to skip it";
constexpr char release_all[] = "Release every panel button and system input";
constexpr char unseen_hint[] =
    "Not seen for 10 s: a dead switch or a broken wire may be why; space skips it";

std::string result_of(const wiring_check &check, int input)
{
    char text[64];
    wiring_check_format_result(&check, input, text, sizeof text);
    return text;
}

// A check started at 1 s with the default threshold, fed the script.
wiring_check checked(uint32_t settle_ms, const std::vector<scripted_scan> &script,
                     uint64_t start_us = 1000000)
{
    wiring_check check;
    wiring_check_start(&check, settle_ms, chatter_default_ms, start_us);
    play_scans(
        script,
        [&](bool ok, uint32_t active, uint64_t now_us) {
            wiring_check_scan(&check, ok, active, now_us);
        },
        [&] { wiring_check_skip(&check); });
    return check;
}

std::string press_prompt_of(int input)
{
    char text[96];
    snprintf(text, sizeof text, press_prompt, input, input / 4 + 1, input % 4 + 1);
    return text;
}

TEST(WiringCheck, SpaceSkipsOnlyAStepThatAwaitsItsPress)
{
    wiring_check check = checked(2000, {space_key, good(0, 5000)}, 0);  // settling: no step yet
    ASSERT_EQ(check.phase, check_phase::awaiting_press);
    ASSERT_EQ(check.step, 0);
    wiring_check_skip(&check);
    wiring_check_scan(&check, true, p1, 10000);
    wiring_check_skip(&check);  // panel 1 has its verdict and awaits its release
    EXPECT_EQ(check.phase, check_phase::awaiting_release);
    wiring_check_scan(&check, true, 0, 15000);
    wiring_check_skip(&check);  // released, but not yet idle for the chatter threshold
    wiring_check_scan(&check, true, 0, 45000);
    for (int step = 2; step < input_count; ++step) {
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
        {p3, check_verdict::ok, 0},
        {p5, check_verdict::crossed, p5},
        {p3 | p5, check_verdict::shorted, p5},  // itself and one other
        {p5 | s2, check_verdict::shorted, p5 | s2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "active 0x" << std::hex << c.active);
        wiring_check check =
            checked(0, {good(0, 0), space_key, space_key, space_key, good(c.active, 5000)});
        EXPECT_EQ(check.results[3].verdict, c.verdict);
        EXPECT_EQ(check.results[3].with, c.with);
    }
}

TEST(WiringCheck, PhasesFollowTheScansAndTheSettleTime)
{
    const struct {
        const char *name;
        uint32_t settle_ms;
        std::vector<scripted_scan> script;
        check_phase phase;
        int step;
        uint32_t stuck;
        std::string prompt;
    } cases[] = {
        // clang-format off
        {"active_just_before_the_settle_time_still_settles", 100, {good(p2, 1099000)}, check_phase::settling, 0, 0, release_all},
        {"active_at_exactly_the_settle_time_is_stuck", 100, {good(p2, 1099999), good(p2, 1100000)}, check_phase::awaiting_press, 0, p2, press_prompt_of(0)},
        {"no_settle_time_judges_the_first_scan", 0, {good(p0, 1000000)}, check_phase::awaiting_press, 1, p0, press_prompt_of(1)},
        // A failed scan may read anything; it is neither a press nor a release, and the
        // prompt says the bridge is not answering while the step waits.
        {"failed_scans_neither_press_nor_release", 100, {good(0, 1000000), failed(p0, 1010000), good(p0, 1020000), failed(0, 1030000)}, check_phase::awaiting_release, 0, 0, "The bridge is not answering: check the USB cable"},
        // 90 ms of failed scans do not count toward the settle time; then the step goes on.
        {"the_settle_time_says_the_bridge_is_not_answering", 100, {good(p2, 1000000), failed(0, 1050000)}, check_phase::settling, 0, 0, "The bridge is not answering: check the USB cable"},
        {"the_settle_time_waits_for_the_bridge", 100, {good(p2, 1000000), failed(0, 1050000), failed(0, 1090000), good(p2, 1189999)}, check_phase::settling, 0, 0, release_all},
        // The last step waits out the threshold too, so a bounce of its input is seen.
        {"the_last_step_waits_out_the_threshold", 0, {good(0x3FFFF, 1000000), good(0x7FFFF, 1005000), good(0x3FFFF, 1010000), good(0x3FFFF, 1039999)}, check_phase::awaiting_quiet, 18, 0x3FFFF, "Release system input 2"},
        {"the_last_step_ends_after_the_threshold", 0, {good(0x3FFFF, 1000000), good(0x7FFFF, 1005000), good(0x3FFFF, 1010000), good(0x3FFFF, 1040000)}, check_phase::done, 18, 0x3FFFF, "Check done"},
        {"a_check_done_stays_done_as_the_link_drops", 0, {good(0x3FFFF, 1000000), good(0x7FFFF, 1005000), good(0x3FFFF, 1010000), good(0x3FFFF, 1040000), failed(0, 1045000)}, check_phase::done, 18, 0x3FFFF, "Check done"},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        wiring_check check = checked(c.settle_ms, c.script);
        EXPECT_EQ(check.phase, c.phase);
        EXPECT_EQ(check.step, c.step);
        EXPECT_EQ(check.stuck, c.stuck);
        char prompt[128];
        wiring_check_format_prompt(&check, prompt, sizeof prompt);
        EXPECT_EQ(prompt, c.prompt);
    }
}

TEST(WiringCheck, TheScreenNamesWhatIsActiveStuckOrNeverSeen)
{
    const struct {
        const char *name;
        uint32_t settle_ms;
        std::vector<scripted_scan> script;
        const char *waiting;
        const char *last;
    } cases[] = {
        // clang-format off
        {"held_at_the_start", 100, {good(p3 | s1, 1000000)}, "still active: panel 3, sys 1", "--"},
        {"stuck_after_the_settle_time", 100, {good(p3 | s1, 1000000), good(p3 | s1, 1100000)}, "", "panel 3, sys 1: stuck active"},
        {"held_at_a_release", 0, {good(p3, 1000000), good(p0 | p3 | p5, 1010000)}, "still active: panel 0, panel 5", "panel 0: short with panel 5"},
        {"unseen_for_10_s", 0, {good(0, 1000000), good(0, 1000000), good(0, 11000000)}, unseen_hint, "--"},
        // 5 s, 3 s across a failed scan, then 4.999999 s or 5 s.
        {"failed_scans_do_not_count_toward_it", 0, {good(0, 1000000), good(0, 1000000), good(0, 6000000), failed(0, 8000000), good(0, 9000000), good(0, 13999999)}, "", "--"},
        {"failed_scans_then_the_rest_of_it", 0, {good(0, 1000000), good(0, 1000000), good(0, 6000000), failed(0, 8000000), good(0, 9000000), good(0, 14000000)}, unseen_hint, "--"},
        {"pressed_after_10_s", 0, {good(0, 1000000), good(0, 1000000), good(0, 11000000), good(p0, 11100000)}, "still active: panel 0", "panel 0: ok"},
        {"the_next_step_starts_its_own_10_s", 0, {good(0, 1000000), good(0, 1000000), good(0, 11000000), good(p0, 11100000), good(0, 11200000), good(0, 11300000), good(0, 11400000)}, "", "panel 0: ok"},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        wiring_check check = checked(c.settle_ms, c.script);
        char text[128];
        wiring_check_format_waiting(&check, text, sizeof text);
        EXPECT_STREQ(text, c.waiting);
        wiring_check_format_last(&check, text, sizeof text);
        EXPECT_STREQ(text, c.last);
    }
}

TEST(WiringCheck, BouncesAreAbsorbedAndOtherPressesStartTheNextStep)
{
    const struct {
        const char *name;
        uint32_t spacing_us;
        std::vector<scripted_run> runs;
        const char *results[3];  // panel 0 to 2
    } cases[] = {
        // clang-format off
        {"bouncing_release", 1210, {run_of(0, 40), run_of(p0, 20), run_of(0, 2), run_of(p0, 2), run_of(0, 40), run_of(p1, 20), run_of(0, 1)}, {"panel 0: chatters, shortest gap 2.4 ms", "panel 1: ok", "panel 2: not reached"}},
        {"bouncing_press_keeps_its_shortest_gap", 1210, {run_of(0, 1), run_of(p0, 2), run_of(0, 5), run_of(p0, 20), run_of(0, 6), run_of(p0, 1), run_of(0, 40), run_of(p1, 1), run_of(0, 1)}, {"panel 0: chatters, shortest gap 6.1 ms", "panel 1: ok", "panel 2: not reached"}},
        {"same_input_again_at_the_threshold", 5000, {run_of(0, 1), run_of(p0, 2), run_of(0, 6), run_of(p0, 2), run_of(0, 1)}, {"panel 0: ok", "panel 1: crossed with panel 0", "panel 2: not reached"}},
        {"crossed_partner_bouncing", 1210, {run_of(0, 1), run_of(p5, 20), run_of(0, 2), run_of(p5, 2), run_of(0, 40), run_of(p1, 20), run_of(0, 1)}, {"panel 0: crossed with panel 5", "panel 1: ok", "panel 2: not reached"}},
        {"short_group_pressed_again_for_the_next_step", 1210, {run_of(0, 1), run_of(p0 | p1, 20), run_of(0, 3), run_of(p0 | p1, 20), run_of(0, 1)}, {"panel 0: short with panel 1", "panel 1: short with panel 0", "panel 2: not reached"}},
        {"next_input_a_few_scans_after_a_release", 1210, {run_of(0, 1), run_of(p0, 20), run_of(0, 3), run_of(p1, 20), run_of(0, 3), run_of(p1 | p5, 2)}, {"panel 0: ok", "panel 1: ok", "panel 2: short with panel 1, panel 5"}},
        // clang-format on
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        wiring_check check = checked(100, scans_of(c.runs, 0, c.spacing_us), 0);
        for (int input = 0; input < 3; ++input) {
            EXPECT_EQ(result_of(check, input), c.results[input]);
        }
    }
}

}  // namespace
