#include "wiring_check.h"

namespace {

constexpr uint64_t no_scan_us = UINT64_MAX;

uint32_t bit_of(int input)
{
    return 1u << input;
}

// The first input from `first` on that is not stuck; input_count past the last.
int step_from(const wiring_check *check, int first)
{
    int input = first;
    while (input < input_count && (check->stuck & bit_of(input)) != 0) {
        ++input;
    }
    return input;
}

void go_to_step(wiring_check *check, int first)
{
    int input = step_from(check, first);
    if (input == input_count) {
        check->phase = check_phase::done;
        return;
    }
    check->step = input;
    check->phase = check_phase::awaiting_press;
    check->unseen_us = 0;
    // The wait begins at the latest scan, the one that began this step or before a skip.
    check->last_unseen_us = check->link_down ? no_scan_us : check->scanned_us;
}

// Another good scan with nothing active at the step.
void count_unseen(wiring_check *check, uint64_t now_us)
{
    if (check->last_unseen_us != no_scan_us) {
        check->unseen_us += now_us - check->last_unseen_us;
    }
    check->last_unseen_us = now_us;
}

// The verdict on input `expected` from the first scan that differed from
// idle, given the inputs active in it (stuck ones left out, at least one).
check_result judged(int expected, uint32_t active)
{
    uint32_t others = active & ~bit_of(expected);
    if (others == 0) {
        return {check_verdict::ok, 0};
    }
    bool one_other = (others & (others - 1)) == 0;
    if (one_other && (active & bit_of(expected)) == 0) {
        return {check_verdict::crossed, others};
    }
    return {check_verdict::shorted, others};
}

// The step's verdict from its first scan that differs from idle, if this is one.
void judge_press(wiring_check *check, uint32_t changed)
{
    if (changed != 0) {
        check->results[check->step] = judged(check->step, changed);
        check->last_judged = check->step;
        check->phase = check_phase::awaiting_release;
    }
}

// The input a bounce may come from after the step: none after a short.
uint32_t bouncing_after(const wiring_check *check)
{
    const check_result &result = check->results[check->step];
    switch (result.verdict) {
    case check_verdict::ok:
    case check_verdict::chatters:
        return bit_of(check->step);
    case check_verdict::crossed:
        return result.with;
    default:
        return 0;
    }
}

// The watched input went active alone within the threshold: its release is awaited again.
void absorb_bounce(wiring_check *check, uint32_t gap_us)
{
    check_result *result = &check->results[check->step];
    if (check->bouncing == bit_of(check->step)) {
        uint32_t *shortest = &check->shortest_gap_us[check->step];
        if (result->verdict == check_verdict::ok || gap_us < *shortest) {
            *shortest = gap_us;
        }
        *result = {check_verdict::chatters, 0};
    }
    check->phase = check_phase::awaiting_release;
}

}  // namespace

void wiring_check_start(wiring_check *check, uint32_t settle_ms, uint32_t chatter_ms,
                        uint64_t now_us)
{
    *check = {};
    check->phase = check_phase::settling;
    check->last_judged = -1;
    check->settle_ms = settle_ms;
    check->chatter_us = chatter_ms * us_per_ms;
    check->started_us = now_us;
    check->scanned_us = now_us;
}

void wiring_check_scan(wiring_check *check, bool scan_ok, uint32_t active, uint64_t now_us)
{
    uint64_t since_scan_us = now_us - check->scanned_us;
    bool was_down = check->link_down;
    check->scanned_us = now_us;
    check->link_down = !scan_ok;
    // Only the time between two good scans counts toward the settle time, as toward the 10 s.
    if ((!scan_ok || was_down) && check->phase == check_phase::settling) {
        check->started_us += since_scan_us;
    }
    if (!scan_ok) {
        ++check->failed_scans;
        check->last_unseen_us = no_scan_us;
        return;
    }
    active &= all_inputs;
    uint32_t changed = active & ~check->stuck;
    check->active = changed;
    switch (check->phase) {
    case check_phase::settling:
        if (active != 0 && now_us < check->started_us + uint64_t{check->settle_ms} * us_per_ms) {
            return;
        }
        // Whatever is still active now is stuck; the steps go on without it.
        check->stuck = active;
        check->active = 0;
        for (int input = 0; input < input_count; ++input) {
            if ((active & bit_of(input)) != 0) {
                check->results[input] = {check_verdict::stuck, 0};
            }
        }
        go_to_step(check, 0);
        return;
    case check_phase::awaiting_press:
        if (changed == 0) {
            count_unseen(check, now_us);
        }
        judge_press(check, changed);
        return;
    case check_phase::awaiting_release:
        if (changed != 0) {
            return;
        }
        check->bouncing = bouncing_after(check);
        if (check->bouncing == 0) {
            go_to_step(check, check->step + 1);
            return;
        }
        check->released_us = now_us;
        check->phase = check_phase::awaiting_quiet;
        return;
    case check_phase::awaiting_quiet:
        if (now_us - check->released_us < check->chatter_us) {
            if (changed == 0) {
                return;
            }
            if (changed == check->bouncing) {
                absorb_bounce(check, static_cast<uint32_t>(now_us - check->released_us));
                return;
            }
        }
        // Quiet for the threshold, or another set went active: the next step's press,
        // unless that was the last step.
        go_to_step(check, check->step + 1);
        if (check->phase == check_phase::awaiting_press) {
            judge_press(check, changed);
        }
        return;
    case check_phase::done:
        return;
    }
}

bool wiring_check_unseen(const wiring_check *check)
{
    return check->phase == check_phase::awaiting_press && check->unseen_us >= check_unseen_us;
}

void wiring_check_skip(wiring_check *check)
{
    if (check->phase != check_phase::awaiting_press) {
        return;
    }
    check->results[check->step] = {check_verdict::skipped, 0};
    check->last_judged = check->step;
    go_to_step(check, check->step + 1);
}

int wiring_check_ok_count(const wiring_check *check)
{
    int ok = 0;
    for (const check_result &result : check->results) {
        if (result.verdict == check_verdict::ok) {
            ++ok;
        }
    }
    return ok;
}

bool wiring_check_passed(const wiring_check *check)
{
    return wiring_check_ok_count(check) == input_count && check->failed_scans == 0;
}
