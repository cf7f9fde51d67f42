// The grammar of one frame line (sim/ch341dll/README.md, "Frame scripts"):
// three raw bytes or the decoded panel= sys= form, then its words.
#ifndef FRAME_LINE_H
#define FRAME_LINE_H

#include <stdint.h>

// The bytes a scan reads, and the address writes it makes.
constexpr uint32_t frame_line_bytes = 3;
constexpr uint32_t frame_line_address_writes = 9;

// The word that times a line, which an end line may carry too.
constexpr char frame_line_time_word[] = "at-us=";

struct frame_line {
    uint8_t bytes[frame_line_bytes];  // byte n: data read n + 1 of the scan
    bool decoded;                     // panel= sys=: the inputs, bytes left 0
    uint16_t panel;                   // bit n: panel button n pressed
    uint8_t system;                   // bit n: system input n active
    bool timed;                       // the line carries at-us=
    uint32_t repeat;
    uint32_t failing_address_writes;  // bit n: address write n + 1 fails
    uint32_t failing_reads;           // bit n: data read n + 1 fails
    uint32_t short_reads;             // bit n: data read n + 1 comes back empty
    uint64_t at_us;                   // from the script's first scan
};

// Reads the count words of a frame line into *line; null, or what is wrong with it.
const char *frame_line_parse(char **words, uint32_t count, frame_line *line);

// Applies one word after the frame, such as read-fail=2, to *line; null, or what is wrong.
const char *frame_line_word(const char *word, frame_line *line);

#endif
