// The loose-cable board: the demo's walk in time, over a link that fails
// now and then and drops out for over a second (README.md, "Loose cable board").
#ifndef BOARD_LOOSE_H
#define BOARD_LOOSE_H

#include <stdint.h>

enum class loose_link : uint8_t { up, failing, unplugged };

struct loose_moment {
    uint32_t frame;  // byte0 | byte1 << 8 | byte2 << 16
    loose_link link;
    uint64_t unplug;          // while unplugged: which unplug, from 1
    uint64_t unplug_left_us;  // while unplugged: until the bridge is back
};

// What the board shows since_load_us microseconds after its load.
loose_moment board_loose_at(uint64_t since_load_us);

#endif
