#include "plot_text.h"

#include <stdio.h>

#include "time_units.h"

namespace {

constexpr int seconds_decimals = 3;

}  // namespace

// Unsigned long is 32 bits on Windows, and its printf may lack %llu.
void plot_text_decimal(uint64_t value, char *text, size_t size)
{
    char digits[plot_text_size];
    size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    size_t used = 0;
    while (count != 0 && used + 1 < size) {
        text[used++] = digits[--count];
    }
    if (size != 0) {
        text[used] = '\0';
    }
}

void plot_text_fixed(uint64_t value, uint64_t unit, int decimals, const char *suffix, char *text,
                     size_t size)
{
    char whole[plot_text_size];
    plot_text_decimal(value / unit, whole, sizeof whole);
    if (decimals == 0) {
        snprintf(text, size, "%s%s", whole, suffix);
        return;
    }
    uint64_t scale = 1;
    for (int digit = 0; digit < decimals; ++digit) {
        scale *= 10;
    }
    // The remainder in decimals digits: unit is a power of ten times what one digit holds.
    uint64_t part = value % unit / (unit / scale);
    snprintf(text, size, "%s.%0*lu%s", whole, decimals, static_cast<unsigned long>(part), suffix);
}

void plot_text_seconds(uint64_t us, char *text, size_t size)
{
    plot_text_fixed(us, us_per_s, seconds_decimals, " s", text, size);
}
