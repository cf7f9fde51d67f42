// The read loop of every script: each line that holds words goes to the reader's own grammar.
#ifndef SCRIPT_READ_H
#define SCRIPT_READ_H

#include <stdint.h>

// What a script's grammar makes of one line of words: null when it takes them, else what is wrong.
using script_statement_reader = const char *(*)(char **words, uint32_t count, void *context);

// Why a script was refused: it could not be opened (what: the system's reason),
// or line line_number holds a fault (what: the fault).
struct script_refusal {
    bool opened;
    uint32_t line_number;
    const char *what;
};

// Reads the script at path a line at a time, splits each into at most
// max_words (up to script_line_max_words) words and hands each line that holds
// any to read_statement, until the end or the first fault. False, with
// *refusal filled in, on a fault of the file, its text or its grammar.
bool script_read(const char *path, uint32_t max_words, script_statement_reader read_statement,
                 void *context, script_refusal *refusal);

#endif
