// The picture and the dump of a recording, byte for byte as kept in plot_expected/
// (which plot_check.py reads as a person would), and what that trace cannot show.
#include <gtest/gtest.h>

#include <string.h>

#include <cstddef>
#include <iterator>
#include <regex>
#include <string>
#include <tuple>

#include "plot_read.h"
#include "plot_run.h"
#include "plot_svg.h"
#include "plot_vcd.h"
#include "program_run.h"

namespace {

plot_trace trace;  // static: it holds every step a recording may have

// The recording kept beside the test, read whole at the default threshold.
void make_trace()
{
    char fault[plot_fault_size];
    ASSERT_TRUE(plot_read("plot_expected/session.frames", {0, UINT64_MAX, chatter_default_ms},
                          &trace, fault))
        << fault;
}

// What write made of the trace, in the scratch file name a person may look at.
std::string written(bool (*write)(const plot_trace *, FILE *), const char *name)
{
    FILE *out = fopen(name, "wb");
    EXPECT_TRUE(out != nullptr && write(&trace, out)) << name;
    EXPECT_TRUE(out != nullptr && fclose(out) == 0) << name;
    return read_file(name);
}

// How often part, which holds no regular expression's special characters, is in text.
std::ptrdiff_t count_of(const std::string &text, const char *part)
{
    std::regex find(part);
    return std::distance(std::sregex_iterator(text.begin(), text.end(), find), {});
}

TEST(PlotWriters, WriteTheFilesKeptBesideTheTest)
{
    for (plot_format format : {plot_format::svg, plot_format::vcd}) {
        const char *out = format == plot_format::svg ? "plot_session.svg" : "plot_session.vcd";
        const char *fault = plot_run({"plot_expected/session.frames", out, format, 0, UINT64_MAX},
                                     chatter_default_ms);
        EXPECT_EQ(fault, nullptr) << fault;
        std::string kept = std::string("plot_expected/trace") + strrchr(out, '.');
        EXPECT_TRUE(read_file(out) == read_file(kept))
            << "scratch/" << out << " differs from tests/paneltest/" << kept;
    }
}

// The other scan timings, and windows whose ticks take other units and steps.
TEST(PlotWriters, HeaderAndTicksOfOtherTraces)
{
    // timed, default pace, pace, cut short, from, to.
    using timing = std::tuple<bool, bool, uint32_t, bool, uint64_t, uint64_t>;
    // clang-format off
    const struct { timing set; const char *text; std::ptrdiff_t ticks; } cases[] = {
        {{false, false, 250, true, 0, 300000}, ">a scan every 250 us (pace-us), cut short: no end line, chatter threshold 30 ms<", 7},
        {{false, true, 5000, false, 0, 300000}, ">a scan every 5 ms (no pace-us), chatter threshold 30 ms<", 7},
        {{true, false, 0, false, 0, 4000}, ">0.5 ms<", 9},
        {{true, false, 0, false, 3600000000, 3600020000}, ">3600.005 s<", 5},
        {{true, false, 0, false, 0, 40000000}, ">35 s<", 9},
        {{true, false, 0, false, 0, 1800000000}, ">25 min<", 7},
    };
    // clang-format on
    for (const auto &c : cases) {
        make_trace();
        std::tie(trace.timed, trace.default_pace, trace.pace_us, trace.cut_short, trace.from_us,
                 trace.to_us) = c.set;
        std::string svg = written(plot_svg_write, "plot_other.svg");
        EXPECT_NE(svg.find(c.text), std::string::npos) << c.text;
        EXPECT_EQ(count_of(svg, "stroke=\"none\">"), c.ticks) << c.text;
    }
}

// Press and release in every column of a lane: one rectangle, beside the background.
TEST(PlotWriters, EveryStepInOneColumnIsDrawnOnce)
{
    trace = {};
    trace.pressed = 1;  // panel 0
    trace.step_count = frame_script_max_frame_lines;
    trace.to_us = 8 * frame_script_max_frame_lines;
    for (uint32_t index = 0; index < trace.step_count; ++index) {
        trace.steps[index] = {8 * uint64_t{index}, index % 2, true};
    }
    EXPECT_EQ(count_of(written(plot_svg_write, "plot_bounces.svg"), "<rect "), 2);
}

TEST(PlotWriters, SayWhenTheFileCannotBeWritten)
{
    make_trace();
    FILE *read_only = fopen("plot_expected/trace.vcd", "rb");
    ASSERT_NE(read_only, nullptr);
    EXPECT_FALSE(plot_svg_write(&trace, read_only));
    clearerr(read_only);
    EXPECT_FALSE(plot_vcd_write(&trace, read_only));
    fclose(read_only);
}

}  // namespace
