#include "wiring_check_text.h"

#include <stdarg.h>
#include <stdio.h>

#include "io_callbacks.h"
#include "ms_text.h"

namespace {

// Text going into a caller's fixed buffer of one byte or more; what does not
// fit is cut off, so used stays below size.
struct text_out {
    char *buffer;
    size_t size;
    size_t used;
};

IO_PRINTF_FORMAT(2, 3) void append(text_out *out, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int written = vsnprintf(out->buffer + out->used, out->size - out->used, format, arguments);
    va_end(arguments);
    if (written > 0) {
        size_t room = out->size - out->used - 1;
        out->used += static_cast<size_t>(written) < room ? static_cast<size_t>(written) : room;
    }
}

// The name of the summary lines: "panel 5", "sys 1".
void append_name(text_out *out, int input)
{
    input_name name = input_name_of(input);
    append(out, "%s %d", name.group, name.number);
}

// The name of the prompts: "panel button 5 (row 2, column 2)", "system input 1".
void append_long_name(text_out *out, int input)
{
    if (input < panel_button_count) {
        append(out, "panel button %d (row %d, column %d)", input, input / panel_columns + 1,
               input % panel_columns + 1);
    } else {
        append(out, "system input %d", input - panel_button_count);
    }
}

// "panel 7, sys 1": the inputs of a set in step order.
void append_names(text_out *out, uint32_t inputs)
{
    const char *separator = "";
    for (int input = 0; input < input_count; ++input) {
        if ((inputs >> input & 1u) != 0) {
            append(out, "%s", separator);
            append_name(out, input);
            separator = ", ";
        }
    }
}

}  // namespace

void wiring_check_format_result(const wiring_check *check, int input, char *buffer, size_t size)
{
    text_out out = {buffer, size, 0};
    buffer[0] = '\0';
    const check_result &result = check->results[input];
    append_name(&out, input);
    switch (result.verdict) {
    case check_verdict::not_reached:
        append(&out, ": not reached");
        break;
    case check_verdict::ok:
        append(&out, ": ok");
        break;
    case check_verdict::crossed:
        append(&out, ": crossed with ");
        append_names(&out, result.with);
        break;
    case check_verdict::shorted:
        append(&out, ": short with ");
        append_names(&out, result.with);
        break;
    case check_verdict::stuck:
        append(&out, ": stuck active");
        break;
    case check_verdict::skipped:
        append(&out, ": skipped");
        break;
    case check_verdict::chatters: {
        char gap[ms_text_size];
        ms_text_format(check->shortest_gap_us[input], gap, sizeof gap);
        append(&out, ": chatters, shortest gap %s", gap);
        break;
    }
    }
}

void wiring_check_format_total(const wiring_check *check, char *buffer, size_t size)
{
    snprintf(buffer, size, "check: %d of %d ok, %lu failed scans", wiring_check_ok_count(check),
             input_count, static_cast<unsigned long>(check->failed_scans));
}

void wiring_check_format_prompt(const wiring_check *check, char *buffer, size_t size)
{
    text_out out = {buffer, size, 0};
    buffer[0] = '\0';
    if (check->link_down && check->phase != check_phase::done) {
        append(&out, "The bridge is not answering: check the USB cable");
        return;
    }
    switch (check->phase) {
    case check_phase::settling:
        append(&out, "Release every panel button and system input");
        break;
    case check_phase::awaiting_press:
        append(&out, "Press ");
        append_long_name(&out, check->step);
        append(&out, ", or space to skip it");
        break;
    case check_phase::awaiting_release:
    case check_phase::awaiting_quiet:
        append(&out, "Release ");
        append_long_name(&out, check->step);
        break;
    case check_phase::done:
        append(&out, "Check done");
        break;
    }
}

void wiring_check_format_waiting(const wiring_check *check, char *buffer, size_t size)
{
    text_out out = {buffer, size, 0};
    buffer[0] = '\0';
    if (wiring_check_unseen(check)) {
        append(&out,
               "Not seen for %lu s: a dead switch or a broken wire may be why; space skips it",
               static_cast<unsigned long>(check_unseen_us / us_per_s));
    } else if (check->phase != check_phase::awaiting_press && check->phase != check_phase::done &&
               check->active != 0) {
        append(&out, "still active: ");
        append_names(&out, check->active);
    }
}

void wiring_check_format_last(const wiring_check *check, char *buffer, size_t size)
{
    if (check->last_judged >= 0) {
        wiring_check_format_result(check, check->last_judged, buffer, size);
        return;
    }
    text_out out = {buffer, size, 0};
    buffer[0] = '\0';
    if (check->stuck == 0) {
        append(&out, "--");
        return;
    }
    append_names(&out, check->stuck);
    append(&out, ": stuck active");
}
