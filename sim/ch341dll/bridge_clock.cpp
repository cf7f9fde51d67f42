#include "bridge_clock.h"

#include "monotonic_clock.h"

uint64_t bridge_clock_us()
{
    return monotonic_clock_us();
}

// Busy: Sleep on Windows wakes 1 to 15 ms late, longer than a whole scan.
void bridge_clock_wait_until(uint64_t deadline_us)
{
    while (monotonic_clock_us() < deadline_us) {
    }
}
