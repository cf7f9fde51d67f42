// The dump a viewer opens: the header with a wire an input and the link, the
// values at the window's start, a time stamp a change, and the window's end.
#include "plot_vcd.h"

#include <stdio.h>

#include "plot_text.h"

namespace {

// The link after the inputs; identifiers are letters, which no reader takes for anything else.
constexpr int link_wire = input_count;
constexpr int wire_count = input_count + 1;
constexpr uint32_t all_wires = (1u << wire_count) - 1;
constexpr char first_identifier = 'A';

uint32_t wires_of(const plot_step &step)
{
    return (step.inputs & all_inputs) | (step.link_up ? 1u << link_wire : 0);
}

void write_stamp(FILE *out, uint64_t at_us)
{
    char text[plot_text_size];
    plot_text_decimal(at_us, text, sizeof text);
    fprintf(out, "#%s\n", text);
}

void write_values(FILE *out, uint32_t wires, uint32_t which)
{
    for (int wire = 0; wire < wire_count; ++wire) {
        if ((which & 1u << wire) != 0) {
            fprintf(out, "%c%c\n", (wires & 1u << wire) != 0 ? '1' : '0',
                    static_cast<char>(first_identifier + wire));
        }
    }
}

// A $ would end the section early; a viewer reads printable ASCII alone.
void write_version(FILE *out, const char *version)
{
    fputs("$version ", out);
    for (; *version != '\0'; ++version) {
        char c = *version;
        fputc(c >= ' ' && c <= '~' && c != '$' ? c : '?', out);
    }
    fputs(" $end\n", out);
}

void write_definitions(FILE *out, const plot_trace *trace)
{
    if (trace->version[0] != '\0') {
        write_version(out, trace->version);
    }
    fputs("$timescale 1 us $end\n$scope module paneltest $end\n", out);
    for (int wire = 0; wire < wire_count; ++wire) {
        char identifier = static_cast<char>(first_identifier + wire);
        if (wire == link_wire) {
            fprintf(out, "$var wire 1 %c link $end\n", identifier);
        } else {
            input_name name = input_name_of(wire);
            fprintf(out, "$var wire 1 %c %s_%d $end\n", identifier, name.group, name.number);
        }
    }
    fputs("$upscope $end\n$enddefinitions $end\n", out);
}

}  // namespace

bool plot_vcd_write(const plot_trace *trace, FILE *out)
{
    write_definitions(out, trace);
    // The values at the window's start are its last step there; the link is up before any.
    uint32_t wires = 1u << link_wire;
    uint32_t index = 0;
    for (; index < trace->step_count && trace->steps[index].at_us <= trace->from_us; ++index) {
        wires = wires_of(trace->steps[index]);
    }
    write_stamp(out, trace->from_us);
    fputs("$dumpvars\n", out);
    write_values(out, wires, all_wires);
    fputs("$end\n", out);
    uint64_t last_us = trace->from_us;
    for (; index < trace->step_count; ++index) {
        const plot_step &step = trace->steps[index];
        // Steps at one time are one stamp, the last of them its values.
        if (index + 1 < trace->step_count && trace->steps[index + 1].at_us == step.at_us) {
            continue;
        }
        uint32_t changed = wires_of(step) ^ wires;
        if (changed == 0) {
            continue;
        }
        wires ^= changed;
        write_stamp(out, step.at_us);
        write_values(out, wires, changed);
        last_us = step.at_us;
    }
    // So that a viewer shows how long the last values lasted.
    if (last_us < trace->to_us) {
        write_stamp(out, trace->to_us);
    }
    return ferror(out) == 0;
}
