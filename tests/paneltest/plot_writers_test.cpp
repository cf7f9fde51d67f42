// The picture and the dump of a hand-made trace, byte for byte as kept in plot_expected/
// (which plot_check.py reads as a person would), and what that trace cannot show.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "plot_svg.h"
#include "plot_vcd.h"

namespace {

constexpr uint32_t p0 = 1u << 0, p5 = 1u << 5, p12 = 1u << 12, s1 = 1u << 17, s2 = 1u << 18;

plot_trace trace;  // static: it holds every step a recording may have

// Panel 5 and sys 2 bounce, sys 1 is held into a drop-out past the hold, panel
// 12's press is thinner than a pixel; the version line needs escaping.
void make_trace()
{
    static constexpr plot_step steps[] = {
        // clang-format off
        {0, 0, true}, {20000, p0, true}, {80000, 0, true},
        {100000, p5, true}, {103000, 0, true}, {104200, p5, true}, {104900, 0, true}, {105300, p5, true},
        {120000, p5 | s2, true}, {121000, p5, true}, {121500, p5 | s2, true}, {160000, s2, true}, {170000, 0, true},
        {190000, s1, true}, {200000, s1, false}, {250000, 0, false}, {270000, s1, true}, {280000, 0, true},
        {290000, p12, true}, {290150, 0, true},
        // clang-format on
    };
    trace = {};
    snprintf(trace.version, sizeof trace.version, "paneltest 1.0.0 (abc1234) <$edited & \"kept\">");
    trace.timed = true;
    trace.length_us = trace.to_us = 300000;
    trace.scans = 300;
    trace.failed_scans = 70;
    // The chatter counts as the reader makes them.
    scan_chatter_start(&trace.chatter, chatter_default_ms);
    for (const plot_step &step : steps) {
        trace.steps[trace.step_count++] = step;
        trace.pressed |= step.inputs;
        scan_chatter_scan(&trace.chatter, step.link_up, step.inputs, step.at_us);
    }
    trace.chatters[trace.chatter_count++] = {104200, 1200, 5};
    trace.chatters[trace.chatter_count++] = {105300, 400, 5};
    trace.chatters[trace.chatter_count++] = {121500, 500, 18};
    trace.dropouts[trace.dropout_count++] = {200000, 270000};
}

std::string read_file(const char *name)
{
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What write made of the trace, in the scratch file name a person may look at.
std::string written(bool (*write)(const plot_trace *, FILE *), const char *name)
{
    FILE *out = fopen(name, "wb");
    EXPECT_TRUE(out != nullptr && write(&trace, out)) << name;
    EXPECT_TRUE(out != nullptr && fclose(out) == 0) << name;
    return read_file(name);
}

size_t count_of(const std::string &text, const char *part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST(PlotWriters, WriteTheFilesKeptBesideTheTest)
{
    make_trace();
    EXPECT_TRUE(written(plot_svg_write, "plot_trace.svg") == read_file("plot_expected/trace.svg"))
        << "scratch/plot_trace.svg differs from tests/paneltest/plot_expected/trace.svg";
    EXPECT_TRUE(written(plot_vcd_write, "plot_trace.vcd") == read_file("plot_expected/trace.vcd"))
        << "scratch/plot_trace.vcd differs from tests/paneltest/plot_expected/trace.vcd";
}

// The other scan timings, and windows whose ticks take other units and steps.
TEST(PlotWriters, HeaderAndTicksOfOtherTraces)
{
    const struct {
        bool timed, default_pace;
        uint32_t pace_us;
        bool cut_short;
        uint64_t from_us, to_us;
        const char *text;
        size_t ticks;
    } cases[] = {
        // clang-format off
        {false, false, 250, true, 0, 300000, ">a scan every 250 us (pace-us), cut short: no end line, chatter threshold 30 ms<", 7},
        {false, true, 5000, false, 0, 300000, ">a scan every 5 ms (no pace-us), chatter threshold 30 ms<", 7},
        {true, false, 0, false, 0, 4000, ">0.5 ms<", 9},
        {true, false, 0, false, 3600000000, 3600020000, ">3600.005 s<", 5},
        {true, false, 0, false, 0, 40000000, ">35 s<", 9},
        {true, false, 0, false, 0, 1800000000, ">25 min<", 7},
        // clang-format on
    };
    for (const auto &c : cases) {
        make_trace();
        trace.timed = c.timed;
        trace.default_pace = c.default_pace;
        trace.pace_us = c.pace_us;
        trace.cut_short = c.cut_short;
        trace.from_us = c.from_us;
        trace.to_us = c.to_us;
        std::string svg = written(plot_svg_write, "plot_other.svg");
        EXPECT_NE(svg.find(c.text), std::string::npos) << c.text;
        EXPECT_EQ(count_of(svg, "stroke=\"none\">"), c.ticks) << c.text;
    }
}

// Press and release in every column of a lane: one rectangle, beside the background.
TEST(PlotWriters, EveryStepInOneColumnIsDrawnOnce)
{
    trace = {};
    trace.pressed = p0;
    trace.step_count = frame_script_max_frame_lines;
    trace.to_us = 8 * frame_script_max_frame_lines;
    for (uint32_t index = 0; index < trace.step_count; ++index) {
        trace.steps[index] = {8 * uint64_t{index}, index % 2 != 0 ? p0 : 0, true};
    }
    EXPECT_EQ(count_of(written(plot_svg_write, "plot_bounces.svg"), "<rect "), 2u);
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
