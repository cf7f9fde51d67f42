// The wiring check runs until every step has its verdict, Escape ends it or
// the scan limit is reached; then come the scan time and one line per input.
#include "view_check.h"

#include <stdio.h>

#include "console.h"
#include "monotonic_clock.h"
#include "panel_inputs.h"
#include "scan_session.h"
#include "view_end.h"
#include "view_screen.h"
#include "wiring_check.h"
#include "wiring_check_text.h"

namespace {

// Room for the longest check line: one input short with all eighteen others.
constexpr size_t check_text_size = 256;

constexpr char check_screen_start[] = "Wiring check, press escape to end it\n";

wiring_check check;

void show_check_screen(const scan_reading &reading, const cycle_counts &counts)
{
    char text[check_text_size];
    wiring_check_format_prompt(&check, text, sizeof text);
    console_screen_printf("%s%s%s\n", view_version_line, check_screen_start, text);
    // A row of its own, blank while the prompt waits on nothing, so the grid stays put.
    wiring_check_format_waiting(&check, text, sizeof text);
    console_screen_printf("%s\nPanel buttons\n%s", text, view_screen_rule);
    view_format_inputs(reading.panel, reading.sys);
    console_screen_printf("ok so far:   %d of %d\n", wiring_check_ok_count(&check), input_count);
    wiring_check_format_last(&check, text, sizeof text);
    console_screen_printf("last result: %s\n", text);
    console_screen_printf("scans:       %lu\n", static_cast<unsigned long>(counts.scans));
    view_format_screen_end(counts.failed, reading.ok);
    console_screen_show();
}

}  // namespace

void check_view_run(const view_settings &settings, cycle_counts *counts)
{
    wiring_check_start(&check, settings.settle_ms, settings.chatter_ms, monotonic_clock_us());
    for (;;) {
        unsigned int keys = console_keys_pressed();
        if (view_should_end(keys)) {
            return;
        }
        // Space answers the prompt on screen, the one from before this cycle's scan.
        if ((keys & console_key_space) != 0) {
            wiring_check_skip(&check);
        }
        scan_reading reading = scan_session_scan(counts);
        wiring_check_scan(&check, reading.ok, inputs_of(reading.panel, reading.sys),
                          monotonic_clock_us());
        show_check_screen(reading, *counts);
        if (check.phase == check_phase::done || view_scan_limit_reached(settings, *counts)) {
            return;
        }
        console_pause();
    }
}

// One line per input in step order, then the total: the form scripts read.
int check_view_finish(const cycle_counts &counts)
{
    view_print_ended(counts);
    char text[check_text_size];
    view_format_scan_time(text, sizeof text);
    puts(text);
    for (int input = 0; input < input_count; ++input) {
        wiring_check_format_result(&check, input, text, sizeof text);
        puts(text);
    }
    wiring_check_format_total(&check, text, sizeof text);
    puts(text);
    view_print_link_dropouts();
    return wiring_check_passed(&check) ? exit_done : exit_check_failed;
}
