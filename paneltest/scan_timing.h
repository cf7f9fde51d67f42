// Durations over the last scans: the time of one wz_io_read_inputs call, for
// the paneltest screen and the check summary (on a real bridge it is twelve
// USB round trips, the figure an operator compares across ports and hubs),
// and the time between scan starts, the sampling period a view reaches.
#ifndef PANELTEST_SCAN_TIMING_H
#define PANELTEST_SCAN_TIMING_H

#include <stddef.h>
#include <stdint.h>

// How many of the latest durations the figures cover.
constexpr uint32_t scan_timing_window = 1000;

struct scan_timing_figures {
    uint32_t count;  // durations covered, up to scan_timing_window; the rest is 0 while it is 0
    uint32_t min_us;
    uint32_t median_us;  // the middle one; of an even count, the lower of the two middle ones
    uint32_t max_us;
};

// A ring of the latest durations; fixed storage, no heap.
struct duration_window {
    uint32_t durations[scan_timing_window];
    uint32_t next_slot;
    uint32_t recorded;
};

// Forgets every duration recorded so far.
void duration_window_start(duration_window *window);

// Records one duration; past the window the oldest one drops out. A
// duration beyond UINT32_MAX (over an hour) is kept as UINT32_MAX.
void duration_window_record(duration_window *window, uint64_t duration_us);

// Minimum, median and maximum of the durations in the window.
scan_timing_figures duration_window_figures(const duration_window *window);

// "min 4294967295 us, median 4294967295 us, max 4294967295 us" and its NUL.
constexpr size_t scan_timing_text_size = 60;

// "min 1 us, median 4 us, max 6 us", or "--" while there is none, into
// buffer (truncated to size, always terminated): the screens' scan time line
// and the recording's say the same.
void scan_timing_format(const scan_timing_figures &figures, char *buffer, size_t size);

#endif
