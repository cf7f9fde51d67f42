// The event view of paneltest --events: every press and release of every
// input as one line with its time, as plain functions over scan results.
// Nothing here scans, reads a clock or prints; main.cpp feeds it every cycle.
// Inputs are numbered and named as in the wiring check (wiring_check.h).
#ifndef PANELTEST_SCAN_EVENTS_H
#define PANELTEST_SCAN_EVENTS_H

#include <stddef.h>
#include <stdint.h>

#include "wiring_check.h"

// Room for the longest line: "4294967295.999 s, scan 4294967295: panel 15 released after ... ms".
constexpr size_t scan_events_line_size = 96;

struct scan_events {
    uint32_t scans;
    uint32_t failed;
    uint32_t edges;
    uint64_t first_ms;                       // when scan 1 was made
    uint32_t active;                         // the inputs pressed as of the last good scan
    uint64_t pressed_ms[check_input_count];  // since scan 1: when each active input went active
    uint64_t scan_ms;                        // since scan 1: when the latest scan was made
    bool scan_failed;                        // the latest scan failed and its line is not out yet
    uint32_t unreported;                     // inputs whose edge in the latest scan has no line yet
};

// Before the first scan every input counts as released.
void scan_events_start(scan_events *events);

// Feeds one scan made at now_ms (monotonic milliseconds). A failed scan
// changes no input: the library reports it with every input released, which
// is neither a press nor a release.
void scan_events_scan(scan_events *events, bool scan_ok, uint32_t active, uint64_t now_ms);

// The next line of the latest scan, in order: "1.234 s, scan 247: panel 5
// pressed", "... released after 80 ms", "... scan failed"; panel inputs before
// system inputs, each ascending. False when the scan has no line left. Call
// it until false after every scan, before the next.
bool scan_events_next_line(scan_events *events, char *buffer, size_t size);

// "events: N scans, M failed, K edges".
void scan_events_format_summary(const scan_events *events, char *buffer, size_t size);

#endif
