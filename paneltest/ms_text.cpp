#include "ms_text.h"

#include <stdio.h>

namespace {

constexpr uint64_t us_per_tenth = 100;
constexpr uint64_t tenths_per_ms = 10;
constexpr uint64_t ms_per_part = 1000000000;  // what one unsigned long holds on Windows too

}  // namespace

// Unsigned long is 32 bits on Windows, so long times go out in two parts.
void ms_text_format(uint64_t us, char *text, size_t size)
{
    // Not (us + 50) / 100, which would wrap near the top of the range.
    uint64_t tenths = us / us_per_tenth + (us % us_per_tenth >= us_per_tenth / 2 ? 1 : 0);
    uint64_t ms = tenths / tenths_per_ms;
    unsigned long tenth = static_cast<unsigned long>(tenths % tenths_per_ms);
    if (ms < ms_per_part) {
        snprintf(text, size, "%lu.%lu ms", static_cast<unsigned long>(ms), tenth);
    } else {
        snprintf(text, size, "%lu%09lu.%lu ms", static_cast<unsigned long>(ms / ms_per_part),
                 static_cast<unsigned long>(ms % ms_per_part), tenth);
    }
}
