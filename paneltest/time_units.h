// The units paneltest's clocks and lines convert between, each defined once.
#ifndef PANELTEST_TIME_UNITS_H
#define PANELTEST_TIME_UNITS_H

#include <stdint.h>

constexpr uint32_t us_per_ms = 1000;
constexpr uint32_t ms_per_s = 1000;
constexpr uint32_t us_per_s = us_per_ms * ms_per_s;

#endif
