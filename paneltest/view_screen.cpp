#include "view_screen.h"

#include <stdio.h>

#include "console.h"
#include "panel_inputs.h"
#include "scan_session.h"

namespace {

// The live view's and the check's cell: 1 while the input is active.
void format_state_cell(int input, const void *context)
{
    uint32_t inputs = *static_cast<const uint32_t *>(context);
    console_screen_printf(" %d", static_cast<int>((inputs >> input) & 1u));
}

}  // namespace

void view_format_scan_time(char *line, size_t size)
{
    char figures[scan_timing_text_size];
    scan_timing_format(scan_session_scan_time(), figures, sizeof figures);
    snprintf(line, size, "scan time:   %s", figures);
}

void view_format_inputs(uint16_t panel, uint8_t sys)
{
    uint32_t inputs = inputs_of(panel, sys);
    view_format_grid(view_screen_rule, format_state_cell, &inputs);
}

void view_format_grid(const char *rule, view_cell_format format_cell, const void *context)
{
    for (int row = 0; row < panel_rows; ++row) {
        for (int column = 0; column < panel_columns; ++column) {
            int button = row * panel_columns + column;
            console_screen_printf("|%2d:", button);
            format_cell(button, context);
        }
        console_screen_printf("|\n");
    }
    console_screen_printf("%sSystem inputs\n", rule);
    for (int input = panel_button_count; input < input_count; ++input) {
        console_screen_printf("|%2d:", input - panel_button_count);
        format_cell(input, context);
    }
    console_screen_printf("|\n%s", rule);
}

void view_format_screen_end(uint32_t failed, bool scan_ok)
{
    char line[scan_time_line_size];
    view_format_scan_time(line, sizeof line);
    console_screen_printf("%s\nfailed:      %lu\n", line, static_cast<unsigned long>(failed));
    char dropouts[link_line_size];
    const scan_link *link = scan_session_link();
    scan_link_format_screen(link, dropouts, sizeof dropouts);
    // Early in a drop-out the library keeps the last good inputs, later it
    // reports every input released: say which the grid shows.
    const char *last_scan = scan_ok ? "ok"
                            : scan_link_inputs_held(link)
                                ? "FAILED, inputs held from the last good scan"
                                : "FAILED, inputs shown as released";
    console_screen_printf("%s\nlast scan:   %s\n", dropouts, last_scan);
}

void view_print_ended(const cycle_counts &counts)
{
    printf("Ended after %lu scans, %lu failed\n", static_cast<unsigned long>(counts.scans),
           static_cast<unsigned long>(counts.failed));
}

void view_print_link_dropouts()
{
    char line[link_line_size];
    if (scan_link_format_total(scan_session_link(), line, sizeof line)) {
        puts(line);
    }
}
