// The text of a decoded frame line, as paneltest --record writes one per run of scans.
#ifndef FRAME_LINE_TEXT_H
#define FRAME_LINE_TEXT_H

#include <stddef.h>
#include <stdint.h>

// Room for the longest such line, a 20-digit at-us= included.
constexpr size_t frame_line_text_size = 96;

// "panel=0x0020 sys=0x1 repeat=40 at-us=1234567" into buffer, without its
// newline: read-fail=1 when the scans failed, repeat= only past one scan.
void frame_line_text(char *buffer, size_t size, uint16_t panel, uint8_t system, bool failed,
                     uint32_t repeat, uint64_t at_us);

#endif
