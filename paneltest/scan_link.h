// The link drop-outs of a run: each run of failed scans, from the first
// failed scan after a good one (or from the first scan) to the next good
// scan, whose length is the time between those two. Plain functions over
// scan results and their times; nothing here scans, reads a clock or prints.
#ifndef PANELTEST_SCAN_LINK_H
#define PANELTEST_SCAN_LINK_H

#include <stddef.h>
#include <stdint.h>

#include "time_units.h"
#include "wzio.h"

// How long into a drop-out the library keeps the last good scan's inputs;
// from then on it reports every input released until a good scan.
constexpr uint64_t link_hold_us = uint64_t{WZ_IO_LINK_HOLD_MS} * us_per_ms;

// "link drop-outs: 4294967295, longest 4294967295.99 s, last ..." with room to spare.
constexpr size_t link_line_size = 96;

struct scan_link {
    uint32_t dropouts;     // so far, the open one included
    uint64_t longest_us;   // the open one counts with its length so far
    uint64_t last_us;      // the latest one's length, so far while it is open
    bool good_seen;        // a good scan was made; while down, before the drop-out
    bool down;             // the latest scan failed
    bool back;             // the latest scan was good and ended a drop-out
    bool reached_release;  // the latest drop-out had a failed scan link_hold_us or more into it
    uint64_t down_us;      // the latest drop-out's first failed scan
    uint32_t down_scans;   // the failed scans of the latest drop-out
};

void scan_link_start(scan_link *link);

// Feeds one scan: whether it succeeded and its start time in monotonic microseconds.
void scan_link_scan(scan_link *link, bool scan_ok, uint64_t now_us);

// The latest scan failed while the library still keeps the last good inputs:
// under link_hold_us into its drop-out, with a good scan before it.
bool scan_link_inputs_held(const scan_link *link);

// Texts, written into buffer (truncated to size, always terminated), times in
// seconds to two decimals, rounded:
// "link drop-outs: none" or "link drop-outs: 3, longest 1.52 s, last 0.02 s", for a screen;
void scan_link_format_screen(const scan_link *link, char *buffer, size_t size);
// "link drop-outs: 3, longest 1.52 s", the last of the last lines; false, with
// buffer untouched, when there was none.
bool scan_link_format_total(const scan_link *link, char *buffer, size_t size);

#endif
