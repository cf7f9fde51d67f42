// The numbers of paneltest --plot's files, in integers alone, so that a file
// reads the same whatever the platform's floating point and printf.
#ifndef PANELTEST_PLOT_TEXT_H
#define PANELTEST_PLOT_TEXT_H

#include <stddef.h>
#include <stdint.h>

// Room for every digit of 64 bits, a point, three decimals and a unit.
constexpr size_t plot_text_size = 32;

// Each writes into text (truncated to size, always terminated):
// every digit of value, "18446744073709551615";
void plot_text_decimal(uint64_t value, char *text, size_t size);
// value / unit with decimals digits after the point, cut, then suffix:
// (2314000, 1000000, 3, " s") is "2.314 s", (120, 1000, 0, "") is "0";
void plot_text_fixed(uint64_t value, uint64_t unit, int decimals, const char *suffix, char *text,
                     size_t size);
// a time in seconds to whole milliseconds (cut), as the event lines give it: "2.314 s".
void plot_text_seconds(uint64_t us, char *text, size_t size);

#endif
