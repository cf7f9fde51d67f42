// The one step of paneltest --plot that differs by platform: a finished
// file put in place of OUT, whether OUT is there or not.
#ifndef PANELTEST_PLOT_FILE_H
#define PANELTEST_PLOT_FILE_H

// Renames written over target in one step; null, or the system's reason it could not.
const char *plot_file_replace(const char *written, const char *target);

#endif
