// The wiring check (wiring_check.h) at the live view's pace, and its verdicts
// at the end.
#ifndef PANELTEST_VIEW_CHECK_H
#define PANELTEST_VIEW_CHECK_H

#include "view.h"

// Runs until Escape, the scan limit or the view's own end.
void check_view_run(const view_settings &settings, cycle_counts *counts);

// With the bridge closed and the console given back: the last lines and the exit status.
int check_view_finish(const cycle_counts &counts);

#endif
