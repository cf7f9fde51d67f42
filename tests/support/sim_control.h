// Drives the CH341 stand-in from a test: its environment, frame scripts and trace.
#ifndef TESTS_SUPPORT_SIM_CONTROL_H
#define TESTS_SUPPORT_SIM_CONTROL_H

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#ifdef _WIN32
// msvcrt has no setenv; "NAME=" removes the variable. The stand-in reads the
// same msvcrt environment.
inline void sim_set_env(const char *name, const std::string &value)
{
    _putenv((std::string(name) + "=" + value).c_str());
}
#else
inline void sim_set_env(const char *name, const std::string &value)
{
    if (value.empty()) {
        unsetenv(name);
    } else {
        setenv(name, value.c_str(), 1);
    }
}
#endif

// 64-bit Windows has one calling convention: a stdcall or cdecl mix-up, which
// the 32-bit build must trap, cannot happen in the win64 test build.
#ifdef _WIN64
constexpr bool only_one_calling_convention = true;
#else
constexpr bool only_one_calling_convention = false;
#endif
constexpr char one_convention_skip[] =
    "about the 32-bit x86 calling conventions, which x86-64 Windows does not have";

// Writes text to a file in the working folder (the build's bin folder); returns its path.
inline std::string sim_write_file(const std::string &name, const std::string &text)
{
    FILE *file = fopen(name.c_str(), "w");
    if (file != nullptr) {
        fputs(text.c_str(), file);
        fclose(file);
    }
    return name;
}

inline std::vector<std::string> sim_read_lines(const std::string &path)
{
    std::vector<std::string> lines;
    FILE *file = fopen(path.c_str(), "r");
    if (file == nullptr) {
        return lines;
    }
    char line[512];
    while (fgets(line, sizeof line, file) != nullptr) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
            text.pop_back();
        }
        lines.push_back(text);
    }
    fclose(file);
    return lines;
}

// Names a fresh trace file for the running test; the stand-in truncates it on its next call.
inline std::string sim_trace_for(const std::string &test_name)
{
    std::string path = test_name + ".trace";
    remove(path.c_str());
    sim_set_env("CH341_SIM_TRACE", path);
    return path;
}

// The part of a trace line before " -> ", i.e. the call with its arguments.
inline std::string sim_call_of(const std::string &line)
{
    return line.substr(0, line.find(" -> "));
}

#endif
