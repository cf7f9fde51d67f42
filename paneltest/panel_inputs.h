// The 19 inputs as paneltest numbers them: panel buttons 0 to 15, then
// system inputs 0 to 2 as 16 to 18, the order of the check's steps. A set of
// inputs is a mask with bit i for input i (inputs_of builds one from a scan).
#ifndef PANELTEST_PANEL_INPUTS_H
#define PANELTEST_PANEL_INPUTS_H

#include <stdint.h>

// The panel grid as the library numbers it: bit 0 top left, row by row.
constexpr int panel_rows = 4;
constexpr int panel_columns = 4;
constexpr int panel_button_count = panel_rows * panel_columns;
constexpr int sys_input_count = 3;
constexpr int input_count = panel_button_count + sys_input_count;
// Every input's bit: the set of all 19.
constexpr uint32_t all_inputs = (1u << input_count) - 1;

// An input's name in every line paneltest prints: "panel 5", "sys 1".
struct input_name {
    const char *group;
    int number;
};

constexpr input_name input_name_of(int input)
{
    return input < panel_button_count ? input_name{"panel", input}
                                      : input_name{"sys", input - panel_button_count};
}

// The inputs of one scan as a set.
constexpr uint32_t inputs_of(uint16_t panel, uint8_t sys)
{
    return (panel | static_cast<uint32_t>(sys) << panel_button_count) & all_inputs;
}

#endif
