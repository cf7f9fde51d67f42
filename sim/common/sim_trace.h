// The call trace both stand-ins keep for tests.
#ifndef SIM_TRACE_H
#define SIM_TRACE_H

#include "io_callbacks.h"

// Appends one line to the file that the environment variable names (no
// trace while it is unset or empty). Each line is flushed as it is written,
// since the host may end through _exit or ExitProcess. The file is truncated
// whenever the variable names a new path, so a test may switch traces between calls.
void sim_trace_line(const char *variable, const char *format, ...) IO_PRINTF_FORMAT(2, 3);

#endif
