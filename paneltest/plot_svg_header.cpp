#include "plot_svg_header.h"

#include "plot_text.h"
#include "time_units.h"

namespace {

// The version, the length, the counts, the timing; then an input a line.
constexpr int header_fixed_lines = 4;

// XML's five, and a ? for what is not printable ASCII, which a recording's text may hold.
void write_escaped(FILE *out, const char *text)
{
    for (; *text != '\0'; ++text) {
        char c = *text;
        if (c == '&') {
            fputs("&amp;", out);
        } else if (c == '<') {
            fputs("&lt;", out);
        } else if (c == '>') {
            fputs("&gt;", out);
        } else if (c == '"') {
            fputs("&quot;", out);
        } else {
            fputc(c >= ' ' && c <= '~' ? c : '?', out);
        }
    }
}

void write_line(FILE *out, int x, int line, const char *text)
{
    fprintf(out, "<text x=\"%d\" y=\"%d\">", x,
            plot_svg_header_top + line * plot_svg_header_line_height);
    write_escaped(out, text);
    fputs("</text>\n", out);
}

}  // namespace

int plot_svg_header_lines(const plot_trace *trace)
{
    int pressed = 0;
    for (const chatter_input &input : trace->chatter.inputs) {
        pressed += input.presses != 0 ? 1 : 0;
    }
    return header_fixed_lines + (pressed != 0 ? pressed : 1);
}

void plot_svg_header_write(const plot_trace *trace, int x, FILE *out)
{
    char line[chatter_line_size];
    char length[plot_text_size], from[plot_text_size], to[plot_text_size];
    fputs("<g id=\"header\">\n", out);
    write_line(out, x, 0, trace->version[0] != '\0' ? trace->version : "(no version line)");
    plot_text_seconds(trace->length_us, length, sizeof length);
    plot_text_seconds(trace->from_us, from, sizeof from);
    plot_text_seconds(trace->to_us, to, sizeof to);
    snprintf(line, sizeof line, "length %s, shown from %s to %s", length, from, to);
    write_line(out, x, 1, line);
    snprintf(line, sizeof line, "scans: %lu, failed scans: %lu, link drop-outs: %lu",
             static_cast<unsigned long>(trace->scans),
             static_cast<unsigned long>(trace->failed_scans),
             static_cast<unsigned long>(trace->dropout_count));
    write_line(out, x, 2, line);
    int used = 0;
    if (trace->timed) {
        used = snprintf(line, sizeof line, "timed");
    } else if (trace->default_pace) {
        used = snprintf(line, sizeof line, "a scan every %lu ms (no pace-us)",
                        static_cast<unsigned long>(trace->pace_us / us_per_ms));
    } else {
        used = snprintf(line, sizeof line, "a scan every %lu us (pace-us)",
                        static_cast<unsigned long>(trace->pace_us));
    }
    snprintf(line + used, sizeof line - static_cast<size_t>(used), "%s, chatter threshold %lu ms",
             trace->cut_short ? ", cut short: no end line" : "",
             static_cast<unsigned long>(trace->chatter.threshold_us / us_per_ms));
    write_line(out, x, 3, line);
    int next = header_fixed_lines;
    for (int input = 0; input < input_count; ++input) {
        if (trace->chatter.inputs[input].presses != 0) {
            scan_chatter_format_input(&trace->chatter, input, line, sizeof line);
            write_line(out, x, next++, line);
        }
    }
    if (next == header_fixed_lines) {
        write_line(out, x, next, "no input pressed");
    }
    fputs("</g>\n", out);
}
