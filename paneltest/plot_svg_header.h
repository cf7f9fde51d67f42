// The header of paneltest --plot's picture, a text line each: the version
// line, the length and window, the counts, how the scans were timed, and the
// lines --chatter ends with.
#ifndef PANELTEST_PLOT_SVG_HEADER_H
#define PANELTEST_PLOT_SVG_HEADER_H

#include <stdio.h>

#include "plot_trace.h"

constexpr int plot_svg_header_top = 20, plot_svg_header_line_height = 16;

// The lines plot_svg_header_write writes for trace.
int plot_svg_header_lines(const plot_trace *trace);

// A group of text elements at x, the first line's baseline at plot_svg_header_top.
void plot_svg_header_write(const plot_trace *trace, int x, FILE *out);

#endif
