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
};

// An unplug-ms line: the bridge goes away before scan before_scan (counting
// from the load) for gone_us.
struct board_unplug {
    uint64_t before_scan;
    uint64_t gone_us;
};

// Loads the script at path in place of the last one; false, with one line on stderr, on any fault.
bool board_script_load(const char *path);

// The pace-us line of the loaded script: scans start at least this many
// microseconds apart; 0 when it has none.
uint32_t board_script_pace_us();

// The frame that serves scan n of a loaded script, counting the script round and round.
const board_frame &board_script_frame(uint64_t scan);

// Whether the loaded script has an unplug-ms line.
bool board_script_unplugs();

// Unplug k (counting from 0 since the load, round and round) of a script that has one.
board_unplug board_script_unplug(uint64_t k);

#endif
