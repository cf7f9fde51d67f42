#include "monotonic_clock.h"

#include <errno.h>
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

void monotonic_clock_sleep_ms(uint32_t ms)
{
    struct timespec pause = {static_cast<time_t>(ms / 1000u),
                             static_cast<long>(ms % 1000u) * 1000000L};
    // A signal may cut the sleep short; nanosleep leaves the rest in pause.
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}
