#include <time.h>

#include "link_tick.h"

// The monotonic clock, never the wall clock, which an NTP step moves;
// the truncation to 32 bits is the wrap the rule allows for.
uint32_t link_tick_ms()
{
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                                 static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}
