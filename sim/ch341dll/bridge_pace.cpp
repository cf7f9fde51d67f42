#include "bridge_pace.h"

#include <stdio.h>
#include <stdlib.h>

#include "bridge_clock.h"
#include "script_line.h"

namespace {

constexpr const char *call_time_variable = "CH341_SIM_CALL_US";
// A tenth of a second a call is slower than any bridge that still works.
constexpr uint32_t max_call_us = 100000;

// What an open sets: the call time, and no scan started yet.
struct bridge_pace_state {
    uint32_t call_us;
    bool scan_started;
    uint64_t last_scan_start_us;
};

bridge_pace_state pace = {0, false, 0};

}  // namespace

bool bridge_pace_open()
{
    const char *setting = getenv(call_time_variable);
    uint32_t value = 0;
    bool valid = setting == nullptr || setting[0] == '\0' ||
                 script_line_number(setting, 10, 0, max_call_us, &value);
    if (!valid) {
        fprintf(stderr, "ch341 stand-in: %s takes microseconds, 0 to %lu\n", call_time_variable,
                static_cast<unsigned long>(max_call_us));
    }
    pace = {value, false, 0};
    return valid;
}

uint64_t bridge_pace_call_begin()
{
    return bridge_clock_us();
}

void bridge_pace_call_end(uint64_t began_us)
{
    bridge_clock_wait_until(began_us + pace.call_us);
}

uint64_t bridge_pace_scan_start(uint32_t pace_us)
{
    if (pace.scan_started) {
        bridge_clock_wait_until(pace.last_scan_start_us + pace_us);
    }
    pace.scan_started = true;
    pace.last_scan_start_us = bridge_clock_us();
    return pace.last_scan_start_us;
}
