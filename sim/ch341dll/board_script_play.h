// The loaded script played to the scans: which frame line each is served,
// and the unplugs between them.
#ifndef BOARD_SCRIPT_PLAY_H
#define BOARD_SCRIPT_PLAY_H

#include <stdint.h>

#include "frame_line.h"

// An unplug that never ends: the script has run past its end line.
constexpr uint64_t board_script_gone_for_good = UINT64_MAX;

// Plays the script from its first line again, with its clock not started.
void board_script_rewind();

// Called at the first call of a scan not started yet, at now_us (monotonic):
// moves the script on to the frame line that scan is to be served (in a
// timed script by the time since the first scan after the load, otherwise
// one line per scan and repeat, round and round) and gives the unplug due
// before it, in microseconds, taken once: the bridge goes first and the
// call uses up no place. 0: none, the scan starts.
uint64_t board_script_next_scan(uint64_t now_us);

// The frame line the scan that starts now is served.
const frame_line &board_script_scan();

#endif
