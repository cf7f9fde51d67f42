// The demo board: one pressed button walking across the panel (README.md, "Demo pattern").
#ifndef BOARD_DEMO_H
#define BOARD_DEMO_H

#include <stdint.h>

// Byte `byte` of the frame the demo serves for scan `scan`, counting from the open.
uint8_t board_demo_byte(uint64_t scan, uint32_t byte);

#endif
