// The chatter bookkeeping of paneltest --chatter: per input its presses, the
// presses that came too soon after its release, and its shortest gap and
// hold, as plain functions over scan results and their times. Nothing here
// scans, reads a clock or prints. Inputs are numbered and named as
// panel_inputs.h does.
//
// The counts go by rounds, one button after another: the space key ends
// every input's round, and each input starts its next one at its next press.
// An input not pressed since keeps its latest round.
#ifndef PANELTEST_SCAN_CHATTER_H
#define PANELTEST_SCAN_CHATTER_H

#include <stddef.h>
#include <stdint.h>

#include "panel_inputs.h"

constexpr uint32_t chatter_default_ms = 30;  // the default threshold
constexpr uint32_t chatter_min_ms = 1, chatter_max_ms = 1000;
// Room for the longest line, every count and time at its largest.
constexpr size_t chatter_line_size = 160;
constexpr uint64_t chatter_no_time = UINT64_MAX;  // no gap / no hold yet

// The counts are the input's latest round.
struct chatter_input {
    uint32_t presses;
    uint32_t chatters;          // presses less than the threshold after a release
    uint64_t shortest_gap_us;   // a release to the next press
    uint64_t shortest_hold_us;  // a press to its release
    uint64_t pressed_us;        // the round's latest press; chatter_no_time if none
    uint64_t released_us;       // the round's latest release; chatter_no_time if none
    uint32_t earlier_chatters;  // the chatter of the input's earlier rounds
    bool round_ended;           // by the space key: the next press starts a round
};

struct scan_chatter {
    uint32_t threshold_us;
    uint32_t active;  // inputs active as of the last good scan
    uint32_t round;   // the rounds begun, the first one included
    chatter_input inputs[input_count];
};

// Every count zero, every input released; threshold_ms from chatter_min_ms to chatter_max_ms.
void scan_chatter_start(scan_chatter *chatter, uint32_t threshold_ms);

// The space key: ends every input's round. Each one's next press starts its
// next round with that press alone: no gap and no chatter, and a hold begun
// before is not counted. Until then an input keeps its latest round.
void scan_chatter_next_round(scan_chatter *chatter);

// Feeds one scan: its inputs (inputs_of) and its start time in
// monotonic microseconds. A failed scan is neither a press nor a release.
void scan_chatter_scan(scan_chatter *chatter, bool scan_ok, uint32_t active, uint64_t now_us);

// The input whose latest round has the most chatter, the first in step
// order on a tie; -1 when none chattered.
int scan_chatter_worst(const scan_chatter *chatter);

// No input's latest round chattered and no scan failed (exit status 0).
bool scan_chatter_passed(const scan_chatter *chatter, uint32_t failed_scans);

// Texts, written into buffer (truncated to size, always terminated), times in
// ms to one decimal, "--" for none, the plural kept for 1 so each has one form:
// the latest round, "panel 5: 12 presses, 3 chatter, shortest gap 3.6 ms, shortest hold 2.4 ms";
void scan_chatter_format_round(const scan_chatter *chatter, int input, char *buffer, size_t size);
// the same, then ", earlier rounds 5 chatter" when those chattered;
void scan_chatter_format_input(const scan_chatter *chatter, int input, char *buffer, size_t size);
// "chatter: 1 of 2 pressed inputs chatter, threshold 30 ms, sampling 1210 us",
// which counts the inputs whose latest round chattered.
void scan_chatter_format_total(const scan_chatter *chatter, uint32_t sampling_us, char *buffer,
                               size_t size);

#endif
