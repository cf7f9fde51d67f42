// A millisecond clock for the scan rate, one file per platform
// (monotonic_clock_win32.cpp, monotonic_clock_posix.cpp).
#ifndef PANELTEST_MONOTONIC_CLOCK_H
#define PANELTEST_MONOTONIC_CLOCK_H

#include <stdint.h>

// Milliseconds from an arbitrary start; never steps back with the wall clock.
uint64_t monotonic_clock_ms();

#endif
