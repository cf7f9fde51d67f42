// A time as paneltest's lines give it: milliseconds to one decimal, "3.6 ms".
#ifndef PANELTEST_MS_TEXT_H
#define PANELTEST_MS_TEXT_H

#include <stddef.h>
#include <stdint.h>

// Room for the longest, every digit of 64 bits of microseconds.
constexpr size_t ms_text_size = 24;

// Writes us in ms, rounded to the nearest tenth (a half up), into text
// (truncated to size, always terminated).
void ms_text_format(uint64_t us, char *text, size_t size);

#endif
