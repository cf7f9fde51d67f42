#include "board_demo.h"

#include "board_wiring.h"

constexpr uint32_t demo_scans_per_step = 32;
constexpr uint32_t panel_buttons = sizeof board_panel_wiring / sizeof board_panel_wiring[0];
constexpr uint32_t system_inputs = sizeof board_system_wiring / sizeof board_system_wiring[0];

uint8_t board_demo_byte(uint64_t scan, uint32_t byte)
{
    uint64_t step = scan / demo_scans_per_step;
    uint32_t low_bits = board_panel_wiring[step % panel_buttons];
    uint64_t system_value = (step / panel_buttons) % (1u << system_inputs);
    for (uint32_t i = 0; i < system_inputs; ++i) {
        if (system_value & (1u << i)) {
            low_bits |= board_system_wiring[i];
        }
    }
    uint32_t frame = ~low_bits;
    return static_cast<uint8_t>(frame >> (8 * byte));
}
