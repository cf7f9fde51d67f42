// The scripted board's script: loaded from a frame script (README.md,
// "Frame scripts") and kept for its playback.
#ifndef BOARD_SCRIPT_LOAD_H
#define BOARD_SCRIPT_LOAD_H

#include <stdint.h>

#include "frame_line.h"
#include "frame_script_limits.h"
#include "script_statements.h"

// An unplug-ms line, before the frame line it names (frame_count: after the
// last, before the next pass).
struct script_unplug {
    uint32_t before_line;
    uint64_t gone_us;
};

// A frame line of the decoded form holds its bytes, through the board's wiring.
struct loaded_script {
    frame_line frames[frame_script_max_frame_lines];
    uint32_t frame_count;
    script_statements set;                                // its timing, pace-us and end line
    script_unplug unplugs[frame_script_max_frame_lines];  // in order
    uint32_t unplug_count;
};

// Loads the script at path in place of the last one and starts its playback
// over; false, with one line on stderr, on any fault.
bool board_script_load(const char *path);

// The pace-us line of the loaded script: scans start at least this many
// microseconds apart; 0 when it has none, or its lines are timed.
uint32_t board_script_pace_us();

// The script loaded last.
const loaded_script &board_script_loaded();

#endif
