// A recording as paneltest --plot draws and dumps it: the inputs as a game
// saw them over the window, the link, every chatter and every drop-out, and
// the counts of the picture's header. plot_read.h fills one from a frame
// script; plot_svg.h and plot_vcd.h write it. Times are microseconds from the
// recording's start; nothing here reads a clock or the heap.
#ifndef PANELTEST_PLOT_TRACE_H
#define PANELTEST_PLOT_TRACE_H

#include <stddef.h>
#include <stdint.h>

#include "frame_script_limits.h"
#include "panel_inputs.h"
#include "scan_chatter.h"

// Every frame line and unplug-ms line a step, a drop-out's hold ending
// another, the end one more.
constexpr uint32_t plot_max_steps = 3 * frame_script_max_frame_lines + 2;
// One frame line may press several inputs: past this many the marks stop, the counts go on.
constexpr uint32_t plot_max_chatters = frame_script_max_frame_lines;
constexpr uint32_t plot_max_dropouts = frame_script_max_frame_lines;
// "paneltest 1.2.3 (abcdef0)" and more, without the "# " and the line end.
constexpr size_t plot_version_size = 96;
// A scan a line, where the script has no pace-us.
constexpr uint32_t plot_default_pace_us = 5000;

// From at_us on, until the next step's at_us (the last until the window's end).
struct plot_step {
    uint64_t at_us;
    uint32_t inputs;  // as a game saw them: through a drop-out the last good
                      // scan's for link_hold_us, then none
    bool link_up;     // false through each failed scan and unplug
};

// A press that came less than the threshold after the same input's release.
struct plot_chatter {
    uint64_t at_us;
    uint64_t gap_us;  // since that release
    uint8_t input;    // as panel_inputs.h numbers them
};

// A run of failed scans or an unplug: from its first failed scan to the next good one.
struct plot_dropout {
    uint64_t from_us;
    uint64_t to_us;  // the window's end for one still open there
};

struct plot_trace {
    char version[plot_version_size];  // the recording's first comment line; empty if none
    bool timed;                       // at-us= lines; else a scan a pace period
    bool default_pace;                // untimed without pace-us: plot_default_pace_us
    uint32_t pace_us;                 // the period untimed lines were given
    bool cut_short;                   // no end line: ends a scan period after its last line
    uint64_t length_us;               // the whole recording's
    uint64_t from_us, to_us;          // the window; the steps lie within it
    uint32_t scans, failed_scans;     // in the window (an unplug counts no scan)
    uint32_t pressed;                 // the inputs active at some step of the window
    scan_chatter chatter;             // the window's presses and chatter, --chatter's counts
    uint32_t step_count;
    plot_step steps[plot_max_steps];  // steps[0].at_us == from_us
    uint32_t chatter_count;
    plot_chatter chatters[plot_max_chatters];
    uint32_t dropout_count;
    plot_dropout dropouts[plot_max_dropouts];
};

#endif
