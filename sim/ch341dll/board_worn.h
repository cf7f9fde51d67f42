// The worn switch board: a panel button that bounces on some presses beside
// a clean one, paced by time (README.md, "Worn switch board").
#ifndef BOARD_WORN_H
#define BOARD_WORN_H

#include <stdint.h>

// The frame (byte0 | byte1 << 8 | byte2 << 16) the board shows at
// since_open_us microseconds after the open.
uint32_t board_worn_frame(uint64_t since_open_us);

#endif
