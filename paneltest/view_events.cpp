// The event view, at the live view's pace: a line for every edge as it
// happens (scan_events.h), and the summary at the end.
#include <stdio.h>

#include "console.h"
#include "scan_events.h"
#include "view.h"

namespace {

scan_events events;

}  // namespace

void events_view_run(const view_settings &settings, cycle_counts *counts)
{
    scan_events_start(&events);
    // A saved log tells which build made it.
    fputs(view_version_line, stdout);
    char line[scan_events_line_size];
    for (;;) {
        if (view_should_end(console_keys_pressed())) {
            return;
        }
        scan_reading reading = view_scan(counts);
        scan_events_scan(&events, reading.ok, wiring_check_inputs_of(reading.panel, reading.sys),
                         reading.started_us);
        while (scan_events_next_line(&events, line, sizeof line)) {
            puts(line);
        }
        // Out now, not when a buffer fills: a script or a person is watching.
        fflush(stdout);
        if (view_scan_limit_reached(settings, *counts)) {
            return;
        }
        console_pause();
    }
}

int events_view_finish(const cycle_counts &counts)
{
    char line[scan_events_line_size];
    if (scan_events_end_line(&events, line, sizeof line)) {
        puts(line);
    }
    scan_events_format_summary(&events, line, sizeof line);
    puts(line);
    view_print_link_dropouts();
    return counts.failed == 0 ? exit_done : exit_scans_failed;
}
