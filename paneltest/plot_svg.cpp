// One lane an input, top to bottom in the check's order, under a header of
// the counts and over a time axis. Every coordinate is a whole pixel: the
// plot's columns are plot_scale.h's, and what falls in one column is drawn once.
#include "plot_svg.h"

#include <stdio.h>

#include "ms_text.h"
#include "plot_scale.h"
#include "plot_svg_header.h"
#include "plot_text.h"

namespace {

constexpr int svg_width = 1200;
constexpr int plot_left = 120;
constexpr uint32_t plot_columns = 1040;
constexpr int margin = 10;
constexpr int header_gap = 8;
constexpr int lane_height = 24, lane_level_top = 5, lane_level_base = 19, lane_label_base = 16;
constexpr int axis_gap = 6, tick_length = 5, tick_label_below = 18, axis_room = 30;
constexpr int chatter_mark_radius = 4;
constexpr char pressed_fill[] = "#3c8c3c", idle_stroke[] = "#303030";
constexpr char unused_fill[] = "#a0a0a0", unused_stroke[] = "#c8c8c8";
constexpr char chatter_fill[] = "#d01010", dropout_fill[] = "#ffd8a0", grid_stroke[] = "#e4e4e4";

struct layout {
    plot_scale scale;
    int lanes_top;
    int axis_y;
    int height;
};

layout layout_of(const plot_trace *trace)
{
    layout plot{};
    plot.scale = plot_scale_of(trace->from_us, trace->to_us, plot_columns);
    plot.lanes_top = plot_svg_header_top +
                     plot_svg_header_lines(trace) * plot_svg_header_line_height + header_gap;
    plot.axis_y = plot.lanes_top + input_count * lane_height + axis_gap;
    plot.height = plot.axis_y + axis_room;
    return plot;
}

int x_of(const layout &plot, uint64_t at_us)
{
    return plot_left + static_cast<int>(plot_scale_column(&plot.scale, at_us));
}

// The columns of [from_us, to_us), a time of its own: one column at least.
void write_span_x(FILE *out, const layout &plot, uint64_t from_us, uint64_t to_us)
{
    int first = x_of(plot, from_us);
    int last = to_us > from_us ? x_of(plot, to_us - 1) : first;
    fprintf(out, "x=\"%d\" width=\"%d\"", first, last - first + 1);
}

// Behind the lanes, so that every level stays in sight through them.
void write_dropouts(FILE *out, const plot_trace *trace, const layout &plot)
{
    char length[ms_text_size], at[plot_text_size];
    fprintf(out, "<g id=\"dropouts\" fill=\"%s\">\n", dropout_fill);
    for (uint32_t index = 0; index < trace->dropout_count; ++index) {
        const plot_dropout &dropout = trace->dropouts[index];
        fputs("<rect ", out);
        write_span_x(out, plot, dropout.from_us, dropout.to_us);
        ms_text_format(dropout.to_us - dropout.from_us, length, sizeof length);
        plot_text_seconds(dropout.from_us, at, sizeof at);
        fprintf(out, " y=\"%d\" height=\"%d\"><title>link drop-out, %s, at %s</title></rect>\n",
                plot.lanes_top, plot.axis_y - plot.lanes_top, length, at);
    }
    fputs("</g>\n", out);
}

// Grid lines across the lanes at each tick, the axis under them and the labels.
void write_axis(FILE *out, const layout &plot)
{
    uint64_t step_us = plot_scale_tick_step(&plot.scale);
    uint64_t to_us = plot.scale.from_us + plot.scale.span_us;
    uint64_t first_us = plot.scale.from_us + (step_us - plot.scale.from_us % step_us) % step_us;
    char label[plot_text_size];
    fprintf(out, "<g id=\"axis\" stroke=\"%s\" text-anchor=\"middle\">\n", grid_stroke);
    fprintf(out, "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"%s\"/>\n", plot_left,
            plot.axis_y, plot_left + static_cast<int>(plot_columns), plot.axis_y, idle_stroke);
    for (uint64_t at_us = first_us; at_us <= to_us && at_us >= first_us; at_us += step_us) {
        int x = x_of(plot, at_us);
        plot_scale_tick_label(&plot.scale, step_us, at_us, label, sizeof label);
        fprintf(out, "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\"/>\n", x, plot.lanes_top, x,
                plot.axis_y + tick_length);
        fprintf(out, "<text x=\"%d\" y=\"%d\" stroke=\"none\">%s</text>\n", x,
                plot.axis_y + tick_label_below, label);
    }
    fputs("</g>\n", out);
}

// Pressed, raised and filled, from column x first to x last.
void write_level(FILE *out, int first, int last, int top)
{
    fprintf(out, "<rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/>\n", first,
            top + lane_level_top, last - first + 1, lane_level_base - lane_level_top);
}

// The input's pressed times as runs of columns: a column any of whose time was pressed is pressed.
void write_levels(FILE *out, const plot_trace *trace, const layout &plot, int input, int top)
{
    uint32_t bit = 1u << input;
    bool open = false;
    int first = 0, last = 0;
    for (uint32_t index = 0; index < trace->step_count; ++index) {
        const plot_step &step = trace->steps[index];
        uint64_t end_us =
            index + 1 < trace->step_count ? trace->steps[index + 1].at_us : trace->to_us;
        if ((step.inputs & bit) == 0 || end_us <= step.at_us) {
            continue;
        }
        int from = x_of(plot, step.at_us), to = x_of(plot, end_us - 1);
        if (open && from <= last + 1) {
            last = to > last ? to : last;
            continue;
        }
        if (open) {
            write_level(out, first, last, top);
        }
        open = true;
        first = from;
        last = to;
    }
    if (open) {
        write_level(out, first, last, top);
    }
}

void write_lanes(FILE *out, const plot_trace *trace, const layout &plot)
{
    for (int input = 0; input < input_count; ++input) {
        int top = plot.lanes_top + input * lane_height;
        bool used = (trace->pressed & 1u << input) != 0;
        input_name name = input_name_of(input);
        fprintf(out, "<g id=\"%s_%d\" fill=\"%s\">\n", name.group, name.number,
                used ? pressed_fill : unused_fill);
        fprintf(out, "<text x=\"%d\" y=\"%d\"%s>%s %d</text>\n", margin, top + lane_label_base,
                used ? " fill=\"#000000\"" : "", name.group, name.number);
        fprintf(out, "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"%s\"/>\n", plot_left,
                top + lane_level_base, plot_left + static_cast<int>(plot_columns),
                top + lane_level_base, used ? idle_stroke : unused_stroke);
        if (used) {
            write_levels(out, trace, plot, input, top);
        } else {
            fprintf(out, "<text x=\"%d\" y=\"%d\">never pressed</text>\n", plot_left + margin,
                    top + lane_label_base);
        }
        fputs("</g>\n", out);
    }
}

// A mark of fixed size at the level's top, however short the bounce.
void write_chatter(FILE *out, const plot_trace *trace, const layout &plot)
{
    char gap[ms_text_size], at[plot_text_size];
    fprintf(out, "<g id=\"chatter\" fill=\"%s\">\n", chatter_fill);
    for (uint32_t index = 0; index < trace->chatter_count; ++index) {
        const plot_chatter &chatter = trace->chatters[index];
        input_name name = input_name_of(chatter.input);
        ms_text_format(chatter.gap_us, gap, sizeof gap);
        plot_text_seconds(chatter.at_us, at, sizeof at);
        fprintf(out,
                "<circle cx=\"%d\" cy=\"%d\" r=\"%d\"><title>%s %d: chatter, gap %s, at "
                "%s</title></circle>\n",
                x_of(plot, chatter.at_us),
                plot.lanes_top + chatter.input * lane_height + lane_level_top, chatter_mark_radius,
                name.group, name.number, gap, at);
    }
    fputs("</g>\n", out);
}

}  // namespace

bool plot_svg_write(const plot_trace *trace, FILE *out)
{
    layout plot = layout_of(trace);
    fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", out);
    fprintf(out,
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" viewBox=\"0 0 "
            "%d %d\" font-family=\"monospace\" font-size=\"12\">\n",
            svg_width, plot.height, svg_width, plot.height);
    fprintf(out, "<rect width=\"%d\" height=\"%d\" fill=\"#ffffff\"/>\n", svg_width, plot.height);
    plot_svg_header_write(trace, margin, out);
    write_dropouts(out, trace, plot);
    write_axis(out, plot);
    write_lanes(out, trace, plot);
    write_chatter(out, trace, plot);
    fputs("</svg>\n", out);
    return ferror(out) == 0;
}
