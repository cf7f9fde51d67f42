// The chatter bookkeeping of paneltest --chatter: per input its presses, the
// presses that came too soon after its release, and its shortest gap and
// hold, as plain functions over scan results and their times. Nothing here
// scans, reads a clock or prints. Inputs are numbered and named as in the
// wiring check (wiring_check.h).
#ifndef PANELTEST_SCAN_CHATTER_H
#define PANELTEST_SCAN_CHATTER_H

#include <stddef.h>
#include <stdint.h>

#include "wiring_check.h"

constexpr uint32_t chatter_default_ms = 30;  // the default threshold
constexpr uint32_t chatter_min_ms = 1, chatter_max_ms = 1000;
// Room for the longest line, every count and time at its largest.
constexpr size_t chatter_line_size = 128;
constexpr uint64_t chatter_no_time = UINT64_MAX;  // no gap / no hold yet

struct chatter_input {
    uint32_t presses;
    uint32_t chatters;          // presses less than the threshold after a release
    uint64_t shortest_gap_us;   // a release to the next press
    uint64_t shortest_hold_us;  // a press to its release
    uint64_t pressed_us;        // the latest counted press; chatter_no_time if none
    uint64_t released_us;       // the latest release since the start; chatter_no_time if none
};

struct scan_chatter {
    uint32_t threshold_us;
    uint32_t active;  // inputs active as of the last good scan
    chatter_input inputs[check_input_count];
};

// Every count zero, every input released; threshold_ms from chatter_min_ms to chatter_max_ms.
void scan_chatter_start(scan_chatter *chatter, uint32_t threshold_ms);

// Every count zero, the threshold kept. Inputs held now stay active: their
// release counts no hold and no press, and the gap before their next press counts.
void scan_chatter_reset(scan_chatter *chatter);

// Feeds one scan: its inputs (wiring_check_inputs_of) and its start time in
// monotonic microseconds. A failed scan is neither a press nor a release.
void scan_chatter_scan(scan_chatter *chatter, bool scan_ok, uint32_t active, uint64_t now_us);

// The input with the most chatter, the first in step order on a tie; -1 when none chattered.
int scan_chatter_worst(const scan_chatter *chatter);

// The inputs pressed at least once.
int scan_chatter_pressed_count(const scan_chatter *chatter);

// Whether any input chattered.
bool scan_chatter_any(const scan_chatter *chatter);

// Texts, written into buffer (truncated to size, always terminated), times in
// ms to one decimal, "--" for none, the plural kept for 1 so each has one form:
// "panel 5: 12 presses, 3 chatter, shortest gap 3.6 ms, shortest hold 2.4 ms";
void scan_chatter_format_input(const scan_chatter *chatter, int input, char *buffer, size_t size);
// "chatter: 1 of 2 pressed inputs chatter, threshold 30 ms, sampling 1210 us".
void scan_chatter_format_total(const scan_chatter *chatter, uint32_t sampling_us, char *buffer,
                               size_t size);

#endif
