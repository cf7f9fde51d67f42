// The values of paneltest --plot's options, read from their text: plain
// functions, no complaint (command_line.cpp words those).
#ifndef PANELTEST_COMMAND_LINE_VALUES_H
#define PANELTEST_COMMAND_LINE_VALUES_H

#include <stdint.h>

#include "plot_run.h"

// --from and --to: over thirty years, past any recording.
constexpr uint32_t max_plot_seconds = 1000000000;

// Seconds such as 12, 2.5 or .25, up to max_plot_seconds and to the
// microsecond, read in integers alone; false when text is none of those.
bool command_line_seconds(const char *text, uint64_t *us);

// The format a name ending in .svg or .vcd, in any case, asks for; false for any other.
bool command_line_out_format(const char *path, plot_format *format);

#endif
