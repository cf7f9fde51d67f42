// The part of program_run_with that each platform does its own way.
#ifndef TESTS_SUPPORT_PROGRAM_PLATFORM_H
#define TESTS_SUPPORT_PROGRAM_PLATFORM_H

#include <stdint.h>

#include <string>
#include <vector>

#include "program_run.h"

struct program_end {
    bool finished;
    int exit_status;
};

// Runs the program to its end, or kills it at deadline_us (test_clock_us);
// its stdout goes to output_path.
program_end program_start_and_wait(const std::string &program,
                                   const std::vector<std::string> &arguments,
                                   const std::vector<program_input> &input,
                                   const std::string &output_path, uint64_t deadline_us);

// Whether the output so far holds what the chunk waits for.
bool program_output_holds(const std::string &output_path, const program_input &input);

#endif
