// The chatter view: every input's presses and chatter, scanned back to back,
// and each pressed input's latest round at the end.
#ifndef PANELTEST_VIEW_CHATTER_H
#define PANELTEST_VIEW_CHATTER_H

#include "view.h"

// Runs until Escape, the scan limit or the view's own end.
void chatter_view_run(const view_settings &settings, cycle_counts *counts);

// With the bridge closed and the console given back: the last lines and the exit status.
int chatter_view_finish(const cycle_counts &counts);

#endif
