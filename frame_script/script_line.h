// The line reader of every script: one line, its words, their numbers.
#ifndef SCRIPT_LINE_H
#define SCRIPT_LINE_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

// A line holds up to this many characters before its LF or CRLF.
constexpr size_t script_line_max = 255;
// A line buffer: the characters and their terminating NUL.
constexpr size_t script_line_size = script_line_max + 1;
// A word and the blank after it take two characters; more than fit is still refused.
constexpr uint32_t script_line_max_words = script_line_size / 2;

// A script open for reading, through a buffer of its own so that its first
// bytes can be judged before line 1 is.
struct script_file {
    FILE *file;
    uint32_t line_number;  // of the line last read, from 1
    int read_error;        // errno of the read that failed
    size_t next;
    size_t filled;
    unsigned char buffer[512];
};

enum class script_line_status { line, end, too_long, nul_byte, utf16, read_error };

// Opens path in binary mode, so Ctrl-Z is a byte like any other; false, with errno, when it cannot.
bool script_file_open(script_file *script, const char *path);

void script_file_close(script_file *script);

// Reads the next line into line, without its LF or CRLF,
// and counts it in line_number; a UTF-8 byte-order mark before line 1 is skipped.
script_line_status script_line_read(script_file *script, char (&line)[script_line_size]);

// What is wrong, for a message naming the file and line, when status is neither line nor end.
const char *script_line_fault(const script_file *script, script_line_status status);

// Splits line in place at blanks into words[capacity], dropping a '#' comment.
// Returns the word count, capacity + 1 when the line holds more words.
uint32_t script_line_split(char *line, char **words, uint32_t capacity);

// Reads all of text as a number in [low, high] in base; no sign or blank before it.
bool script_line_number(const char *text, int base, uint32_t low, uint32_t high, uint32_t *value);

// The same for a decimal number of up to 64 bits.
bool script_line_number64(const char *text, uint64_t low, uint64_t high, uint64_t *value);

#endif
