// Scans per second for the paneltest screen, measured over whole windows of
// at least a second so that one slow redraw does not make the figure jump.
#ifndef PANELTEST_SCAN_RATE_H
#define PANELTEST_SCAN_RATE_H

#include <stdint.h>

// Value of scan_rate_per_second until the first window has closed.
constexpr int32_t scan_rate_unknown = -1;

struct scan_rate {
    uint64_t window_start_ms;
    uint64_t window_scans;
    int32_t last_rate;  // of the last closed window
};

// Opens the first window at now_ms (any monotonic millisecond count).
void scan_rate_start(scan_rate *rate, uint64_t now_ms);

// Counts one scan finished at now_ms; closes the window once a second has passed.
void scan_rate_count(scan_rate *rate, uint64_t now_ms);

// Scans per second of the last closed window, rounded down; scan_rate_unknown before one closed.
int32_t scan_rate_per_second(const scan_rate *rate);

#endif
