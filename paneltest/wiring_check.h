// The guided wiring check of paneltest --check: the steps and verdicts as
// plain functions over scan results (their text is wiring_check_text.h).
// Nothing here scans, reads a key or prints; view_check.cpp feeds it every
// cycle. Inputs are numbered, and sets of them made, as panel_inputs.h does.
#ifndef PANELTEST_WIRING_CHECK_H
#define PANELTEST_WIRING_CHECK_H

#include <stdint.h>

#include "panel_inputs.h"
#include "time_units.h"

// A step that has seen nothing for this long, in good scans, hints at a dead input.
constexpr uint64_t check_unseen_us = 10 * uint64_t{us_per_s};

enum class check_verdict : uint8_t {
    not_reached,  // no verdict yet: the check ended before this input's step
    ok,           // only this input went active
    crossed,      // exactly one other input went active instead
    shorted,      // several inputs went active together
    stuck,        // still active when the settle time ran out; no step was run
    skipped,      // the operator skipped the step
    chatters,     // only this input went active, then again within the chatter threshold
};

struct check_result {
    check_verdict verdict;
    uint32_t with;  // crossed, shorted: the other inputs that went active
};

enum class check_phase : uint8_t {
    settling,          // waiting for every input to read idle, at most the settle time
    awaiting_press,    // waiting for the first scan that differs from idle
    awaiting_release,  // verdict taken; waiting for idle before the next step
    awaiting_quiet,    // released; a bounce of `bouncing` alone within the threshold is absorbed
    done,              // every step has its verdict
};

struct wiring_check {
    check_phase phase;
    int step;         // the input asked for while awaiting a press or its release
    int last_judged;  // the latest step that got its verdict, -1 before the first
    uint32_t stuck;   // inputs found stuck; idle means every other input inactive
    uint32_t settle_ms;
    uint32_t chatter_us;  // the threshold: a press sooner than this after a release is a bounce
    uint64_t started_us;
    uint64_t released_us;  // when the step's inputs last read idle
    uint32_t bouncing;     // the input whose bounce the wait absorbs: the asked one or its partner
    uint32_t failed_scans;
    bool link_down;           // the latest scan failed: the bridge is not answering
    uint64_t scanned_us;      // the latest scan, or the start
    uint32_t active;          // active at the last good scan, stuck inputs left out
    uint64_t unseen_us;       // the step's time awaiting its press, between good scans
    uint64_t last_unseen_us;  // the latest good scan of that wait; UINT64_MAX after a failed one
    check_result results[input_count];
    uint32_t shortest_gap_us[input_count];  // chatters: its shortest release-to-press gap
};

// Starts a check at now_us (monotonic microseconds) in the settling phase.
// chatter_ms is the chatter threshold, 1 to 1000 (scan_chatter.h).
void wiring_check_start(wiring_check *check, uint32_t settle_ms, uint32_t chatter_ms,
                        uint64_t now_us);

// Feeds the result of one scan made at now_us. A failed scan is counted and
// otherwise ignored: whatever the library reports for it is neither a press
// nor a release, and the settle time waits for the bridge to answer again.
//
// A step's verdict is taken from its first scan that differs from idle:
// only the asked input active is ok, one other instead is crossed with it,
// any other set is short with every input in it but the asked one.
// A step ends when every input reads idle. After an ok or crossed step the
// input that went active must then stay idle for the threshold: going active
// alone sooner is a bounce (an ok input chatters) and its release is awaited
// again. Any other set going active is the next step's press. The last step
// waits out the threshold too, so a bounce of the last input is seen.
void wiring_check_scan(wiring_check *check, bool scan_ok, uint32_t active, uint64_t now_us);

// True once the step has awaited its press for check_unseen_us of good
// scans: time across a failed scan does not count.
bool wiring_check_unseen(const wiring_check *check);

// The skip key: skips the step while it awaits a press; does nothing otherwise.
void wiring_check_skip(wiring_check *check);

int wiring_check_ok_count(const wiring_check *check);

// All inputs ok and no scan failed (exit status 0).
bool wiring_check_passed(const wiring_check *check);

#endif
