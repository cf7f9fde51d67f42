// What main.cpp and paneltest's views share: the settings a view runs with,
// its scan counts and the exit statuses. Each view has its loop and its
// screen in a file of its own (view_live.h, view_events.h, view_check.h,
// view_chatter.h); main.cpp reads the command line, runs one view and, once
// the bridge and the console are let go, has it print its last lines.
#ifndef PANELTEST_VIEW_H
#define PANELTEST_VIEW_H

#include <stdint.h>

#include "io_version.h"

// First on every screen, so a photo of it tells which build was running.
constexpr char view_version_line[] = "paneltest " IO_VERSION_TEXT "\n";

constexpr int exit_done = 0;
constexpr int exit_no_bridge = -1;
constexpr int exit_scans_failed = -2;
constexpr int exit_bad_arguments = -3;
constexpr int exit_check_failed = -4;
constexpr int exit_chatter_found = -5;

struct view_settings {
    uint32_t scan_limit;  // 0: until Escape (or the check's end)
    uint32_t settle_ms;
    uint32_t chatter_ms;  // the chatter threshold, of --chatter and the check
};

struct cycle_counts {
    uint32_t scans;
    uint32_t failed;
};

#endif
