// The scripted board: frames read from a frame script (README.md, "Frame scripts").
#ifndef BOARD_SCRIPT_H
#define BOARD_SCRIPT_H

#include <stdint.h>

#include "board_wiring.h"

struct board_frame {
    uint8_t bytes[board_frame_bytes];
    uint32_t repeat;
    uint32_t failing_address_writes;  // bit n: address write n + 1 fails
    uint32_t failing_reads;           // bit n: data read n + 1 fails
    uint32_t short_reads;             // bit n: data read n + 1 comes back empty
    bool timed;                       // the line carries at-us=
    uint64_t at_us;                   // from the script's first scan
};

// Loads the script at path in place of the last one; false, with one line on stderr, on any fault.
bool board_script_load(const char *path);

// The pace-us line of the loaded script: scans start at least this many
// microseconds apart; 0 when it has none, or its lines are timed.
uint32_t board_script_pace_us();

// An unplug that never ends: the script has run past its end line.
constexpr uint64_t board_script_gone_for_good = UINT64_MAX;

// Called at the first call of a scan not started yet, at now_us (monotonic):
// moves the script on to the frame line that scan is to be served (in a
// timed script by the time since the first scan after the load, otherwise
// one line per scan and repeat, round and round) and gives the unplug due
// before it, in microseconds, taken once: the bridge goes first and the
// call uses up no place. 0: none, the scan starts.
uint64_t board_script_next_scan(uint64_t now_us);

// The frame line the scan that starts now is served.
const board_frame &board_script_scan();

#endif
