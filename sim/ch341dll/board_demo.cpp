#include "board_demo.h"

#include "board_wiring.h"

constexpr uint32_t demo_scans_per_step = 32;

uint8_t board_demo_byte(uint64_t scan, uint32_t byte)
{
    uint64_t step = scan / demo_scans_per_step;
    uint32_t panel = 1u << (step % board_panel_buttons);
    uint32_t system =
        static_cast<uint32_t>((step / board_panel_buttons) % (1u << board_system_inputs));
    return static_cast<uint8_t>(board_frame_of(panel, system) >> (8 * byte));
}
