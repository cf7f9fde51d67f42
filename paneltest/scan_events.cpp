#include "scan_events.h"

#include <stdio.h>

#include "time_units.h"

namespace {

// unsigned long is 32 bits on Windows: milliseconds go out as seconds and a
// remainder, which lasts 136 years instead of 49 days.
unsigned long seconds_of(uint64_t ms)
{
    return static_cast<unsigned long>(ms / ms_per_s);
}

unsigned long thousandths_of(uint64_t ms)
{
    return static_cast<unsigned long>(ms % ms_per_s);
}

static_assert(link_hold_us == 50 * us_per_ms, "the drop-out lines say 50 ms");

// "1.234 s, scan 247: "; returns where the rest of the line goes.
size_t format_start(const scan_events *events, char *buffer, size_t size)
{
    int written =
        snprintf(buffer, size, "%lu.%03lu s, scan %lu: ", seconds_of(events->scan_ms),
                 thousandths_of(events->scan_ms), static_cast<unsigned long>(events->scans));
    return written > 0 && static_cast<size_t>(written) < size ? static_cast<size_t>(written)
                                                              : size - 1;
}

// "link back after 1.520 s, 304 scans failed", and what a game saw of the held inputs.
void format_link(const scan_events *events, const char *what, bool inputs_gone, char *buffer,
                 size_t size)
{
    uint64_t ms = events->link.last_us / us_per_ms;
    snprintf(buffer, size, "%s %lu.%03lu s, %lu scans failed%s", what, seconds_of(ms),
             thousandths_of(ms), static_cast<unsigned long>(events->link.down_scans),
             inputs_gone ? "; a game saw the held inputs released from 50 ms on" : "");
}

// Inputs active as the drop-out began, which the library reported released from link_hold_us on.
bool held_gone(const scan_events *events)
{
    return events->active != 0 && events->link.reached_release;
}

}  // namespace

void scan_events_start(scan_events *events)
{
    *events = {};
}

void scan_events_scan(scan_events *events, bool scan_ok, uint32_t active, uint64_t now_us)
{
    if (events->scans == 0) {
        events->first_us = now_us;
    }
    ++events->scans;
    events->scan_ms = (now_us - events->first_us) / us_per_ms;
    events->unreported = 0;
    scan_link_scan(&events->link, scan_ok, now_us);
    // The drop-out's first failed scan, or the good scan after it.
    events->link_line = events->link.back || (!scan_ok && events->link.down_scans == 1);
    events->link_held_gone = events->link.back && held_gone(events);
    if (!scan_ok) {
        ++events->failed;
        return;
    }
    active &= all_inputs;
    uint32_t changed = active ^ events->active;
    for (int input = 0; input < input_count; ++input) {
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
    if (!events->link_line && events->unreported == 0) {
        return false;
    }
    size_t used = format_start(events, buffer, size);
    char *rest = buffer + used;
    size_t room = size - used;
    if (events->link_line) {
        events->link_line = false;
        if (events->link.down) {
            snprintf(rest, room, "scan failed");
        } else {
            format_link(events, "link back after", events->link_held_gone, rest, room);
        }
        return true;
    }
    // Bits 0 to 15 are the panel buttons, so ascending bits put them first.
    int input = 0;
    while ((events->unreported & 1u << input) == 0) {
        ++input;
    }
    events->unreported &= ~(1u << input);
    input_name name = input_name_of(input);
    if ((events->active & 1u << input) != 0) {
        snprintf(rest, room, "%s %d pressed", name.group, name.number);
        return true;
    }
    uint64_t held_ms = events->scan_ms - events->pressed_ms[input];
    if (held_ms < ms_per_s) {
        snprintf(rest, room, "%s %d released after %lu ms", name.group, name.number,
                 thousandths_of(held_ms));
    } else {
        snprintf(rest, room, "%s %d released after %lu%03lu ms", name.group, name.number,
                 seconds_of(held_ms), thousandths_of(held_ms));
    }
    return true;
}

bool scan_events_end_line(const scan_events *events, char *buffer, size_t size)
{
    if (!events->link.down) {
        return false;
    }
    size_t used = format_start(events, buffer, size);
    format_link(events, "link still down at the end,", held_gone(events), buffer + used,
                size - used);
    return true;
}

void scan_events_format_summary(const scan_events *events, char *buffer, size_t size)
{
    snprintf(buffer, size, "events: %lu scans, %lu failed, %lu edges",
             static_cast<unsigned long>(events->scans), static_cast<unsigned long>(events->failed),
             static_cast<unsigned long>(events->edges));
}
