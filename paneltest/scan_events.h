// The event view of paneltest --events: every press and release of every
// input, and every link drop-out (scan_link.h), as one line with its time,
// as plain functions over scan results. Nothing here scans, reads a clock
// or prints; view_events.cpp feeds it every cycle. Inputs are numbered and
// named as panel_inputs.h does.
#ifndef PANELTEST_SCAN_EVENTS_H
#define PANELTEST_SCAN_EVENTS_H

#include <stddef.h>
#include <stdint.h>

#include "scan_link.h"
#include "panel_inputs.h"

// Room for the longest line: "4294967295.999 s, scan 4294967295: link back after ...".
constexpr size_t scan_events_line_size = 160;

struct scan_events {
    uint32_t scans;
    uint32_t failed;
    uint32_t edges;
    uint64_t first_us;                 // when scan 1 was made
    uint32_t active;                   // the inputs pressed as of the last good scan
    uint64_t pressed_ms[input_count];  // since scan 1: when each active input went active
    uint64_t scan_ms;                  // since scan 1: when the latest scan was made
    scan_link link;
    bool link_line;       // the latest scan began or ended a drop-out and its line is not out yet
    bool link_held_gone;  // inputs were active as the drop-out began and a game saw them go
    uint32_t unreported;  // inputs whose edge in the latest scan has no line yet
};

// Before the first scan every input counts as released.
void scan_events_start(scan_events *events);

// Feeds one scan made at now_us (monotonic microseconds). A failed scan
// changes no input: whatever the library reports for it (the last good
// inputs, or every input released) is neither a press nor a release. The
// next good scan is compared with the last good one.
void scan_events_scan(scan_events *events, bool scan_ok, uint32_t active, uint64_t now_us);

// The next line of the latest scan, in order: the drop-out's, "1.234 s, scan
// 247: scan failed" at its first failed scan, "... link back after 1.520 s,
// 304 scans failed" at the good scan after it (with "; a game saw the held
// inputs released from 50 ms on" when inputs were active as it began and a
// failed scan came 50 ms or more into it); then the edges, "... panel 5
// pressed", "... released after 80 ms", panel inputs before system inputs,
// each ascending. False when the scan has no line left. Call it until false
// after every scan, before the next.
bool scan_events_next_line(scan_events *events, char *buffer, size_t size);

// At the end of the run: "... link still down at the end, 1.520 s, 304 scans
// failed" (and the held inputs' words) at the latest scan's time, for a
// drop-out still open; false, with buffer untouched, when there is none.
bool scan_events_end_line(const scan_events *events, char *buffer, size_t size);

// "events: N scans, M failed, K edges".
void scan_events_format_summary(const scan_events *events, char *buffer, size_t size);

#endif
