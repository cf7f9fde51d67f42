// Escape and Space among bytes read from standard input, for both platforms'
// key readers (console_keys_win32.cpp, console_keys_posix.cpp).
#ifndef UTIL_CONSOLE_KEY_BYTES_H
#define UTIL_CONSOLE_KEY_BYTES_H

#include "console.h"

// The keys among bytes read from a pipe or a file, as console_key_ bits.
unsigned int console_keys_in_bytes(const unsigned char *bytes, long count);

// The keys among bytes read from a terminal, as console_key_ bits: an
// arrow's, a function key's or an Alt key's ESC is not Escape.
unsigned int console_keys_in_terminal_bytes(const unsigned char *bytes, long count);

#endif
