// Runs a console program of the build on a pseudo-terminal, as a person at a
// terminal would: keys typed in, the terminal's own echo read back, and the
// screen (standard output, on a pipe) read while the program runs, so a screen
// left unflushed arrives cut at the pipe's buffer size. POSIX only: a Windows
// console has no pseudo-terminal to stand in for it.
#ifndef TESTS_SUPPORT_TERMINAL_RUN_H
#define TESTS_SUPPORT_TERMINAL_RUN_H

#include <stddef.h>

#include <string>
#include <vector>

struct terminal_run {
    int pid;
    int terminal;                  // where keys go in and the echo comes out
    int program_side;              // the program's stdin and stderr, kept open here
    int screen_pipe;
    std::string screen;            // standard output so far
    std::vector<size_t> arrivals;  // screen.size() after each read
    std::string echo;
    unsigned long modes_at_start;  // the terminal's local modes (echo, canonical input, ...)
    unsigned long modes_at_end;
};

bool terminal_start(terminal_run *run, const std::string &program, const std::vector<std::string> &arguments);
void terminal_type(terminal_run *run, const std::string &keys);
// Reads until the screen holds text; false if it does not within timeout_ms.
bool terminal_wait_for(terminal_run *run, const std::string &text, int timeout_ms);
// Reads to the end and closes all; false when the program was killed after timeout_ms.
bool terminal_finish(terminal_run *run, int timeout_ms, int *exit_status);

#endif
