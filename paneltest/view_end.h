// When a view ends: Escape, an interruption (Ctrl-C and the like) or the
// scan limit of --scans N.
#ifndef PANELTEST_VIEW_END_H
#define PANELTEST_VIEW_END_H

#include "view.h"

// True when the keys read end the view, or the run was interrupted.
bool view_should_end(unsigned int keys);

// True once --scans N scans are done.
bool view_scan_limit_reached(const view_settings &settings, const cycle_counts &counts);

#endif
