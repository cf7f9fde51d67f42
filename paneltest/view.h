// What paneltest's views share: one scan through the calls a game makes,
// its counts and times, the recording, and the screen parts that are alike.
// Each view (view_live.cpp, view_events.cpp, view_check.cpp,
// view_chatter.cpp) has its loop
// and its screen in a file of its own; main.cpp reads the command line,
// runs one view and, once the bridge and the console are let go, has it
// print its last lines.
#ifndef PANELTEST_VIEW_H
#define PANELTEST_VIEW_H

#include <stddef.h>
#include <stdint.h>

#include "io_version.h"

// First on every screen, so a photo of it tells which build was running.
constexpr char view_version_line[] = "paneltest " IO_VERSION_TEXT "\n";

constexpr char view_screen_rule[] = "-------------------------\n";

// "scan time:   min 4294967295 us, median ..." with room to spare.
constexpr size_t scan_time_line_size = 96;

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

// What one scan read, through the calls a game makes.
struct scan_reading {
    bool ok;
    uint16_t panel;
    uint8_t sys;
    uint64_t started_us;  // monotonic
};

// Creates the recording before the bridge is touched; false, with errno, when it cannot.
bool view_recording_open(const char *path);

// Closes the recording, if any; false when writing to it failed.
bool view_recording_close();

// Forgets the scan time and period figures of an earlier run.
void view_start_scans();

// One scan, timed, counted and recorded. A failed scan is shown and
// counted, never fatal: a loose cable must show up.
scan_reading view_scan(cycle_counts *counts);

// The median time between scan starts over the latest scans, the sampling
// period reached; 0 before the second scan. Takes a few microseconds.
uint32_t view_scan_period_us();

// True when the keys read end the view, or the run was interrupted (Ctrl-C and the like).
bool view_should_end(unsigned int keys);

// True once --scans N scans are done.
bool view_scan_limit_reached(const view_settings &settings, const cycle_counts &counts);

// The scan time line, for a screen and for the check's summary.
void view_format_scan_time(char *line, size_t size);

// The grid and the system inputs, under "Panel buttons" and its rule.
void view_format_inputs(uint16_t panel, uint8_t sys);

// What a cell shows after its "|NN:": input is numbered as in the wiring
// check (wiring_check.h), context is the caller's.
using view_cell_format = void (*)(int input, const void *context);

// The grid of the panel buttons, bit 0 top left, row by row as the library
// numbers them, then the system inputs, each part closed by rule: the
// layout of every view that shows its inputs.
void view_format_grid(const char *rule, view_cell_format format_cell, const void *context);

// "Ended after N scans, M failed", the first of the last lines.
void view_print_ended(const cycle_counts &counts);

// The lines every screen ends with: scan time, failed scans, link drop-outs and the last scan.
void view_format_screen_end(uint32_t failed, bool scan_ok);

// "link drop-outs: K, longest L s" when there was any, the last of every view's last lines.
void view_print_link_dropouts();

// The views: each runs until Escape, the scan limit or its own end, then,
// with the bridge closed and the console given back, prints its last lines
// and gives the exit status.
void live_view_run(const view_settings &settings, cycle_counts *counts);
int live_view_finish(const cycle_counts &counts);
void events_view_run(const view_settings &settings, cycle_counts *counts);
int events_view_finish(const cycle_counts &counts);
void check_view_run(const view_settings &settings, cycle_counts *counts);
int check_view_finish(const cycle_counts &counts);
void chatter_view_run(const view_settings &settings, cycle_counts *counts);
int chatter_view_finish(const cycle_counts &counts);

#endif
