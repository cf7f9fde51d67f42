// Runs paneltest from a test the way an operator would: with arguments,
// standard input fed from the test and standard output in a file.
// (readertest's helper takes no arguments, hence this sibling.)
#ifndef TESTS_PANELTEST_PROCESS_H
#define TESTS_PANELTEST_PROCESS_H

#include <string>
#include <vector>

struct program_run {
    bool finished;    // false when it had to be killed after the time limit
    int exit_status;  // as the program returned it from main (-2 stays -2)
    std::string output;
};

// Starts program with arguments, writes input (a few bytes: it must fit a
// pipe's buffer) to its standard input and closes it, and waits up to
// timeout_ms for the program to end.
program_run program_run_with(const std::string &program, const std::vector<std::string> &arguments,
                             const std::string &input, const std::string &output_path,
                             int timeout_ms);

// Sets a variable that every program started afterwards inherits; an empty value removes it.
void program_set_environment(const char *name, const std::string &value);

// The program's file name in the build's bin folder, where the tests run.
std::string program_path(const char *name);

#endif
