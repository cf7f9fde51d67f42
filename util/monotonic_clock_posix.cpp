#include "monotonic_clock.h"

#include <time.h>

uint64_t monotonic_clock_us()
{
    struct timespec now = {};
    // Returns 0 upon success, -1 upon failure; CLOCK_MONOTONIC cannot fail on Linux.
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000u +
           static_cast<uint64_t>(now.tv_nsec) / 1000u;
}

uint64_t monotonic_clock_ms()
{
    return monotonic_clock_us() / 1000u;
}
