#include "board_demo.h"

#include "board_wiring.h"

constexpr uint32_t demo_scans_per_step = 32;

uint32_t board_demo_step_frame(uint64_t step)
{
    uint32_t panel = 1u << (step % board_panel_buttons);
    uint32_t system =
        static_cast<uint32_t>((step / board_panel_buttons) % (1u << board_system_inputs));
    return board_frame_of(panel, system);
}

uint8_t board_demo_byte(uint64_t scan, uint32_t byte)
{
    return static_cast<uint8_t>(board_demo_step_frame(scan / demo_scans_per_step) >> (8 * byte));
}
