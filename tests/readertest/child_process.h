// Runs a program of the build as a person at a console would, with standard
// input fed from the test and standard output redirected to a file.
#ifndef TESTS_CHILD_PROCESS_H
#define TESTS_CHILD_PROCESS_H

#include <string>
#include <vector>

struct child_run {
    bool finished;    // false when it had to be killed after the time limit
    int exit_status;  // as the program returned it from main (-2 stays -2)
    std::string output;
};

// Writes each chunk of input_chunks to the child's standard input, pausing
// pause_ms between chunks, then closes it.
child_run child_run_program(const std::string &program, const std::vector<std::string> &input_chunks,
                            int pause_ms, const std::string &output_path, int timeout_ms);

// Sets a variable that every child started afterwards inherits.
void child_set_environment(const char *name, const char *value);

// The program's file name in the build's bin folder, where the tests run.
std::string child_program_path(const char *name);

#endif
