// A bridge's pace: how long every call takes (CH341_SIM_CALL_US) and how far
// apart scans start (a script's pace-us line); README.md, "A bridge's pace".
#ifndef BRIDGE_PACE_H
#define BRIDGE_PACE_H

#include <stdint.h>

// Reads CH341_SIM_CALL_US (unset or empty: 0) as the time of every call from
// now on, and forgets the last scan's start. False, with one line on stderr,
// when it is not a number from 0 to 100000; calls then take no time.
bool bridge_pace_open();

// The time a call began, taken first thing in the call.
uint64_t bridge_pace_call_begin();

// Holds the caller until the call has taken its time since began_us.
void bridge_pace_call_end(uint64_t began_us);

// Holds the caller until pace_us after the last scan's start, and returns
// the time this scan starts; the first scan since the open starts at once.
uint64_t bridge_pace_scan_start(uint32_t pace_us);

#endif
