// The stand-in's clock: every call reads it, and every wait of a bridge's
// pace spins on it. bridge_clock.cpp is the monotonic clock; a test links a
// clock of its own in its place, so that it sets the time of each call.
#ifndef BRIDGE_CLOCK_H
#define BRIDGE_CLOCK_H

#include <stdint.h>

// Microseconds on the monotonic clock.
uint64_t bridge_clock_us();

// Returns once the clock has reached deadline_us.
void bridge_clock_wait_until(uint64_t deadline_us);

#endif
