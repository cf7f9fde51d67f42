#include "sim_clock.h"

#include <time.h>

uint32_t sim_clock_ms()
{
    struct timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void sim_sleep_ms(uint32_t ms)
{
    struct timespec pause = {static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
    nanosleep(&pause, nullptr);
}
