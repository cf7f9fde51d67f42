// The machine's monotonic clock, for a test that bounds a time from below or
// gives a hung program up.
#ifndef TESTS_SUPPORT_TEST_CLOCK_H
#define TESTS_SUPPORT_TEST_CLOCK_H

#include <stdint.h>

#include <chrono>

inline uint64_t test_clock_us()
{
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

#endif
