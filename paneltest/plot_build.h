// A recording's lines laid on its time line (paneltest/README.md, "The
// picture of a recording"): plot_read.h reads them from a file, this fills a
// trace (plot_trace.h) for a window of it. Nothing here reads a file or a clock.
#ifndef PANELTEST_PLOT_BUILD_H
#define PANELTEST_PLOT_BUILD_H

#include <stdint.h>

#include "frame_script_limits.h"
#include "plot_trace.h"

// A frame line, or an unplug-ms line (unplug, count its milliseconds).
struct plot_line {
    uint64_t at_us;   // a timed frame line's at-us=
    uint32_t count;   // a frame line's repeat=
    uint32_t inputs;  // a frame line's, as panel_inputs.h numbers them
    bool unplug;
    bool failed;  // a frame line whose scans fail
};

struct plot_recording {
    char version[plot_version_size];  // empty if none
    bool timed;
    uint32_t pace_us;  // 0: none
    bool ends;
    uint64_t end_at_us;  // a timed end line's
    uint32_t line_count;
    plot_line lines[2 * frame_script_max_frame_lines];
};

// The part of the recording to draw, [from_us, to_us) (to_us past the end: to
// the end), and the chatter threshold.
struct plot_window {
    uint64_t from_us;
    uint64_t to_us;
    uint32_t chatter_ms;
};

// Fills *trace from a recording of at least one frame line; null, or what is
// wrong with the window.
const char *plot_build(const plot_recording *recording, const plot_window &window,
                       plot_trace *trace);

#endif
