// The wiring check's verdicts and steps fed made-up scans and times, and the
// skip key, which no frame script can press.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan_chatter.h"
#include "scan_script.h"
#include "wiring_check.h"
#include "wiring_check_text.h"

namespace {

constexpr uint32_t p0 = 1u << 0, p1 = 1u << 1, p2 = 1u << 2, p3 = 1u << 3, p5 = 1u << 5,
                   s1 = 1u << 17, s2 = 1u << 18;
constexpr char release_all[] = "Release every panel button and system input";
constexpr char not_answering[] = "The bridge is not answering: check the USB cable";
constexpr char unseen_hint[] =
    "Not seen for 10 s: a dead switch or a broken wire may be why; space skips it";

// A line of wiring_check_text.h as a string; input for a result.
template <typename Format, typename... Input>
std::string text_of(Format format, const wiring_check &check, Input... input)
{
    char text[128];
    format(&check, input..., text, sizeof text);
    return text;
}

// A check started at 1 s with the default threshold, fed the script.
wiring_check checked(uint32_t settle_ms, const std::vector<scripted_scan> &script,
                     uint64_t start_us = 1000000)
{
    wiring_check check;
    wiring_check_start(&check, settle_ms, chatter_default_ms, start_us);
    play_scans(script, &check, wiring_check_scan, wiring_check_skip);
    return check;
}

std::string press_prompt_of(int input)
{
    return "Press panel button " + std::to_string(input) + " (row " +
           std::to_string(input / 4 + 1) + ", column " + std::to_string(input % 4 + 1) +
           "), or space to skip it";
}

TEST(WiringCheck, SpaceSkipsOnlyAStepThatAwaitsItsPress)
{
    // Panel 0 skipped, panel 1 pressed: a space while it awaits its release, and one once it
    // is released but not yet idle for the chatter threshold, skip nothing; the rest skipped.
    std::vector<scripted_scan> script = {space_key, good(0, 1005000), space_key, good(p1, 1010000),
                                         space_key, good(0, 1015000), space_key, good(0, 1045000)};
    script.insert(script.end(), input_count - 2, space_key);
    wiring_check check = checked(2000, script);
    EXPECT_EQ(check.phase, check_phase::done);
    EXPECT_EQ(text_of(wiring_check_format_result, check, 0), "panel 0: skipped");
    EXPECT_EQ(text_of(wiring_check_format_result, check, 1), "panel 1: ok");
    EXPECT_EQ(text_of(wiring_check_format_result, check, 18), "sys 2: skipped");
    EXPECT_EQ(text_of(wiring_check_format_total, check), "check: 1 of 19 ok, 0 failed scans");
    EXPECT_FALSE(wiring_check_passed(&check));
}

TEST(WiringCheck, AShortBufferKeepsWhatFitsAndNoMore)
{
    // Idle past the settle time: the prompt asks for panel 0, in three parts.
    wiring_check check = checked(2000, {good(0, 1000000), good(0, 3000000)});
    ASSERT_EQ(text_of(wiring_check_format_prompt, check), press_prompt_of(0));
    std::string text(64, 'x');
    wiring_check_format_prompt(&check, &text[0], 12);
    EXPECT_EQ(text, std::string("Press panel") + '\0' + std::string(52, 'x'));
}

TEST(WiringCheck, PhasesAndTheScreenFollowTheScansAndTheSettleTime)
{
    // clang-format off
    const struct { const char *name; uint32_t settle_ms; std::vector<scripted_scan> script; check_phase phase; int step; uint32_t stuck; std::string prompt, waiting, last; } cases[] = {
        // A space while settling or while a press awaits its release skips nothing.
        {"a_space_while_settling", 2000, {space_key, good(0, 1005000)}, check_phase::awaiting_press, 0, 0, press_prompt_of(0), "", "--"},
        {"a_space_while_awaiting_a_release", 2000, {space_key, good(0, 1005000), space_key, good(p1, 1010000), space_key}, check_phase::awaiting_release, 1, 0, "Release panel button 1 (row 1, column 2)", "still active: panel 1", "panel 1: ok"},
        {"active_just_before_the_settle_time_still_settles", 100, {good(p2, 1099000)}, check_phase::settling, 0, 0, release_all, "still active: panel 2", "--"},
        {"active_at_exactly_the_settle_time_is_stuck", 100, {good(p2, 1099999), good(p2, 1100000)}, check_phase::awaiting_press, 0, p2, press_prompt_of(0), "", "panel 2: stuck active"},
        {"no_settle_time_judges_the_first_scan", 0, {good(p0, 1000000)}, check_phase::awaiting_press, 1, p0, press_prompt_of(1), "", "panel 0: stuck active"},
        // A failed scan may read anything; it is neither a press nor a release, and the
        // prompt says the bridge is not answering while the step waits.
        {"failed_scans_neither_press_nor_release", 100, {good(0, 1000000), failed(p0, 1010000), good(p0, 1020000), failed(0, 1030000)}, check_phase::awaiting_release, 0, 0, not_answering, "still active: panel 0", "panel 0: ok"},
        // 90 ms of failed scans do not count toward the settle time; then the step goes on.
        {"the_settle_time_says_the_bridge_is_not_answering", 100, {good(p2, 1000000), failed(0, 1050000)}, check_phase::settling, 0, 0, not_answering, "still active: panel 2", "--"},
        {"the_settle_time_waits_for_the_bridge", 100, {good(p2, 1000000), failed(0, 1050000), failed(0, 1090000), good(p2, 1189999)}, check_phase::settling, 0, 0, release_all, "still active: panel 2", "--"},
        // The last step waits out the threshold too, so a bounce of its input is seen.
        {"the_last_step_waits_out_the_threshold", 0, {good(0x3FFFF, 1000000), good(0x7FFFF, 1005000), good(0x3FFFF, 1010000), good(0x3FFFF, 1039999)}, check_phase::awaiting_quiet, 18, 0x3FFFF, "Release system input 2", "", "sys 2: ok"},
        {"the_last_step_ends_after_the_threshold", 0, {good(0x3FFFF, 1000000), good(0x7FFFF, 1005000), good(0x3FFFF, 1010000), good(0x3FFFF, 1040000)}, check_phase::done, 18, 0x3FFFF, "Check done", "", "sys 2: ok"},
        {"a_check_done_stays_done_as_the_link_drops", 0, {good(0x3FFFF, 1000000), good(0x7FFFF, 1005000), good(0x3FFFF, 1010000), good(0x3FFFF, 1040000), failed(0, 1045000)}, check_phase::done, 18, 0x3FFFF, "Check done", "", "sys 2: ok"},
        {"held_at_the_start", 100, {good(p3 | s1, 1000000)}, check_phase::settling, 0, 0, release_all, "still active: panel 3, sys 1", "--"},
        {"stuck_after_the_settle_time", 100, {good(p3 | s1, 1000000), good(p3 | s1, 1100000)}, check_phase::awaiting_press, 0, p3 | s1, press_prompt_of(0), "", "panel 3, sys 1: stuck active"},
        {"held_at_a_release", 0, {good(p3, 1000000), good(p0 | p3 | p5, 1010000)}, check_phase::awaiting_release, 0, p3, "Release panel button 0 (row 1, column 1)", "still active: panel 0, panel 5", "panel 0: short with panel 5"},
        {"unseen_for_10_s", 0, {good(0, 1000000), good(0, 1000000), good(0, 11000000)}, check_phase::awaiting_press, 0, 0, press_prompt_of(0), unseen_hint, "--"},
        // 5 s, 3 s across a failed scan, then 4.999999 s or 5 s.
        {"failed_scans_do_not_count_toward_it", 0, {good(0, 1000000), good(0, 1000000), good(0, 6000000), failed(0, 8000000), good(0, 9000000), good(0, 13999999)}, check_phase::awaiting_press, 0, 0, press_prompt_of(0), "", "--"},
        {"failed_scans_then_the_rest_of_it", 0, {good(0, 1000000), good(0, 1000000), good(0, 6000000), failed(0, 8000000), good(0, 9000000), good(0, 14000000)}, check_phase::awaiting_press, 0, 0, press_prompt_of(0), unseen_hint, "--"},
        {"pressed_after_10_s", 0, {good(0, 1000000), good(0, 1000000), good(0, 11000000), good(p0, 11100000)}, check_phase::awaiting_release, 0, 0, "Release panel button 0 (row 1, column 1)", "still active: panel 0", "panel 0: ok"},
        {"the_next_step_starts_its_own_10_s", 0, {good(0, 1000000), good(0, 1000000), good(0, 11000000), good(p0, 11100000), good(0, 11200000), good(0, 11300000), good(0, 11400000)}, check_phase::awaiting_press, 1, 0, press_prompt_of(1), "", "panel 0: ok"},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        wiring_check check = checked(c.settle_ms, c.script);
        EXPECT_EQ(check.phase, c.phase);
        EXPECT_EQ(check.step, c.step);
        EXPECT_EQ(check.stuck, c.stuck);
        EXPECT_EQ(text_of(wiring_check_format_prompt, check), c.prompt);
        EXPECT_EQ(text_of(wiring_check_format_waiting, check), c.waiting);
        EXPECT_EQ(text_of(wiring_check_format_last, check), c.last);
    }
}

TEST(WiringCheck, TheFirstPressJudgesAStepAndBouncesAreAbsorbed)
{
    constexpr scripted_run three_spaces = {scripted::space, 0, 3};
    // results: panel 0 to 3
    // clang-format off
    const struct { const char *name; uint32_t spacing_us; std::vector<scripted_run> runs; const char *results[4]; } cases[] = {
        // The first scan that differs from idle at the step of panel 3.
        {"nothing_active_is_no_verdict", 1210, {run_of(0, 1), three_spaces, run_of(0, 1)}, {"panel 0: skipped", "panel 1: skipped", "panel 2: skipped", "panel 3: not reached"}},
        {"only_the_asked_input_is_ok", 1210, {run_of(0, 1), three_spaces, run_of(p3, 1)}, {"panel 0: skipped", "panel 1: skipped", "panel 2: skipped", "panel 3: ok"}},
        {"one_other_instead_is_crossed", 1210, {run_of(0, 1), three_spaces, run_of(p5, 1)}, {"panel 0: skipped", "panel 1: skipped", "panel 2: skipped", "panel 3: crossed with panel 5"}},
        {"itself_and_one_other_is_short", 1210, {run_of(0, 1), three_spaces, run_of(p3 | p5, 1)}, {"panel 0: skipped", "panel 1: skipped", "panel 2: skipped", "panel 3: short with panel 5"}},
        {"two_others_are_short", 1210, {run_of(0, 1), three_spaces, run_of(p5 | s2, 1)}, {"panel 0: skipped", "panel 1: skipped", "panel 2: skipped", "panel 3: short with panel 5, sys 2"}},
        {"bouncing_release", 1210, {run_of(0, 40), run_of(p0, 20), run_of(0, 2), run_of(p0, 2), run_of(0, 40), run_of(p1, 20), run_of(0, 1)}, {"panel 0: chatters, shortest gap 2.4 ms", "panel 1: ok", "panel 2: not reached", "panel 3: not reached"}},
        {"bouncing_press_keeps_its_shortest_gap", 1210, {run_of(0, 1), run_of(p0, 2), run_of(0, 5), run_of(p0, 20), run_of(0, 6), run_of(p0, 1), run_of(0, 40), run_of(p1, 1), run_of(0, 1)}, {"panel 0: chatters, shortest gap 6.1 ms", "panel 1: ok", "panel 2: not reached", "panel 3: not reached"}},
        {"same_input_again_at_the_threshold", 5000, {run_of(0, 1), run_of(p0, 2), run_of(0, 6), run_of(p0, 2), run_of(0, 1)}, {"panel 0: ok", "panel 1: crossed with panel 0", "panel 2: not reached", "panel 3: not reached"}},
        {"crossed_partner_bouncing", 1210, {run_of(0, 1), run_of(p5, 20), run_of(0, 2), run_of(p5, 2), run_of(0, 40), run_of(p1, 20), run_of(0, 1)}, {"panel 0: crossed with panel 5", "panel 1: ok", "panel 2: not reached", "panel 3: not reached"}},
        {"short_group_pressed_again_for_the_next_step", 1210, {run_of(0, 1), run_of(p0 | p1, 20), run_of(0, 3), run_of(p0 | p1, 20), run_of(0, 1)}, {"panel 0: short with panel 1", "panel 1: short with panel 0", "panel 2: not reached", "panel 3: not reached"}},
        {"next_input_a_few_scans_after_a_release", 1210, {run_of(0, 1), run_of(p0, 20), run_of(0, 3), run_of(p1, 20), run_of(0, 3), run_of(p1 | p5, 2)}, {"panel 0: ok", "panel 1: ok", "panel 2: short with panel 1, panel 5", "panel 3: not reached"}},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        wiring_check check = checked(100, scans_of(c.runs, 0, c.spacing_us), 0);
        for (int input = 0; input < 4; ++input) {
            EXPECT_EQ(text_of(wiring_check_format_result, check, input), c.results[input]);
        }
    }
}

}  // namespace
