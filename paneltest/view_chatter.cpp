// The chatter view: scans back to back, as fast as the bridge answers, and
// counts for every input its presses and the presses that came too soon
// after its release (scan_chatter.h). The screen and the keys go on a clock
// of their own, so that drawing never takes the sampling's time.
#include "view_chatter.h"

#include <stdio.h>

#include "console.h"
#include "monotonic_clock.h"
#include "panel_inputs.h"
#include "scan_chatter.h"
#include "scan_session.h"
#include "time_units.h"
#include "view_end.h"
#include "view_screen.h"

namespace {

// About 30 screens a second: a person sees no more, and every redraw under
// Wine's console is a round trip that the scans would wait for.
constexpr uint64_t redraw_period_us = 33333;

constexpr char chatter_rule[] = "-------------------------------------------------------------\n";
constexpr char chatter_screen_start[] =
    "Chatter: press a button 20 to 30 times, space, the next button; escape ends\n";

scan_chatter chatter;

// A cell of the grid: the input's presses and its chatter events.
void format_cell(int input, const void *)
{
    const chatter_input &counts = chatter.inputs[input];
    console_screen_printf("%6lu/%-4lu", static_cast<unsigned long>(counts.presses),
                          static_cast<unsigned long>(counts.chatters));
}

void show_chatter_screen(const cycle_counts &counts, bool scan_ok)
{
    console_screen_printf("%s%sPanel buttons, presses/chatter\n%s", view_version_line,
                          chatter_screen_start, chatter_rule);
    view_format_grid(chatter_rule, format_cell, nullptr);

    int worst = scan_chatter_worst(&chatter);
    if (worst < 0) {
        console_screen_printf("most chatter: none, no input has chattered\n\n");
    } else {
        char line[chatter_line_size];
        scan_chatter_format_round(&chatter, worst, line, sizeof line);
        console_screen_printf("most chatter:\n%s\n", line);
    }
    uint32_t sampling_us = scan_session_period_us();
    console_screen_printf("threshold:   %lu ms\n",
                          static_cast<unsigned long>(chatter.threshold_us / us_per_ms));
    if (counts.scans < 2) {
        console_screen_printf("sampling:    --\n");
    } else {
        console_screen_printf("sampling:    %lu us\n", static_cast<unsigned long>(sampling_us));
    }
    console_screen_printf("round:       %lu, space starts the next at each input's next press\n",
                          static_cast<unsigned long>(chatter.round));
    console_screen_printf("scans:       %lu\n", static_cast<unsigned long>(counts.scans));
    view_format_screen_end(counts.failed, scan_ok);
    console_screen_show();
}

}  // namespace

void chatter_view_run(const view_settings &settings, cycle_counts *counts)
{
    scan_chatter_start(&chatter, settings.chatter_ms);
    // Escape before the first scan ends the view with none made.
    if (view_should_end(console_keys_pressed())) {
        return;
    }
    show_chatter_screen(*counts, true);
    uint64_t next_redraw_us = monotonic_clock_us() + redraw_period_us;
    bool scan_ok = true;
    for (;;) {
        scan_reading reading = scan_session_scan(counts);
        scan_ok = reading.ok;
        scan_chatter_scan(&chatter, reading.ok, inputs_of(reading.panel, reading.sys),
                          reading.started_us);
        if (view_scan_limit_reached(settings, *counts)) {
            break;
        }
        if (reading.started_us < next_redraw_us) {
            continue;
        }
        unsigned int keys = console_keys_pressed();
        if (view_should_end(keys)) {
            break;
        }
        if ((keys & console_key_space) != 0) {
            scan_chatter_next_round(&chatter);
        }
        show_chatter_screen(*counts, scan_ok);
        // A slow redraw does not bunch the next ones up.
        next_redraw_us += redraw_period_us;
        uint64_t now_us = monotonic_clock_us();
        if (next_redraw_us < now_us) {
            next_redraw_us = now_us + redraw_period_us;
        }
    }
    show_chatter_screen(*counts, scan_ok);
}

// The scan counts, one line per input pressed at least once with its latest
// round, in step order, and the total: the form scripts read.
int chatter_view_finish(const cycle_counts &counts)
{
    view_print_ended(counts);
    char line[chatter_line_size];
    for (int input = 0; input < input_count; ++input) {
        if (chatter.inputs[input].presses != 0) {
            scan_chatter_format_input(&chatter, input, line, sizeof line);
            puts(line);
        }
    }
    scan_chatter_format_total(&chatter, scan_session_period_us(), line, sizeof line);
    puts(line);
    view_print_link_dropouts();
    return scan_chatter_passed(&chatter, counts.failed) ? exit_done : exit_chatter_found;
}
