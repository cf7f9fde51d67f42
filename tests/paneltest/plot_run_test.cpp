// paneltest --plot's run in-process: every bad input gives its one line and
// leaves OUT as it was, with nothing half written beside it; a good one
// replaces OUT whole.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "plot_read.h"
#include "plot_run.h"
#include "program_run.h"
#include "sim_control.h"

namespace {

const std::string good_recording = "# paneltest 1.0.0 (abcdef0)\npace-us 1000\n"
                                   "panel=0x0020 sys=0x0 repeat=3 at-us=0\n"
                                   "panel=0x0000 sys=0x0 at-us=3000\nend at-us=4000\n";
constexpr char before[] = "what OUT held before";

TEST(PlotRun, EachBadInputSaysWhatAndWhereAndLeavesOutAsItWas)
{
    const std::string n = test_name(), frames = n + ".frames", none = n + ".none";
    const uint64_t end = UINT64_MAX;
    // A folder the build makes, which a file cannot replace. Messages that end in ": " go
    // on with the system's reason.
    const std::string folder = "plot_run_folder.svg";
    // clang-format off
    const struct { std::string recording; std::string out; uint64_t from_us, to_us; std::string says; } rows[] = {
        {"", n + ".svg", 0, end, "Cannot read the recording " + none + ": "},
        {"pace-us 1000\npanel=0x0020 sys=0x0\npanel=0x0020 sys=0x0 bogus\n", n + ".svg", 0, end, "Cannot read the recording " + frames + ":3: unknown word bogus"},
        {"FF FF FF\n", n + ".svg", 0, end, "Cannot read the recording " + frames + ":1: raw frame bytes: a recording is needed, replay them with --record first"},
        {"panel=0x0000 sys=0x0 at-us=300000\npanel=0x0001 sys=0x0 at-us=100000\n", n + ".vcd", 0, end, "Cannot read the recording " + frames + ":2: at-us= goes back in time"},
        {"# paneltest x\npace-us 5\n", n + ".svg", 0, end, "Cannot read the recording " + frames + ": no frames"},
        {good_recording, n + ".svg", 4000, end, "Cannot plot the recording " + frames + ": the window starts at 0.004 s, past its end at 0.004 s"},
        {good_recording, n + ".svg", 12500000, 13000000, "Cannot plot the recording " + frames + ": the window starts at 12.5 s, past its end at 0.004 s"},
        {good_recording, "no-such-folder/" + n + ".svg", 0, end, "Cannot write no-such-folder/" + n + ".svg: "},
        {good_recording, folder, 0, end, "Cannot write " + folder + ": "},
    };
    // clang-format on
    for (const auto &row : rows) {
        SCOPED_TRACE(row.says);
        write_file(frames, row.recording);  // an empty one: the run reads none, which is missing
        // A folder, or a file in none, holds nothing before.
        bool kept = row.out != folder && write_file(row.out, before);
        plot_settings settings = {row.recording.empty() ? none.c_str() : frames.c_str(),
                                  row.out.c_str(), plot_format::svg, row.from_us, row.to_us};
        const char *said = plot_run(settings, 30);
        ASSERT_NE(said, nullptr);
        bool cut = row.says.compare(row.says.size() - 2, 2, ": ") == 0;
        EXPECT_EQ(cut ? std::string(said).substr(0, row.says.size()) : std::string(said), row.says);
        EXPECT_GT(std::string(said).size(), cut ? row.says.size() : 0) << "the system's reason";
        EXPECT_EQ(std::string(said).find('\n'), std::string::npos) << "one line";
        EXPECT_TRUE(!kept || read_file(row.out) == before);
        EXPECT_FALSE(std::ifstream(row.out + ".partial").is_open());
    }
}

TEST(PlotRun, AGoodRecordingReplacesOutWhole)
{
    const std::string n = test_name(), frames = n + ".frames";
    write_file(frames, good_recording);
    for (const char *extension : {".svg", ".vcd"}) {
        std::string out = n + extension;
        write_file(out, before);
        plot_format format = extension[1] == 's' ? plot_format::svg : plot_format::vcd;
        EXPECT_EQ(plot_run({frames.c_str(), out.c_str(), format, 1000, 3500}, 30), nullptr);
        EXPECT_NE(read_file(out), before);
        EXPECT_NE(read_file(out), "");
        EXPECT_FALSE(std::ifstream(out + ".partial").is_open());
    }
}

// A recording as read: its version, timing, period, length, scans/failed and drop-outs.
std::string read_as(const std::string &frames, const std::string &text)
{
    static plot_trace trace;
    char fault[plot_fault_size];
    write_file(frames, text);
    if (!plot_read(frames.c_str(), {0, UINT64_MAX, 30}, &trace, fault)) {
        return fault;
    }
    std::ostringstream read;
    read << trace.version << (trace.timed ? ", timed" : ", untimed")
         << (trace.cut_short ? ", cut short, " : ", ends, ")
         << (trace.default_pace ? "default " : "pace ") << trace.pace_us << " us, "
         << trace.length_us << " us, " << trace.scans << "/" << trace.failed_scans;
    for (uint32_t i = 0; i < trace.dropout_count; ++i) {
        read << " [" << trace.dropouts[i].from_us << ", " << trace.dropouts[i].to_us << ")";
    }
    return read.str();
}

// Every failing word fails its line's scans, an unplug is a drop-out of its own, the
// first line names the build; untimed lines without pace-us go 5 ms a scan.
TEST(PlotRead, FailingWordsUnplugsAndTheVersionLine)
{
    const std::string frames = test_name() + ".frames";
    EXPECT_EQ(read_as(frames,
                      "# paneltest 9.9.9 (abc)\npanel=0x0001 sys=0x1 repeat=2\n"
                      "panel=0x0000 sys=0x0 addr-fail=9\n"
                      "panel=0x0000 sys=0x0 short-read=3 repeat=3\n"
                      "panel=0x0000 sys=0x0 read-fail=1\npanel=0x0002 sys=0x0\nunplug-ms 7\n"),
              "paneltest 9.9.9 (abc), untimed, cut short, default 5000 us, 47000 us, 8/5 "
              "[10000, 35000) [40000, 47000)");
    EXPECT_EQ(
        read_as(frames, "# paneltest-like\npace-us 9\npanel=0x0000 sys=0x0 at-us=0\nend at-us=9\n"),
        ", timed, ends, pace 9 us, 9 us, 1/0");
}

}  // namespace
