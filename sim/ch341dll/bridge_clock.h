// The stand-in's sense of time, for a bridge's pace: one file per platform
// (bridge_clock_posix.cpp, bridge_clock_win32.cpp).
#ifndef BRIDGE_CLOCK_H
#define BRIDGE_CLOCK_H

#include <stdint.h>

// Microseconds from an arbitrary start; never steps back with the wall clock.
uint64_t bridge_clock_us();

#endif
