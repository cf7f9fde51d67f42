// A monotonic clock: paneltest's scan times, rates and waits, and the CH341
// stand-in's pace. One file per platform (monotonic_clock_win32.cpp,
// monotonic_clock_posix.cpp).
#ifndef PANELTEST_MONOTONIC_CLOCK_H
#define PANELTEST_MONOTONIC_CLOCK_H

#include <stdint.h>

// Microseconds from an arbitrary start; never steps back with the wall clock.
uint64_t monotonic_clock_us();

// The same clock in milliseconds.
uint64_t monotonic_clock_ms();

#endif
