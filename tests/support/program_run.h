// Runs a program of the build as a person at a console would: with arguments,
// standard input fed from the test and standard output in a file.
#ifndef TESTS_SUPPORT_PROGRAM_RUN_H
#define TESTS_SUPPORT_PROGRAM_RUN_H

#include <stdlib.h>

#include <string>
#include <vector>

struct program_run {
    bool finished;    // false when it had to be killed after the time limit
    int exit_status;  // as the program returned it from main (-2 stays -2); unfinished: -1000
    std::string output;
};

// A chunk of standard input, written once the program's output holds `after`
// `times` times or more; with no `after`, at once.
struct program_input {
    std::string chunk;
    std::string after = "";
    int times = 1;
};

// Starts program with arguments, writes each chunk of input as it comes due
// and closes standard input, and waits for the program to end. timeout_ms
// bounds the whole run, waits included: a program that has not ended by
// then is killed. A first chunk due at once is in the pipe before the
// program starts, so it is there at its first read; it must fit a pipe's
// buffer (a few bytes do).
program_run program_run_with(const std::string &program, const std::vector<std::string> &arguments,
                             const std::vector<program_input> &input,
                             const std::string &output_path, int timeout_ms);

// Sets a variable here and for every program started afterwards; an empty value removes it.
void program_set_environment(const char *name, const std::string &value);

// Sets a variable for the rest of a scope and puts back what it was, however
// the test ends: an ASSERT that returns early leaves no setting to later tests.
struct scoped_environment {
    scoped_environment(const char *variable, const std::string &value)
        : name(variable), before(getenv(variable) ? getenv(variable) : "")
    {
        program_set_environment(variable, value);
    }
    ~scoped_environment()
    {
        program_set_environment(name, before);
    }
    scoped_environment(const scoped_environment &) = delete;
    scoped_environment &operator=(const scoped_environment &) = delete;
    const char *name;
    std::string before;
};

// The folder that holds the running test program, with a trailing separator.
// The build puts every program and library there; tests run elsewhere.
std::string program_folder();

// The path of a program of the build, beside the running test program.
std::string program_path(const char *name);

std::string read_file(const std::string &path);
// False when the file cannot be written whole.
bool write_file(const std::string &path, const std::string &text);
// The lines of text without their line ends, LF or CR LF.
std::vector<std::string> lines_of(const std::string &text);

// What a console program's clear-screen writes to a redirected stdout; empty
// where nothing of it gets there.
const std::string &console_clear_sequence();

// Standard output as the screen shows it: the clears counted and taken out,
// CR LF as plain newlines.
struct console_text {
    std::string text;
    int clears;
};
console_text console_text_of(const std::string &output);

#endif
