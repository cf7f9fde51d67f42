#include "view_live.h"

#include <stdio.h>

#include "console.h"
#include "monotonic_clock.h"
#include "scan_rate.h"
#include "scan_session.h"
#include "view_end.h"
#include "view_screen.h"

namespace {

scan_rate rate;

void show_live_screen(const scan_reading &reading, const cycle_counts &counts)
{
    console_screen_printf("%sPress escape to quit\nPanel buttons\n%s", view_version_line,
                          view_screen_rule);
    view_format_inputs(reading.panel, reading.sys);
    console_screen_printf("panel_state: 0x%04X\nsys_state:   0x%02X\n%s",
                          static_cast<unsigned int>(reading.panel),
                          static_cast<unsigned int>(reading.sys), view_screen_rule);
    console_screen_printf("scans:       %lu\n", static_cast<unsigned long>(counts.scans));
    int32_t per_second = scan_rate_per_second(&rate);
    if (per_second == scan_rate_unknown) {
        console_screen_printf("per second:  --\n");
    } else {
        console_screen_printf("per second:  %ld\n", static_cast<long>(per_second));
    }
    view_format_screen_end(counts.failed, reading.ok);
    console_screen_show();
}

}  // namespace

void live_view_run(const view_settings &settings, cycle_counts *counts)
{
    scan_rate_start(&rate, monotonic_clock_ms());
    for (;;) {
        if (view_should_end(console_keys_pressed())) {
            return;
        }
        scan_reading reading = scan_session_scan(counts);
        scan_rate_count(&rate, monotonic_clock_ms());
        show_live_screen(reading, *counts);
        if (view_scan_limit_reached(settings, *counts)) {
            return;
        }
        console_pause();
    }
}

int live_view_finish(const cycle_counts &counts)
{
    view_print_ended(counts);
    view_print_link_dropouts();
    return counts.failed == 0 ? exit_done : exit_scans_failed;
}
