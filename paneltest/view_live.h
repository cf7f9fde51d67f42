// The live view: the inputs, the scan counts and the scan time, redrawn every
// cycle until Escape or the scan limit.
#ifndef PANELTEST_VIEW_LIVE_H
#define PANELTEST_VIEW_LIVE_H

#include "view.h"

// Runs until Escape, the scan limit or the view's own end.
void live_view_run(const view_settings &settings, cycle_counts *counts);

// With the bridge closed and the console given back: the last lines and the exit status.
int live_view_finish(const cycle_counts &counts);

#endif
