#include "scan_chatter.h"

#include <stdio.h>
#include <string.h>

#include "ms_text.h"
#include "time_units.h"

namespace {

void forget_times(chatter_input *input)
{
    input->shortest_gap_us = chatter_no_time;
    input->shortest_hold_us = chatter_no_time;
    input->pressed_us = chatter_no_time;
    input->released_us = chatter_no_time;
}

// "3.6 ms", "--".
void format_time(uint64_t us, char *text, size_t size)
{
    if (us == chatter_no_time) {
        snprintf(text, size, "--");
        return;
    }
    ms_text_format(us, text, size);
}

// The inputs pressed at least once.
int pressed_count(const scan_chatter *chatter)
{
    int pressed = 0;
    for (const chatter_input &input : chatter->inputs) {
        if (input.presses != 0) {
            ++pressed;
        }
    }
    return pressed;
}

// Whether any input's latest round chattered.
bool any_chattered(const scan_chatter *chatter)
{
    return scan_chatter_worst(chatter) >= 0;
}

}  // namespace

void scan_chatter_start(scan_chatter *chatter, uint32_t threshold_ms)
{
    *chatter = {};
    chatter->threshold_us = threshold_ms * us_per_ms;
    chatter->round = 1;
    for (chatter_input &input : chatter->inputs) {
        forget_times(&input);
    }
}

void scan_chatter_next_round(scan_chatter *chatter)
{
    ++chatter->round;
    for (chatter_input &input : chatter->inputs) {
        input.round_ended = true;
        // A hold begun before is no hold of either round.
        input.pressed_us = chatter_no_time;
    }
}

void scan_chatter_scan(scan_chatter *chatter, bool scan_ok, uint32_t active, uint64_t now_us)
{
    if (!scan_ok) {
        return;
    }
    active &= all_inputs;
    uint32_t changed = active ^ chatter->active;
    chatter->active = active;
    // Only the inputs that changed: most scans change none.
    while (changed != 0) {
        uint32_t bit = changed & (0u - changed);
        changed ^= bit;
        chatter_input *input = &chatter->inputs[__builtin_ctz(bit)];
        if ((active & bit) != 0) {
            if (input->round_ended) {
                input->round_ended = false;
                input->earlier_chatters += input->chatters;
                input->presses = 0;
                input->chatters = 0;
                forget_times(input);
            }
            ++input->presses;
            input->pressed_us = now_us;
            if (input->released_us != chatter_no_time) {
                uint64_t gap_us = now_us - input->released_us;
                if (gap_us < input->shortest_gap_us) {
                    input->shortest_gap_us = gap_us;
                }
                if (gap_us < chatter->threshold_us) {
                    ++input->chatters;
                }
            }
        } else {
            input->released_us = now_us;
            // A press from before the round is not counted, nor is its hold.
            if (input->pressed_us != chatter_no_time) {
                uint64_t hold_us = now_us - input->pressed_us;
                if (hold_us < input->shortest_hold_us) {
                    input->shortest_hold_us = hold_us;
                }
            }
        }
    }
}

int scan_chatter_worst(const scan_chatter *chatter)
{
    int worst = -1;
    uint32_t most = 0;
    for (int input = 0; input < input_count; ++input) {
        if (chatter->inputs[input].chatters > most) {
            most = chatter->inputs[input].chatters;
            worst = input;
        }
    }
    return worst;
}

bool scan_chatter_passed(const scan_chatter *chatter, uint32_t failed_scans)
{
    return failed_scans == 0 && !any_chattered(chatter);
}

void scan_chatter_format_round(const scan_chatter *chatter, int input, char *buffer, size_t size)
{
    const chatter_input &counts = chatter->inputs[input];
    char gap[ms_text_size];
    char hold[ms_text_size];
    format_time(counts.shortest_gap_us, gap, sizeof gap);
    format_time(counts.shortest_hold_us, hold, sizeof hold);
    input_name name = input_name_of(input);
    snprintf(buffer, size, "%s %d: %lu presses, %lu chatter, shortest gap %s, shortest hold %s",
             name.group, name.number, static_cast<unsigned long>(counts.presses),
             static_cast<unsigned long>(counts.chatters), gap, hold);
}

void scan_chatter_format_input(const scan_chatter *chatter, int input, char *buffer, size_t size)
{
    scan_chatter_format_round(chatter, input, buffer, size);
    uint32_t earlier = chatter->inputs[input].earlier_chatters;
    // A cut round line leaves used at size - 1, where this writes the terminator alone.
    size_t used = strlen(buffer);
    if (earlier != 0) {
        snprintf(buffer + used, size - used, ", earlier rounds %lu chatter",
                 static_cast<unsigned long>(earlier));
    }
}

void scan_chatter_format_total(const scan_chatter *chatter, uint32_t sampling_us, char *buffer,
                               size_t size)
{
    int chattered = 0;
    for (const chatter_input &input : chatter->inputs) {
        if (input.chatters != 0) {
            ++chattered;
        }
    }
    snprintf(buffer, size,
             "chatter: %d of %d pressed inputs chatter, threshold %lu ms, sampling %lu us",
             chattered, pressed_count(chatter),
             static_cast<unsigned long>(chatter->threshold_us / us_per_ms),
             static_cast<unsigned long>(sampling_us));
}
