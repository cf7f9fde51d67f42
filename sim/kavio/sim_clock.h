// The simulated hardware's sense of time, one file per platform.
#ifndef SIM_CLOCK_H
#define SIM_CLOCK_H

#include <stdint.h>

// Milliseconds from an arbitrary start; wraps around after 49 days.
uint32_t sim_clock_ms();

void sim_sleep_ms(uint32_t ms);

#endif
