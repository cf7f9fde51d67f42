// The steps of program_run_with that each platform takes its own way.
#ifndef TESTS_SUPPORT_PROGRAM_PLATFORM_H
#define TESTS_SUPPORT_PROGRAM_PLATFORM_H

#include <stdint.h>

#include <string>
#include <vector>

// A started program: its process and the write end of its standard input.
struct program_process {
    intptr_t id;
    intptr_t input;
};

// Starts program with first_chunk already in its standard input and its stdout in output_path.
bool program_start(const std::string &program, const std::vector<std::string> &arguments,
                   const std::string &first_chunk, const std::string &output_path,
                   program_process *process);
void program_write(const program_process &process, const std::string &chunk);
void program_close_input(const program_process &process);
// Whether the program has ended, waiting up to ms for it; it stays there for program_reap.
bool program_ended(const program_process &process, int ms);
void program_kill(const program_process &process);
// Waits for the end and frees the process; false when it ended other than through main.
bool program_reap(const program_process &process, int *exit_status);

#endif
