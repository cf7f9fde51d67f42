// The statements of a frame script (sim/ch341dll/README.md, "Frame scripts"):
// frame lines, pace-us, unplug-ms and end, and the rules between them, read
// one line of words at a time by every program that reads a script.
#ifndef SCRIPT_STATEMENTS_H
#define SCRIPT_STATEMENTS_H

#include <stdint.h>

#include "frame_line.h"

// Whether the frame lines carry at-us=; a script holds one kind or the other.
enum class script_timing { not_known, timed, untimed };

// What the statements read so far have set.
struct script_statements {
    script_timing timing;
    bool paced;        // a pace-us line was read
    uint32_t pace_us;  // 0: none
    bool ends;         // an end line was read
    uint64_t end_at_us;
    uint64_t last_at_us;  // the latest timed line's at-us=
    uint32_t frame_lines;
    uint32_t unplug_lines;
};

enum class script_statement_kind { frame, unplug, pace, end, fault };

// What one line was.
struct script_statement {
    script_statement_kind kind;
    frame_line frame;   // frame: the line read
    uint64_t gone_us;   // unplug: how long the bridge is gone
    const char *fault;  // fault: what is wrong with the line
};

// Nothing read yet.
void script_statements_start(script_statements *statements);

// Reads the count words of one line (count of at least 1) against what the
// lines before it set, and records what it sets.
script_statement script_statements_read(script_statements *statements, char **words,
                                        uint32_t count);

#endif
