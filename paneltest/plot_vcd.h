// The dump paneltest --plot writes from a trace (plot_trace.h), for the
// logic-analyzer viewers: a Value Change Dump at 1 us, a wire an input and the link.
#ifndef PANELTEST_PLOT_VCD_H
#define PANELTEST_PLOT_VCD_H

#include <stdio.h>

#include "plot_trace.h"

// False when a write to out failed.
bool plot_vcd_write(const plot_trace *trace, FILE *out);

#endif
