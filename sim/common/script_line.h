// The line reader both stand-ins' scripts share: one line, its words, their numbers.
#ifndef SCRIPT_LINE_H
#define SCRIPT_LINE_H

#include <stdint.h>
#include <stdio.h>

enum class script_line_status { line, too_long, end };

// Reads the next line into line[size]; too_long when it does not fit.
script_line_status script_line_read(FILE *file, char *line, int size);

// Splits line in place at blanks into words[capacity], dropping a '#' comment.
// Returns the word count, capacity + 1 when the line holds more words.
uint32_t script_line_split(char *line, char **words, uint32_t capacity);

// Reads all of text as a number in [low, high] in base; no sign or blank before it.
bool script_line_number(const char *text, int base, uint32_t low, uint32_t high, uint32_t *value);

#endif
