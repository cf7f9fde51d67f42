#include "plot_build.h"

#include <stdio.h>
#include <string.h>

#include "scan_link.h"

namespace {

// Each line's first scan (an unplug's start), and the recording's end.
uint64_t starts[2 * frame_script_max_frame_lines];

constexpr size_t seconds_text_size = 32;

// "12.5 s", "3 s": microseconds as seconds, without the zeros after the last digit.
void seconds_text(uint64_t us, char (&text)[seconds_text_size])
{
    snprintf(text, sizeof text, "%llu.%06llu", static_cast<unsigned long long>(us / us_per_s),
             static_cast<unsigned long long>(us % us_per_s));
    size_t length = strlen(text);
    while (text[length - 1] == '0') {
        --length;
    }
    length -= text[length - 1] == '.' ? 1 : 0;
    snprintf(text + length, sizeof text - length, " s");
}

uint64_t add_capped(uint64_t a, uint64_t b)
{
    return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}

uint64_t min_of(uint64_t a, uint64_t b)
{
    return a < b ? a : b;
}

uint64_t max_of(uint64_t a, uint64_t b)
{
    return a > b ? a : b;
}

// When a timed unplug at line i is due: the next frame line's time, else the end's.
uint64_t unplug_due(const plot_recording *recording, uint32_t i, uint64_t cut_end_us)
{
    for (uint32_t next = i + 1; next < recording->line_count; ++next) {
        if (!recording->lines[next].unplug) {
            return recording->lines[next].at_us;
        }
    }
    return recording->ends ? recording->end_at_us : cut_end_us;
}

// Fills starts[]; returns the recording's length. Untimed lines follow one another a
// scan period a scan; timed ones start at their times, or when an unplug before them ends,
// but the first line, whatever its time, at the first scan, as the stand-in serves it.
uint64_t lay_out(const plot_recording *recording, uint64_t period_us)
{
    uint64_t next_us = 0;     // untimed: the next scan; timed: the earliest a line may start
    uint64_t cut_end_us = 0;  // a scan period after the last frame line's last scan
    for (uint32_t i = 0; i < recording->line_count; ++i) {
        const plot_line &line = recording->lines[i];
        uint64_t start_us = next_us;
        if (line.unplug) {
            // A run of unplugs: the first is due with the next line, the others follow it.
            bool follows_unplug = i > 0 && recording->lines[i - 1].unplug;
            if (recording->timed && !follows_unplug && i > 0) {
                start_us = max_of(unplug_due(recording, i, cut_end_us), next_us);
            }
            next_us = add_capped(start_us, uint64_t{line.count} * us_per_ms);
        } else {
            start_us = recording->timed && i > 0 ? max_of(line.at_us, next_us) : next_us;
            cut_end_us = add_capped(start_us, uint64_t{line.count} * period_us);
            next_us = recording->timed ? start_us : cut_end_us;
        }
        starts[i] = start_us;
    }
    uint64_t end_us = recording->timed && recording->ends ? recording->end_at_us : cut_end_us;
    return max_of(end_us, next_us);
}

// What the trace is built with as the lines go by.
struct build_state {
    plot_trace *trace;
    uint32_t last_good;  // none before the first good line
    bool down;
    uint64_t down_us;
    bool window_counts;  // the chatter counts are the window's
};

// The inputs and the link over [from_us, to_us), as far as it lies in the window.
void add_span(build_state *state, uint64_t from_us, uint64_t to_us, uint32_t inputs, bool up)
{
    plot_trace *trace = state->trace;
    from_us = max_of(from_us, trace->from_us);
    to_us = min_of(to_us, trace->to_us);
    if (from_us >= to_us) {
        return;
    }
    if (trace->step_count > 0) {
        const plot_step &last = trace->steps[trace->step_count - 1];
        if (last.inputs == inputs && last.link_up == up) {
            return;
        }
    }
    trace->steps[trace->step_count++] = {from_us, inputs, up};
    trace->pressed |= inputs;
}

// A drop-out that starts in the window, or goes on into it.
void end_dropout(build_state *state, uint64_t end_us)
{
    plot_trace *trace = state->trace;
    state->down = false;
    if (state->down_us < trace->to_us &&
        (end_us > trace->from_us || state->down_us >= trace->from_us)) {
        trace->dropouts[trace->dropout_count++] = {max_of(state->down_us, trace->from_us),
                                                   min_of(end_us, trace->to_us)};
    }
}

// From the window's start the counts are its own; the times of the presses and
// releases before it stay, so a bounce across its start still counts.
void start_window_counts(build_state *state)
{
    state->window_counts = true;
    for (chatter_input &input : state->trace->chatter.inputs) {
        input.presses = 0;
        input.chatters = 0;
        input.shortest_gap_us = chatter_no_time;
        input.shortest_hold_us = chatter_no_time;
    }
}

// A frame line to the chatter counts, once, at its first scan; each chatter it makes marked.
void count_chatter(build_state *state, const plot_line &line, uint64_t start_us)
{
    plot_trace *trace = state->trace;
    if (start_us >= trace->to_us) {
        return;
    }
    if (!state->window_counts && start_us >= trace->from_us) {
        start_window_counts(state);
    }
    scan_chatter &chatter = trace->chatter;
    uint32_t before[input_count];
    for (int i = 0; i < input_count; ++i) {
        before[i] = chatter.inputs[i].chatters;
    }
    uint32_t pressed = line.inputs & ~chatter.active;
    scan_chatter_scan(&chatter, !line.failed, line.inputs, start_us);
    for (int i = 0; pressed != 0 && i < input_count; ++i) {
        bool marked = state->window_counts && trace->chatter_count < plot_max_chatters;
        if (chatter.inputs[i].chatters != before[i] && marked) {
            uint64_t gap_us = start_us - chatter.inputs[i].released_us;
            trace->chatters[trace->chatter_count++] = {start_us, gap_us, static_cast<uint8_t>(i)};
        }
    }
}

// The scans of a line in the window: an untimed line's a scan period apart, a timed
// line's where it starts, as the recording keeps no other time of them.
uint32_t scans_in_window(const plot_trace *trace, const plot_line &line, uint64_t start_us)
{
    if (trace->timed) {
        return start_us >= trace->from_us && start_us < trace->to_us ? line.count : 0;
    }
    // How many of the line's scans come before time_us.
    const auto before = [&](uint64_t time_us) -> uint64_t {
        if (time_us <= start_us) {
            return 0;
        }
        uint64_t since_us = time_us - start_us;
        return min_of(line.count, since_us / trace->pace_us + (since_us % trace->pace_us != 0));
    };
    return static_cast<uint32_t>(before(trace->to_us) - before(trace->from_us));
}

void add_line(build_state *state, const plot_line &line, uint64_t start_us, uint64_t end_us)
{
    plot_trace *trace = state->trace;
    bool up = !line.unplug && !line.failed;
    if (!line.unplug) {
        count_chatter(state, line, start_us);
        uint32_t scans = scans_in_window(trace, line, start_us);
        trace->scans += scans;
        trace->failed_scans += line.failed ? scans : 0;
    }
    if (up) {
        if (state->down) {
            end_dropout(state, start_us);
        }
        state->last_good = line.inputs;
        add_span(state, start_us, end_us, line.inputs, true);
        return;
    }
    if (!state->down) {
        state->down = true;
        state->down_us = start_us;
    }
    // A game sees the last good scan's inputs for the drop-out's first link_hold_us, then none.
    uint64_t release_us = add_capped(state->down_us, link_hold_us);
    add_span(state, start_us, min_of(end_us, release_us), state->last_good, false);
    add_span(state, max_of(start_us, release_us), end_us, 0, false);
}

}  // namespace

const char *plot_build(const plot_recording *recording, const plot_window &window,
                       plot_trace *trace)
{
    static char what[2 * seconds_text_size + 48];
    uint64_t period_us = recording->pace_us != 0 ? recording->pace_us : plot_default_pace_us;
    uint64_t length_us = lay_out(recording, period_us);
    if (window.from_us >= window.to_us) {
        return "the window ends before it starts";
    }
    if (window.from_us >= length_us) {
        char from[seconds_text_size];
        char length[seconds_text_size];
        seconds_text(window.from_us, from);
        seconds_text(length_us, length);
        snprintf(what, sizeof what, "the window starts at %s, past its end at %s", from, length);
        return what;
    }
    memcpy(trace->version, recording->version, sizeof trace->version);
    trace->timed = recording->timed;
    trace->default_pace = recording->pace_us == 0;
    trace->pace_us = static_cast<uint32_t>(period_us);
    trace->cut_short = !recording->ends;
    trace->length_us = length_us;
    trace->from_us = window.from_us;
    trace->to_us = min_of(window.to_us, length_us);
    trace->scans = trace->failed_scans = trace->pressed = 0;
    trace->step_count = trace->chatter_count = trace->dropout_count = 0;
    scan_chatter_start(&trace->chatter, window.chatter_ms);
    build_state state = {trace, 0, false, 0, false};
    for (uint32_t i = 0; i < recording->line_count; ++i) {
        uint64_t end_us = i + 1 < recording->line_count ? starts[i + 1] : length_us;
        add_line(&state, recording->lines[i], starts[i], end_us);
    }
    if (state.down) {
        end_dropout(&state, length_us);
    }
    if (!state.window_counts) {
        start_window_counts(&state);
    }
    return nullptr;
}
