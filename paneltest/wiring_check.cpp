#include "wiring_check.h"

#include <stdarg.h>
#include <stdio.h>

#include "io_callbacks.h"
#include "ms_text.h"

namespace {

constexpr int panel_columns = 4;
constexpr uint32_t us_per_ms = 1000;
constexpr uint64_t no_scan_us = UINT64_MAX;

uint32_t bit_of(int input)
{
    return 1u << input;
}

// Text going into a caller's fixed buffer; what does not fit is cut off.
struct text_out {
    char *buffer;
    size_t size;
    size_t used;
};

IO_PRINTF_FORMAT(2, 3) void append(text_out *out, const char *format, ...)
{
    if (out->used + 1 >= out->size) {
        return;
    }
    va_list arguments;
    va_start(arguments, format);
    int written = vsnprintf(out->buffer + out->used, out->size - out->used, format, arguments);
    va_end(arguments);
    if (written > 0) {
        size_t room = out->size - out->used - 1;
        out->used += static_cast<size_t>(written) < room ? static_cast<size_t>(written) : room;
    }
}

// The name of the summary lines: "panel 5", "sys 1".
void append_name(text_out *out, int input)
{
    check_input_name name = wiring_check_input_name(input);
    append(out, "%s %d", name.group, name.number);
}

// The name of the prompts: "panel button 5 (row 2, column 2)", "system input 1".
void append_long_name(text_out *out, int input)
{
    if (input < check_panel_count) {
        append(out, "panel button %d (row %d, column %d)", input, input / panel_columns + 1,
               input % panel_columns + 1);
    } else {
        append(out, "system input %d", input - check_panel_count);
    }
}

// "panel 7, sys 1": the inputs of a set in step order.
void append_names(text_out *out, uint32_t inputs)
{
    const char *separator = "";
    for (int input = 0; input < check_input_count; ++input) {
        if ((inputs & bit_of(input)) != 0) {
            append(out, "%s", separator);
            append_name(out, input);
            separator = ", ";
        }
    }
}

// The first input from `first` on that is not stuck; check_input_count past the last.
int step_from(const wiring_check *check, int first)
{
    int input = first;
    while (input < check_input_count && (check->stuck & bit_of(input)) != 0) {
        ++input;
    }
    return input;
}

void go_to_step(wiring_check *check, int first)
{
    int input = step_from(check, first);
    if (input == check_input_count) {
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

// The step's verdict from its first scan that differs from idle, if this is one.
void judge_press(wiring_check *check, uint32_t changed)
{
    if (changed != 0) {
        check->results[check->step] = wiring_check_judge(check->step, changed);
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

uint32_t wiring_check_inputs_of(uint16_t panel, uint8_t sys)
{
    return (panel | static_cast<uint32_t>(sys) << check_panel_count) & check_all_inputs;
}

check_result wiring_check_judge(int expected, uint32_t active)
{
    uint32_t others = active & ~bit_of(expected);
    if (active == 0) {
        return {check_verdict::not_reached, 0};
    }
    if (others == 0) {
        return {check_verdict::ok, 0};
    }
    bool one_other = (others & (others - 1)) == 0;
    if (one_other && (active & bit_of(expected)) == 0) {
        return {check_verdict::crossed, others};
    }
    return {check_verdict::shorted, others};
}

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
    active &= check_all_inputs;
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
        for (int input = 0; input < check_input_count; ++input) {
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
    return wiring_check_ok_count(check) == check_input_count && check->failed_scans == 0;
}

void wiring_check_format_result(const wiring_check *check, int input, char *buffer, size_t size)
{
    text_out out = {buffer, size, 0};
    buffer[0] = '\0';
    const check_result &result = check->results[input];
    append_name(&out, input);
    switch (result.verdict) {
    case check_verdict::not_reached:
        append(&out, ": not reached");
        break;
    case check_verdict::ok:
        append(&out, ": ok");
        break;
    case check_verdict::crossed:
        append(&out, ": crossed with ");
        append_names(&out, result.with);
        break;
    case check_verdict::shorted:
        append(&out, ": short with ");
        append_names(&out, result.with);
        break;
    case check_verdict::stuck:
        append(&out, ": stuck active");
        break;
    case check_verdict::skipped:
        append(&out, ": skipped");
        break;
    case check_verdict::chatters: {
        char gap[ms_text_size];
        ms_text_format(check->shortest_gap_us[input], gap, sizeof gap);
        append(&out, ": chatters, shortest gap %s", gap);
        break;
    }
    }
}

void wiring_check_format_total(const wiring_check *check, char *buffer, size_t size)
{
    snprintf(buffer, size, "check: %d of %d ok, %lu failed scans", wiring_check_ok_count(check),
             check_input_count, static_cast<unsigned long>(check->failed_scans));
}

void wiring_check_format_prompt(const wiring_check *check, char *buffer, size_t size)
{
    text_out out = {buffer, size, 0};
    buffer[0] = '\0';
    if (check->link_down && check->phase != check_phase::done) {
        append(&out, "The bridge is not answering: check the USB cable");
        return;
    }
    switch (check->phase) {
    case check_phase::settling:
        append(&out, "Release every panel button and system input");
        break;
    case check_phase::awaiting_press:
        append(&out, "Press ");
        append_long_name(&out, check->step);
        append(&out, ", or space to skip it");
        break;
    case check_phase::awaiting_release:
    case check_phase::awaiting_quiet:
        append(&out, "Release ");
        append_long_name(&out, check->step);
        break;
    case check_phase::done:
        append(&out, "Check done");
        break;
    }
}

void wiring_check_format_waiting(const wiring_check *check, char *buffer, size_t size)
{
    text_out out = {buffer, size, 0};
    buffer[0] = '\0';
    if (wiring_check_unseen(check)) {
        append(&out,
               "Not seen for %lu s: a dead switch or a broken wire may be why; space skips it",
               static_cast<unsigned long>(check_unseen_us / (us_per_ms * 1000)));
    } else if (check->phase != check_phase::awaiting_press && check->phase != check_phase::done &&
               check->active != 0) {
        append(&out, "still active: ");
        append_names(&out, check->active);
    }
}

void wiring_check_format_last(const wiring_check *check, char *buffer, size_t size)
{
    if (check->last_judged >= 0) {
        wiring_check_format_result(check, check->last_judged, buffer, size);
        return;
    }
    text_out out = {buffer, size, 0};
    buffer[0] = '\0';
    if (check->stuck == 0) {
        append(&out, "--");
        return;
    }
    append_names(&out, check->stuck);
    append(&out, ": stuck active");
}
