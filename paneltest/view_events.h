// The event view: a line for every press, release and link drop-out as it
// happens, and the summary at the end.
#ifndef PANELTEST_VIEW_EVENTS_H
#define PANELTEST_VIEW_EVENTS_H

#include "view.h"

// Runs until Escape, the scan limit or the view's own end.
void events_view_run(const view_settings &settings, cycle_counts *counts);

// With the bridge closed and the console given back: the last lines and the exit status.
int events_view_finish(const cycle_counts &counts);

#endif
