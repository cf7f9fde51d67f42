// Drives the CH341 stand-in from a test: its environment, frame scripts and trace.
#ifndef TESTS_SUPPORT_SIM_CONTROL_H
#define TESTS_SUPPORT_SIM_CONTROL_H

#include <gtest/gtest.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "program_run.h"

// 64-bit Windows has one calling convention: a stdcall or cdecl mix-up, which
// the 32-bit build must trap, cannot happen in the win64 test build.
#ifdef _WIN64
constexpr bool only_one_calling_convention = true;
#else
constexpr bool only_one_calling_convention = false;
#endif
constexpr char one_convention_skip[] =
    "about the 32-bit x86 calling conventions, which x86-64 Windows does not have";

inline std::vector<std::string> sim_read_lines(const std::string &path)
{
    return lines_of(read_file(path));
}

// Suite.Case of the running test, which names its files.
inline std::string test_name()
{
    const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "." + info->name();
}

// Names a fresh trace file for the running test; the stand-in truncates it on its next call.
inline std::string sim_trace_for(const std::string &test_name)
{
    std::string path = test_name + ".trace";
    remove(path.c_str());
    program_set_environment("CH341_SIM_TRACE", path);
    return path;
}

// The part of a trace line before " -> ", i.e. the call with its arguments.
inline std::string sim_call_of(const std::string &line)
{
    return line.substr(0, line.find(" -> "));
}

#endif
