#include "scan_events.h"

#include <stdio.h>

namespace {

// unsigned long is 32 bits on Windows: milliseconds go out as seconds and a
// remainder, which lasts 136 years instead of 49 days.
unsigned long seconds_of(uint64_t ms)
{
    return static_cast<unsigned long>(ms / 1000u);
}

unsigned long thousandths_of(uint64_t ms)
{
    return static_cast<unsigned long>(ms % 1000u);
}

}  // namespace

void scan_events_start(scan_events *events)
{
    *events = {};
}

void scan_events_scan(scan_events *events, bool scan_ok, uint32_t active, uint64_t now_ms)
{
    if (events->scans == 0) {
        events->first_ms = now_ms;
    }
    ++events->scans;
    events->scan_ms = now_ms - events->first_ms;
    events->scan_failed = !scan_ok;
    events->unreported = 0;
    if (!scan_ok) {
        ++events->failed;
        return;
    }
    active &= (1u << check_input_count) - 1;
    uint32_t changed = active ^ events->active;
    for (int input = 0; input < check_input_count; ++input) {
        if ((changed & 1u << input) != 0) {
            ++events->edges;
            if ((active & 1u << input) != 0) {
                events->pressed_ms[input] = events->scan_ms;
            }
        }
    }
    events->active = active;
    events->unreported = changed;
}

bool scan_events_next_line(scan_events *events, char *buffer, size_t size)
{
    buffer[0] = '\0';
    if (!events->scan_failed && events->unreported == 0) {
        return false;
    }
    int written =
        snprintf(buffer, size, "%lu.%03lu s, scan %lu: ", seconds_of(events->scan_ms),
                 thousandths_of(events->scan_ms), static_cast<unsigned long>(events->scans));
    size_t used = written > 0 && static_cast<size_t>(written) < size ? static_cast<size_t>(written)
                                                                     : size - 1;
    char *rest = buffer + used;
    size_t room = size - used;
    if (events->scan_failed) {
        events->scan_failed = false;
        snprintf(rest, room, "scan failed");
        return true;
    }
    // Bits 0 to 15 are the panel buttons, so ascending bits put them first.
    int input = 0;
    while ((events->unreported & 1u << input) == 0) {
        ++input;
    }
    events->unreported &= ~(1u << input);
    const char *group = input < check_panel_count ? "panel" : "sys";
    int number = input < check_panel_count ? input : input - check_panel_count;
    if ((events->active & 1u << input) != 0) {
        snprintf(rest, room, "%s %d pressed", group, number);
        return true;
    }
    uint64_t held_ms = events->scan_ms - events->pressed_ms[input];
    if (held_ms < 1000u) {
        snprintf(rest, room, "%s %d released after %lu ms", group, number, thousandths_of(held_ms));
    } else {
        snprintf(rest, room, "%s %d released after %lu%03lu ms", group, number, seconds_of(held_ms),
                 thousandths_of(held_ms));
    }
    return true;
}

void scan_events_format_summary(const scan_events *events, char *buffer, size_t size)
{
    snprintf(buffer, size, "events: %lu scans, %lu failed, %lu edges",
             static_cast<unsigned long>(events->scans), static_cast<unsigned long>(events->failed),
             static_cast<unsigned long>(events->edges));
}
