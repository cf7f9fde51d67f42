// The scans of a run, as every view makes them: each one through the calls a
// game makes, timed, counted and recorded (--record FILE), with the figures
// the screens show: the scan time, the period between scan starts and the
// link drop-outs.
#ifndef PANELTEST_SCAN_SESSION_H
#define PANELTEST_SCAN_SESSION_H

#include <stdint.h>

#include "scan_link.h"
#include "scan_timing.h"
#include "view.h"

// What one scan read, through the calls a game makes.
struct scan_reading {
    bool ok;
    uint16_t panel;
    uint8_t sys;
    uint64_t started_us;  // monotonic
};

// Creates the recording before the bridge is touched; false, with errno, when it cannot.
bool scan_session_open_recording(const char *path);

// Closes the recording, if any; false when writing to it failed.
bool scan_session_close_recording();

// Forgets the figures of an earlier run.
void scan_session_start();

// One scan, timed, counted and recorded. A failed scan is shown and
// counted, never fatal: a loose cable must show up.
scan_reading scan_session_scan(cycle_counts *counts);

// The median time between scan starts over the latest scans, the sampling
// period reached; 0 before the second scan. Takes a few microseconds.
uint32_t scan_session_period_us();

// The time of wz_io_read_inputs over the latest scans.
scan_timing_figures scan_session_scan_time();

// The link drop-outs of the run, by this program's clock.
const scan_link *scan_session_link();

#endif
