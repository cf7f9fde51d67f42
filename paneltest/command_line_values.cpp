#include "command_line_values.h"

#include <string.h>

#include "time_units.h"

namespace {

constexpr char lower_case(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Two ASCII texts equal but for the case of their letters.
bool same_ignoring_case(const char *a, const char *b)
{
    for (; *a != '\0' && lower_case(*a) == lower_case(*b); ++a, ++b) {
    }
    return *a == '\0' && *b == '\0';
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

bool command_line_seconds(const char *text, uint64_t *us)
{
    uint64_t whole = 0;
    const char *digit = text;
    for (; is_digit(*digit) && whole <= max_plot_seconds; ++digit) {
        whole = whole * 10 + static_cast<uint64_t>(*digit - '0');
    }
    bool read = (digit != text || *digit == '.') && whole <= max_plot_seconds;
    uint64_t fraction = 0;
    uint64_t scale = us_per_s;
    if (read && *digit == '.') {
        // "2." and "2.1234567" say more than they mean.
        for (++digit; is_digit(*digit) && scale > 1; ++digit) {
            scale /= 10;
            fraction += static_cast<uint64_t>(*digit - '0') * scale;
        }
        read = scale < us_per_s;
    }
    if (!read || *digit != '\0') {
        return false;
    }
    *us = whole * us_per_s + fraction;
    return true;
}

bool command_line_out_format(const char *path, plot_format *format)
{
    constexpr size_t extension_length = 4;
    size_t length = strlen(path);
    // ".svg" alone names no file.
    const char *extension = length > extension_length ? path + length - extension_length : "";
    if (same_ignoring_case(extension, ".svg")) {
        *format = plot_format::svg;
    } else if (same_ignoring_case(extension, ".vcd")) {
        *format = plot_format::vcd;
    } else {
        return false;
    }
    return true;
}
