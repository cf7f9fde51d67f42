// The parts of a screen that paneltest's views share, drawn on the console's
// screen (console.h), and the lines each view's last lines start and end with.
#ifndef PANELTEST_VIEW_SCREEN_H
#define PANELTEST_VIEW_SCREEN_H

#include <stddef.h>
#include <stdint.h>

#include "view.h"

constexpr char view_screen_rule[] = "-------------------------\n";

// "scan time:   min 4294967295 us, median ..." with room to spare.
constexpr size_t scan_time_line_size = 96;

// The scan time line, for a screen and for the check's summary.
void view_format_scan_time(char *line, size_t size);

// The grid and the system inputs, under "Panel buttons" and its rule.
void view_format_inputs(uint16_t panel, uint8_t sys);

// What a cell shows after its "|NN:": input is numbered as panel_inputs.h
// numbers it, context is the caller's.
using view_cell_format = void (*)(int input, const void *context);

// The grid of the panel buttons, bit 0 top left, row by row as the library
// numbers them, then the system inputs, each part closed by rule: the
// layout of every view that shows its inputs.
void view_format_grid(const char *rule, view_cell_format format_cell, const void *context);

// The lines every screen ends with: scan time, failed scans, link drop-outs and the last scan.
void view_format_screen_end(uint32_t failed, bool scan_ok);

// "Ended after N scans, M failed", the first of the last lines.
void view_print_ended(const cycle_counts &counts);

// "link drop-outs: K, longest L s" when there was any, the last of every view's last lines.
void view_print_link_dropouts();

#endif
