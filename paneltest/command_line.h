// paneltest's command line: its options read into the view to run and its
// settings (or the recording to draw), the complaint about a wrong one, and
// the usage. Nothing here prints or touches the bridge; main.cpp does both.
#ifndef PANELTEST_COMMAND_LINE_H
#define PANELTEST_COMMAND_LINE_H

#include <stdint.h>

#include "plot_run.h"
#include "view.h"

// Beyond a billion scans (two months at full speed) Escape is the way to go on.
constexpr uint32_t min_scan_limit = 1, max_scan_limit = 1000000000;
constexpr uint32_t default_settle_ms = 2000;
constexpr uint32_t min_settle_ms = 0, max_settle_ms = 60000;

enum class command_line_verdict { run, show_usage, show_version, wrong };

enum class view_kind { live, events, check, chatter };

struct command_line {
    command_line_verdict verdict;
    view_kind shown;
    view_settings settings;
    const char *record_path;  // null: no recording
    plot_settings plot;       // recording null: a view runs instead
    const char *complaint;    // with wrong, the line before the usage; else null
};

// Reads argv afresh on every call (getopt_long may reorder it). The complaint
// is the command line's own text, kept until the next call.
command_line command_line_read(int argc, char **argv);

// The usage, with the ranges, defaults and exit statuses of the constants above
// and of view.h and scan_chatter.h.
const char *command_line_usage();

#endif
