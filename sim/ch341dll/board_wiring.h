// The simulated input board: how a scan looks on the bus and where each input lands.
#ifndef BOARD_WIRING_H
#define BOARD_WIRING_H

#include <stdint.h>

constexpr uint32_t board_frame_bytes = 3;
constexpr uint32_t board_address_writes_per_scan = 9;

// Which frame bit (of byte0 | byte1 << 8 | byte2 << 16) each panel button
// and system input is wired to; inputs are active-low.
constexpr uint32_t board_panel_wiring[16] = {
    0x0100, 0x0400, 0x1000, 0x4000, 0x0080, 0x0020, 0x0008, 0x0002,
    0x0200, 0x0800, 0x2000, 0x8000, 0x0040, 0x0010, 0x0004, 0x0001,
};
constexpr uint32_t board_system_wiring[3] = {0x20000, 0x10000, 0x80000};
constexpr uint32_t board_panel_buttons = sizeof board_panel_wiring / sizeof board_panel_wiring[0];
constexpr uint32_t board_system_inputs = sizeof board_system_wiring / sizeof board_system_wiring[0];

// The frame (byte0 | byte1 << 8 | byte2 << 16) that shows the panel and system
// inputs of the masks active (bit i: input i), every other bit high as on an idle board.
constexpr uint32_t board_frame_of(uint32_t panel, uint32_t system)
{
    uint32_t frame = 0xFFFFFF;
    for (uint32_t i = 0; i < board_panel_buttons; ++i) {
        if ((panel >> i & 1u) != 0) {
            frame &= ~board_panel_wiring[i];
        }
    }
    for (uint32_t i = 0; i < board_system_inputs; ++i) {
        if ((system >> i & 1u) != 0) {
            frame &= ~board_system_wiring[i];
        }
    }
    return frame;
}
static_assert(board_frame_of(0x0020, 0x1) == 0xFDFFDF,
              "panel button 5 is byte 0 bit 5, system input 0 byte 2 bit 1");

#endif
