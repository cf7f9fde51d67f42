#include "view.h"

#include <stdio.h>

#include "console.h"
#include "monotonic_clock.h"
#include "scan_link.h"
#include "scan_record.h"
#include "scan_timing.h"
#include "wiring_check.h"
#include "wzio.h"

namespace {

// The recording of --record FILE; not recording while its file is null.
scan_recording recording;

// The time between scan starts: the sampling period a view reaches.
duration_window scan_periods;
uint64_t last_scan_start_us = 0;

// The link drop-outs of the run, by this program's clock.
scan_link link;

// The recording's pace follows that period; its median is worked out a few
// times a second, not at every scan.
constexpr uint64_t pace_update_us = 250000;
uint64_t next_pace_update_us = 0;

// The panel grid as the library numbers it: bit 0 top left, row by row.
constexpr int panel_rows = 4;
constexpr int panel_columns = 4;
static_assert(panel_rows * panel_columns == check_panel_count, "one cell per panel button");

// The live view's and the check's cell: 1 while the input is active.
void format_state_cell(int input, const void *context)
{
    uint32_t inputs = *static_cast<const uint32_t *>(context);
    console_screen_printf(" %d", static_cast<int>((inputs >> input) & 1u));
}

}  // namespace

bool view_recording_open(const char *path)
{
    return scan_recording_open(&recording, path, view_version_line, monotonic_clock_us());
}

bool view_recording_close()
{
    return scan_recording_close(&recording, view_scan_period_us());
}

void view_start_scans()
{
    scan_timing_start();
    duration_window_start(&scan_periods);
    next_pace_update_us = 0;
    scan_link_start(&link);
}

// Only wz_io_read_inputs is timed: it is the call that crosses the USB.
scan_reading view_scan(cycle_counts *counts)
{
    uint64_t start_us = monotonic_clock_us();
    bool scan_ok = wz_io_read_inputs();
    scan_timing_record(monotonic_clock_us() - start_us);
    if (counts->scans != 0) {
        duration_window_record(&scan_periods, start_us - last_scan_start_us);
    }
    last_scan_start_us = start_us;
    ++counts->scans;
    if (!scan_ok) {
        ++counts->failed;
    }
    scan_link_scan(&link, scan_ok, start_us);
    scan_reading reading = {scan_ok, wz_io_get_panel_inputs(), wz_io_get_sys_inputs(), start_us};
    if (recording.file != nullptr && start_us >= next_pace_update_us) {
        scan_recording_pace(&recording, view_scan_period_us());
        next_pace_update_us = start_us + pace_update_us;
    }
    scan_recording_scan(&recording, reading.ok, reading.panel, reading.sys, start_us);
    return reading;
}

uint32_t view_scan_period_us()
{
    return duration_window_figures(&scan_periods).median_us;
}

bool view_should_end(unsigned int keys)
{
    return (keys & console_key_escape) != 0 || console_interruption() != nullptr;
}

bool view_scan_limit_reached(const view_settings &settings, const cycle_counts &counts)
{
    return settings.scan_limit != 0 && counts.scans == settings.scan_limit;
}

void view_format_scan_time(char *line, size_t size)
{
    scan_timing_figures time = scan_timing_now();
    if (time.count == 0) {
        snprintf(line, size, "scan time:   --");
        return;
    }
    snprintf(line, size, "scan time:   min %lu us, median %lu us, max %lu us",
             static_cast<unsigned long>(time.min_us), static_cast<unsigned long>(time.median_us),
             static_cast<unsigned long>(time.max_us));
}

void view_format_inputs(uint16_t panel, uint8_t sys)
{
    uint32_t inputs = wiring_check_inputs_of(panel, sys);
    view_format_grid(view_screen_rule, format_state_cell, &inputs);
}

void view_format_grid(const char *rule, view_cell_format format_cell, const void *context)
{
    for (int row = 0; row < panel_rows; ++row) {
        for (int column = 0; column < panel_columns; ++column) {
            int button = row * panel_columns + column;
            console_screen_printf("|%2d:", button);
            format_cell(button, context);
        }
        console_screen_printf("|\n");
    }
    console_screen_printf("%sSystem inputs\n", rule);
    for (int input = check_panel_count; input < check_input_count; ++input) {
        console_screen_printf("|%2d:", input - check_panel_count);
        format_cell(input, context);
    }
    console_screen_printf("|\n%s", rule);
}

void view_format_screen_end(uint32_t failed, bool scan_ok)
{
    char line[scan_time_line_size];
    view_format_scan_time(line, sizeof line);
    console_screen_printf("%s\nfailed:      %lu\n", line, static_cast<unsigned long>(failed));
    char dropouts[link_line_size];
    scan_link_format_screen(&link, dropouts, sizeof dropouts);
    // Early in a drop-out the library keeps the last good inputs, later it
    // reports every input released: say which the grid shows.
    const char *last_scan = scan_ok ? "ok"
                            : scan_link_inputs_held(&link)
                                ? "FAILED, inputs held from the last good scan"
                                : "FAILED, inputs shown as released";
    console_screen_printf("%s\nlast scan:   %s\n", dropouts, last_scan);
}

void view_print_link_dropouts()
{
    char line[link_line_size];
    if (scan_link_format_total(&link, line, sizeof line)) {
        puts(line);
    }
}

void view_print_ended(const cycle_counts &counts)
{
    printf("Ended after %lu scans, %lu failed\n", static_cast<unsigned long>(counts.scans),
           static_cast<unsigned long>(counts.failed));
}
