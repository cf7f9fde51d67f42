// The picture paneltest --plot draws from a trace (plot_trace.h): a
// self-contained SVG, one lane an input, at a fixed width.
#ifndef PANELTEST_PLOT_SVG_H
#define PANELTEST_PLOT_SVG_H

#include <stdio.h>

#include "plot_trace.h"

// False when a write to out failed.
bool plot_svg_write(const plot_trace *trace, FILE *out);

#endif
