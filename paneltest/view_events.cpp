// The event view scans at the live view's pace; its lines are scan_events.h's.
#include "view_events.h"

#include <stdio.h>

#include "console.h"
#include "panel_inputs.h"
#include "scan_events.h"
#include "scan_session.h"
#include "view_end.h"
#include "view_screen.h"

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
        scan_reading reading = scan_session_scan(counts);
        scan_events_scan(&events, reading.ok, inputs_of(reading.panel, reading.sys),
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
