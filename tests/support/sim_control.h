// Drives the stand-ins from a test: their environment, scripts and traces.
#ifndef TESTS_SUPPORT_SIM_CONTROL_H
#define TESTS_SUPPORT_SIM_CONTROL_H

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <iterator>
#include <list>
#include <sstream>
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

// The stand-ins' variables, put back after every test as they were before it, however it
// ended: an ASSERT that returns early leaves no setting to later tests.
struct sim_environment_reset : ::testing::EmptyTestEventListener {
    std::list<scoped_environment> kept;
    void OnTestStart(const ::testing::TestInfo &) override
    {
        for (const char *name : {"CH341_SIM_BOARD", "CH341_SIM_TRACE", "CH341_SIM_CALL_US",
                                 "KAVIO_SIM_SCENARIO", "KAVIO_SIM_TRACE"}) {
            kept.emplace_back(name, getenv(name) != nullptr ? getenv(name) : "");
        }
    }
    void OnTestEnd(const ::testing::TestInfo &) override
    {
        kept.clear();
    }
};
inline const bool sim_environment_reset_listens =
    (::testing::UnitTest::GetInstance()->listeners().Append(new sim_environment_reset), true);

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

// Names a fresh trace file, name.trace, for the running test or a variant of it, in
// variable; the stand-in truncates it on its next call.
inline std::string sim_trace_for(const std::string &name, const char *variable = "CH341_SIM_TRACE")
{
    std::string path = name + ".trace";
    remove(path.c_str());
    program_set_environment(variable, path);
    return path;
}

// text, times times over.
inline std::string repeated(const std::string &text, int times)
{
    std::ostringstream all;
    std::fill_n(std::ostream_iterator<std::string>(all), times, text);
    return all.str();
}

// A frame script of text, in name.frames: its path.
inline std::string sim_frames_of(const std::string &name, const std::string &text)
{
    write_file(name + ".frames", text);
    return name + ".frames";
}

// The CH341 stand-in's board: "" (no bridge), a built-in board's name, or the text of a
// frame script, in name.frames.
inline void sim_board_for(const std::string &name, const std::string &board)
{
    bool built_in = board.empty() || board == "demo" || board == "worn" || board == "loose";
    program_set_environment("CH341_SIM_BOARD", built_in ? board : sim_frames_of(name, board));
}

// The card reader stand-in's scenario, text in name.scenario; no text leaves it on its demo.
inline void sim_scenario_for(const std::string &name, const std::string &text)
{
    write_file(name + ".scenario", text);
    program_set_environment("KAVIO_SIM_SCENARIO", text.empty() ? "" : name + ".scenario");
}

// The part of a trace line before " -> ", i.e. the call with its arguments.
inline std::string sim_call_of(const std::string &line)
{
    return line.substr(0, line.find(" -> "));
}

// How many lines of a trace begin with call, e.g. "CH341CloseDevice(0)".
inline int sim_calls_in(const std::vector<std::string> &trace, const std::string &call)
{
    const auto made = [&call](const std::string &line) { return line.rfind(call, 0) == 0; };
    return static_cast<int>(std::count_if(trace.begin(), trace.end(), made));
}

#endif
