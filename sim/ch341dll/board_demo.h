// The demo board: one pressed button walking across the panel (README.md, "Demo pattern").
#ifndef BOARD_DEMO_H
#define BOARD_DEMO_H

#include <stdint.h>

// The frame (byte0 | byte1 << 8 | byte2 << 16) of step `step` of the walk.
uint32_t board_demo_step_frame(uint64_t step);

// Byte `byte` of the frame the demo serves for scan `scan`, counting from its load.
uint8_t board_demo_byte(uint64_t scan, uint32_t byte);

#endif
