#include "scan_timing.h"

#include <stdio.h>

#include <algorithm>

void duration_window_start(duration_window *window)
{
    window->next_slot = 0;
    window->recorded = 0;
}

void duration_window_record(duration_window *window, uint64_t duration_us)
{
    window->durations[window->next_slot] =
        duration_us > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(duration_us);
    window->next_slot = (window->next_slot + 1) % scan_timing_window;
    if (window->recorded < scan_timing_window) {
        ++window->recorded;
    }
}

scan_timing_figures duration_window_figures(const duration_window *window)
{
    uint32_t recorded = window->recorded;
    scan_timing_figures figures = {recorded, 0, 0, 0};
    if (recorded == 0) {
        return figures;
    }
    // The median is picked from a copy, so the ring keeps its order; until
    // the ring is full the durations are its first `recorded` slots.
    uint32_t sorted_copy[scan_timing_window];
    std::copy(window->durations, window->durations + recorded, sorted_copy);
    uint32_t *middle = sorted_copy + (recorded - 1) / 2;
    std::nth_element(sorted_copy, middle, sorted_copy + recorded);
    figures.median_us = *middle;
    figures.min_us = *std::min_element(sorted_copy, middle + 1);
    figures.max_us = *std::max_element(middle, sorted_copy + recorded);
    return figures;
}

void scan_timing_format(const scan_timing_figures &figures, char *buffer, size_t size)
{
    if (figures.count == 0) {
        snprintf(buffer, size, "--");
        return;
    }
    snprintf(buffer, size, "min %lu us, median %lu us, max %lu us",
             static_cast<unsigned long>(figures.min_us),
             static_cast<unsigned long>(figures.median_us),
             static_cast<unsigned long>(figures.max_us));
}
