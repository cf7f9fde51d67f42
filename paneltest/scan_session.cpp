#include "scan_session.h"

#include "monotonic_clock.h"
#include "scan_record.h"
#include "time_units.h"
#include "wzio.h"

namespace {

// The scan time of wz_io_read_inputs alone.
duration_window scan_times;

// The recording of --record FILE; not recording while its file is null.
scan_recording recording;

// The time between scan starts: the sampling period a view reaches.
duration_window scan_periods;
uint64_t last_scan_start_us = 0;

scan_link link;

// The recording's pace follows that period; its median is worked out a few
// times a second, not at every scan.
constexpr uint64_t pace_update_us = 250 * us_per_ms;
uint64_t next_pace_update_us = 0;

}  // namespace

bool scan_session_open_recording(const char *path)
{
    return scan_recording_open(&recording, path, view_version_line, &scan_times,
                               monotonic_clock_us());
}

bool scan_session_close_recording()
{
    return scan_recording_close(&recording, scan_session_period_us());
}

void scan_session_start()
{
    duration_window_start(&scan_times);
    duration_window_start(&scan_periods);
    next_pace_update_us = 0;
    scan_link_start(&link);
}

// Only wz_io_read_inputs is timed: it is the call that crosses the USB.
scan_reading scan_session_scan(cycle_counts *counts)
{
    uint64_t start_us = monotonic_clock_us();
    bool scan_ok = wz_io_read_inputs();
    duration_window_record(&scan_times, monotonic_clock_us() - start_us);
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
        scan_recording_pace(&recording, scan_session_period_us());
        next_pace_update_us = start_us + pace_update_us;
    }
    scan_recording_scan(&recording, reading.ok, reading.panel, reading.sys, start_us);
    return reading;
}

uint32_t scan_session_period_us()
{
    return duration_window_figures(&scan_periods).median_us;
}

scan_timing_figures scan_session_scan_time()
{
    return duration_window_figures(&scan_times);
}

const scan_link *scan_session_link()
{
    return &link;
}
