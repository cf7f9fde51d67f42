// paneltest --plot's reading of a recording: a frame script in the decoded
// form, read by the statements every script reader shares
// (frame_script/script_statements.h), laid on its time line (plot_build.h).
#ifndef PANELTEST_PLOT_READ_H
#define PANELTEST_PLOT_READ_H

#include <stddef.h>

#include "plot_build.h"
#include "plot_trace.h"

// Room for a fault line, a long path included.
constexpr size_t plot_fault_size = 512;

// Reads the recording at path and fills *trace for window; false, with one
// line in fault that says what is wrong and where, when it cannot.
bool plot_read(const char *path, const plot_window &window, plot_trace *trace,
               char (&fault)[plot_fault_size]);

#endif
