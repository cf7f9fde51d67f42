#include "scan_timing.h"

#include <algorithm>

namespace {

// A ring of the latest durations; fixed storage, no heap.
uint32_t durations[scan_timing_window];
uint32_t next_slot = 0;
uint32_t recorded = 0;

// The median is picked from a copy, so the ring keeps its order.
uint32_t sorted_copy[scan_timing_window];

}  // namespace

void scan_timing_start()
{
    next_slot = 0;
    recorded = 0;
}

void scan_timing_record(uint64_t duration_us)
{
    durations[next_slot] =
        duration_us > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(duration_us);
    next_slot = (next_slot + 1) % scan_timing_window;
    if (recorded < scan_timing_window) {
        ++recorded;
    }
}

scan_timing_figures scan_timing_now()
{
    scan_timing_figures figures = {recorded, 0, 0, 0};
    if (recorded == 0) {
        return figures;
    }
    // Until the ring is full the durations are its first `recorded` slots.
    std::copy(durations, durations + recorded, sorted_copy);
    uint32_t *middle = sorted_copy + (recorded - 1) / 2;
    std::nth_element(sorted_copy, middle, sorted_copy + recorded);
    figures.median_us = *middle;
    figures.min_us = *std::min_element(sorted_copy, middle + 1);
    figures.max_us = *std::max_element(middle, sorted_copy + recorded);
    return figures;
}
