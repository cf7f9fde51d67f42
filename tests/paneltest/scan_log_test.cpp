// The event lines and the recording of made-up scans, 5 ms apart: what a
// board script cannot reach in a test's time (a million scans, the frame line limit).
#include <gtest/gtest.h>

#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program_run.h"
#include "scan_script.h"
#include "scan_events.h"
#include "scan_record.h"

namespace {

// The scan times a view hands the recording, for its scan time line.
duration_window scan_times;

TEST(ScanLog, EventLinesAndFrameLinesOfMadeUpScans)
{
    for (uint64_t duration_us : {3, 9, 2}) {
        duration_window_record(&scan_times, duration_us);
    }
    std::vector<scripted_run> alternating(record_max_frame_lines + 1, run_of(0, 1));
    for (size_t run = 1; run < alternating.size(); run += 2) {
        alternating[run].active = 1;
    }
    // events: every line, empty: not looked at; counts: the comment line after the version,
    // without its padding; pace_us: the median scan period the view gives at the close;
    // dropouts: the screen's line; held: per failed scan, h when the inputs are shown held, r
    // released.
    // clang-format off
    const struct { const char *name; std::vector<scripted_run> steps; std::vector<std::string> events; std::string frames_start; size_t frame_lines; std::string counts; uint32_t pace_us; std::string pace; std::string dropouts; std::string held; std::string end; } cases[] = {
        // A run past the longest repeat, a failed scan that reads a phantom press, a hold past
        // a second, timed from its press, and one of a second exactly.
        {"long_run", {run_of(0, 1), run_of(0x8000 | 0x4 << 16, 1000001), failed_run(0x0001, 1), run_of(0, 1), run_of(0x0001, 200), run_of(0, 1)}, {"0.005 s, scan 2: panel 15 pressed", "0.005 s, scan 2: sys 2 pressed", "5000.010 s, scan 1000003: scan failed", "5000.015 s, scan 1000004: link back after 0.005 s, 1 scans failed", "5000.015 s, scan 1000004: panel 15 released after 5000010 ms", "5000.015 s, scan 1000004: sys 2 released after 5000010 ms", "5000.020 s, scan 1000005: panel 0 pressed", "5001.020 s, scan 1000205: panel 0 released after 1000 ms", "events: 1000205 scans, 1 failed, 6 edges"}, "panel=0x0000 sys=0x0 at-us=0\npanel=0x8000 sys=0x4 repeat=1000000 at-us=5000\n" "panel=0x8000 sys=0x4 at-us=5000005000\n" "panel=0x0000 sys=0x0 read-fail=1 at-us=5000010000\npanel=0x0000 sys=0x0 " "at-us=5000015000\n" "panel=0x0001 sys=0x0 repeat=200 at-us=5000020000\npanel=0x0000 sys=0x0 " "at-us=5001020000\n", 7, "# scans: 1000205, failed: 1", 5000, "pace-us 5000", "link drop-outs: 1, longest 0.01 s, last 0.01 s", "h", "end at-us=5001025000"},
        // Link drop-outs: from the first scan, while panel 5 is held (40 ms and 50 ms
        // into it: held, then released as a game sees it), with nothing held, and one
        // still open at the end. Panel 5 is one press and one hold through them.
        {"link_dropouts", {failed_run(0, 1), run_of(0x0020, 1), failed_run(0x0020, 9), run_of(0x0020, 1), failed_run(0, 11), run_of(0x0020, 1), run_of(0, 1), failed_run(0, 20), run_of(0x0001, 1), failed_run(0x0001, 11)}, {"0.000 s, scan 1: scan failed", "0.005 s, scan 2: link back after 0.005 s, 1 scans failed", "0.005 s, scan 2: panel 5 pressed", "0.010 s, scan 3: scan failed", "0.055 s, scan 12: link back after 0.045 s, 9 scans failed", "0.060 s, scan 13: scan failed", "0.115 s, scan 24: link back after 0.055 s, 11 scans failed; a game saw the held " "inputs released from 50 ms on", "0.120 s, scan 25: panel 5 released after 115 ms", "0.125 s, scan 26: scan failed", "0.225 s, scan 46: link back after 0.100 s, 20 scans failed", "0.225 s, scan 46: panel 0 pressed", "0.230 s, scan 47: scan failed", "0.280 s, scan 57: link still down at the end, 0.050 s, 11 scans failed; a game saw " "the held inputs released from 50 ms on", "events: 57 scans, 52 failed, 3 edges"}, "panel=0x0000 sys=0x0 read-fail=1 at-us=0\npanel=0x0020 sys=0x0 at-us=5000\n", 10, "# scans: 57, failed: 52", 5000, "pace-us 5000", "link drop-outs: 5, longest 0.10 s, last 0.05 s", "r" + std::string(9, 'h') + std::string(10, 'h') + "r" + std::string(10, 'h') + std::string(10, 'r') + std::string(10, 'h') + "r", "end at-us=285000"},
        // One run more than the stand-in takes: it is left out and the comment says so.
        {"frame_line_limit", alternating, {}, "panel=0x0000 sys=0x0 at-us=0\npanel=0x0001 sys=0x0 at-us=5000\n", 65536, "# scans: 65537, failed: 0, only the first 65536 recorded (frame line limit)", record_max_pace_us + 1, "pace-us 1000000", "link drop-outs: none", "", "end at-us=327680000"},  // the run left out starts there
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = std::string("scan_log_") + c.name + ".recording";
        scan_recording recording;
        ASSERT_TRUE(
            scan_recording_open(&recording, path.c_str(), "paneltest test\n", &scan_times, 0));
        scan_events events;
        scan_events_start(&events);
        std::vector<std::string> lines;
        std::string held;
        char line[scan_events_line_size];
        auto scan = [&](scan_events *counted, bool ok, uint32_t active, uint64_t now_us) {
            scan_events_scan(counted, ok, active, now_us);
            while (scan_events_next_line(counted, line, sizeof line)) {
                lines.push_back(line);
            }
            if (!ok) {
                held += scan_link_inputs_held(&counted->link) ? 'h' : 'r';
            }
            scan_recording_scan(&recording, ok, static_cast<uint16_t>(active),
                                static_cast<uint8_t>(active >> 16), now_us);
            // As a view's first update, before there is a period; the close brings it.
            if (now_us == 7000) {
                scan_recording_pace(&recording, 0);
            }
        };
        play_scans(scans_of(c.steps, 7000, 5000), &events, scan, [](scan_events *) {});
        ASSERT_TRUE(scan_recording_close(&recording, c.pace_us));
        if (scan_events_end_line(&events, line, sizeof line)) {
            lines.push_back(line);
        }
        scan_events_format_summary(&events, line, sizeof line);
        lines.push_back(line);
        EXPECT_EQ(held, c.held);
        scan_link_format_screen(&events.link, line, sizeof line);
        EXPECT_EQ(line, c.dropouts);
        if (!c.events.empty()) {
            EXPECT_EQ(lines, c.events);
        }
        // The version, counts and scan time lines, the pace line, the frame lines, the end line.
        std::vector<std::string> file = lines_of(read_file(path));
        ASSERT_GE(file.size(), 5u);
        auto unpadded = [&file](size_t at) {
            return file[at].substr(0, file[at].find_last_not_of(' ') + 1);
        };
        EXPECT_EQ((std::vector<std::string>{unpadded(1), unpadded(2), unpadded(3), file.back()}),
                  (std::vector<std::string>{
                      c.counts, "# scan time: min 2 us, median 3 us, max 9 us", c.pace, c.end}));
        std::vector<std::string> start = lines_of(c.frames_start);
        size_t shown = std::min(file.size(), 4 + start.size());
        EXPECT_EQ(std::vector<std::string>(file.begin() + 4, file.begin() + shown), start);
        EXPECT_EQ(file.size() - 5, c.frame_lines);
    }
}

// POSIX only: Windows has no device that opens as a file and refuses every
// write, and a skip here would hide inside this program's passing run.
#ifndef _WIN32
TEST(ScanLog, ARecordingThatCannotBeWrittenFailsItsClose)
{
    scan_recording recording;
    ASSERT_TRUE(scan_recording_open(&recording, "/dev/full", "paneltest test\n", &scan_times, 0));
    scan_recording_scan(&recording, true, 1, 0, 5000);
    EXPECT_FALSE(scan_recording_close(&recording, 5000));
}
#endif

}  // namespace
