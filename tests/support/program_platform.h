// The part of program_run_with that each platform does its own way.
#ifndef TESTS_SUPPORT_PROGRAM_PLATFORM_H
#define TESTS_SUPPORT_PROGRAM_PLATFORM_H

#include <string>
#include <vector>

struct program_end {
    bool finished;
    int exit_status;
};

// Runs the program to its end, or kills it after timeout_ms; its stdout goes to output_path.
program_end program_start_and_wait(const std::string &program,
                                   const std::vector<std::string> &arguments,
                                   const std::vector<std::string> &input_chunks, int pause_ms,
                                   const std::string &output_path, int timeout_ms);

#endif
