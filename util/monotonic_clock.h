// A monotonic clock: paneltest's scan times, rates and waits, the CH341
// stand-in's pace and the card reader stand-in's demo. One file per platform
// (monotonic_clock_win32.cpp, monotonic_clock_posix.cpp).
#ifndef PANELTEST_MONOTONIC_CLOCK_H
#define PANELTEST_MONOTONIC_CLOCK_H

#include <stdint.h>

// Microseconds from an arbitrary start; never steps back with the wall clock.
uint64_t monotonic_clock_us();

// The same clock in milliseconds.
uint64_t monotonic_clock_ms();

// Sleeps at least ms milliseconds, however often a signal interrupts it.
void monotonic_clock_sleep_ms(uint32_t ms);

#endif
