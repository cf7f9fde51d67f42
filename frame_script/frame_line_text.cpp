#include "frame_line_text.h"

#include <stdio.h>

void frame_line_text(char *buffer, size_t size, uint16_t panel, uint8_t system, bool failed,
                     uint32_t repeat, uint64_t at_us)
{
    char repeat_word[24] = "";
    if (repeat > 1) {
        snprintf(repeat_word, sizeof repeat_word, " repeat=%lu",
                 static_cast<unsigned long>(repeat));
    }
    snprintf(buffer, size, "panel=0x%04X sys=0x%X%s%s at-us=%llu", static_cast<unsigned int>(panel),
             static_cast<unsigned int>(system & 0x7u), failed ? " read-fail=1" : "", repeat_word,
             static_cast<unsigned long long>(at_us));
}
