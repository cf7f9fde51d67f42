// The picture and the dump of a hand-made trace, byte for byte as kept in
// plot_expected/ (which plot_check.py reads as a person would), and what that trace cannot show.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "plot_svg.h"
#include "plot_vcd.h"

namespace {

constexpr uint32_t p0 = 1u << 0, p5 = 1u << 5, p12 = 1u << 12, s1 = 1u << 17, s2 = 1u << 18;

plot_trace trace;  // static: it holds every step a recording may have

// Steps as the reader makes them, with the chatter counts they give.
void set_steps(const plot_step *steps, uint32_t count)
{
    scan_chatter_start(&trace.chatter, chatter_default_ms);
    for (uint32_t index = 0; index < count; ++index) {
        trace.steps[trace.step_count++] = steps[index];
        trace.pressed |= steps[index].inputs;
        scan_chatter_scan(&trace.chatter, steps[index].link_up, steps[index].inputs,
                          steps[index].at_us);
    }
}

// Panel 5 and sys 2 bounce, sys 1 is held into a drop-out past the hold,
// panel 12's press is thinner than a pixel; the version line needs escaping.
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
    set_steps(steps, sizeof steps / sizeof steps[0]);
    trace.chatters[trace.chatter_count++] = {104200, 1200, 5};
    trace.chatters[trace.chatter_count++] = {105300, 400, 5};
    trace.chatters[trace.chatter_count++] = {121500, 500, 18};
    trace.dropouts[trace.dropout_count++] = {200000, 270000};
}

std::string read_file(const char *name)
{
    std::string text;
    FILE *in = fopen(name, "rb");
    char buffer[4096];
    for (size_t got; in != nullptr && (got = fread(buffer, 1, sizeof buffer, in)) != 0;) {
        text.append(buffer, got);
    }
    if (in != nullptr) {
        fclose(in);
    }
    return text;
}

// What write made of the trace in the file name, a scratch file a person may look at.
std::string written(bool (*write)(const plot_trace *, FILE *), const char *name)
{
    FILE *out = fopen(name, "wb");
    EXPECT_NE(out, nullptr) << name;
    EXPECT_TRUE(out != nullptr && write(&trace, out));
    if (out != nullptr) {
        fclose(out);
    }
    return read_file(name);
}

TEST(PlotWriters, WriteTheFilesKeptBesideTheTest)
{
    make_trace();
    EXPECT_TRUE(written(plot_svg_write, "plot_trace.svg") == read_file("plot_expected/trace.svg"))
        << "scratch/plot_trace.svg differs from tests/paneltest/plot_expected/trace.svg";
    EXPECT_TRUE(written(plot_vcd_write, "plot_trace.vcd") == read_file("plot_expected/trace.vcd"))
        << "scratch/plot_trace.vcd differs from tests/paneltest/plot_expected/trace.vcd";
}

TEST(PlotWriters, HeaderSaysHowScansWereTimed)
{
    make_trace();
    trace.timed = false;
    trace.pace_us = 250;
    trace.cut_short = true;
    EXPECT_NE(written(plot_svg_write, "plot_paced.svg")
                  .find(">a scan every 250 us (pace-us), cut short: no end line, chatter"),
              std::string::npos);
    trace.default_pace = true;
    trace.pace_us = 5000;
    trace.cut_short = false;
    EXPECT_NE(written(plot_svg_write, "plot_paced.svg")
                  .find(">a scan every 5 ms (no pace-us), chatter threshold 30 ms<"),
              std::string::npos);
}

// Round steps in the unit that suits the window, its labels from the recording's start.
TEST(PlotWriters, TicksInUnitsThatFitTheWindow)
{
    const struct {
        uint64_t from_us, to_us;
        const char *label;
    } cases[] = {
        // clang-format off
        {0, 4000, ">0.5 ms<"},
        {1000000, 4000000, ">1.5 s<"},
        {3600000000, 3600020000, ">3600.005 s<"},
        {0, 40000000, ">5 s<"},
        {0, 1800000000, ">5 min<"},
        // clang-format on
    };
    for (const auto &c : cases) {
        make_trace();
        trace.from_us = c.from_us;
        trace.to_us = c.to_us;
        EXPECT_NE(written(plot_svg_write, "plot_ticks.svg").find(c.label), std::string::npos)
            << c.label;
    }
}

// A bounce of every column draws the lane in one rectangle, beside the background.
TEST(PlotWriters, EveryStepInOneColumnIsDrawnOnce)
{
    trace = {};
    trace.to_us = 8 * frame_script_max_frame_lines;
    for (uint32_t index = 0; index < frame_script_max_frame_lines; ++index) {
        trace.steps[index] = {8 * uint64_t{index}, index % 2 != 0 ? p0 : 0, true};
    }
    trace.step_count = frame_script_max_frame_lines;
    trace.pressed = p0;
    std::string svg = written(plot_svg_write, "plot_bounces.svg");
    size_t rects = 0;
    for (size_t at = svg.find("<rect "); at != std::string::npos; at = svg.find("<rect ", at + 1)) {
        ++rects;
    }
    EXPECT_EQ(rects, 2u);
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
