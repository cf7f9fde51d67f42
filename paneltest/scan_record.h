// paneltest --record FILE: every scan of the run written as a frame script
// that the CH341 stand-in replays by its times (sim/ch341dll/README.md).
// One frame line per run of identical scans, in the decoded form, with the
// time of the run's first scan in microseconds from the recording's first:
//   panel=0x0020 sys=0x1 repeat=40 at-us=1234567
//   panel=0x0000 sys=0x0 read-fail=1 at-us=1282001        (a failed scan)
// after comment lines with the version, the counts and the scan time, and
// the pace line "pace-us 1210" (the median scan period, which the stand-in
// ignores in a timed script). A closed recording ends with "end at-us=N",
// one median scan period after its last scan.
#ifndef PANELTEST_SCAN_RECORD_H
#define PANELTEST_SCAN_RECORD_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "frame_script_limits.h"
#include "scan_timing.h"

// The stand-in's bounds: repeat= of one frame line, frame lines of one script, pace-us.
constexpr uint32_t record_max_repeat = frame_script_max_repeat;
constexpr uint32_t record_max_frame_lines = frame_script_max_frame_lines;
constexpr uint32_t record_max_pace_us = frame_script_max_pace_us;

// Scans in a row that read the same; repeat 0 before the first scan.
struct record_run {
    bool ok;
    uint16_t panel;
    uint8_t sys;
    uint32_t repeat;
    uint64_t at_us;  // the run's first scan, from the recording's first
};

// Adds one scan made at_us after the recording's first. When it cannot join
// the run (it reads differently, or the run holds record_max_repeat scans),
// the run goes to *ended, true is returned and the scan starts a new run. A
// failed scan counts as "panel=0x0000 sys=0x0" whatever the library reported.
bool record_run_add(record_run *run, bool scan_ok, uint16_t panel, uint8_t sys, uint64_t at_us,
                    record_run *ended);

struct scan_recording {
    FILE *file;      // null: not recording
    long counts_at;  // where the comment lines that change start
    record_run run;
    uint32_t scans;
    uint32_t failed;
    uint32_t frame_lines;
    uint32_t recorded_scans;  // the scans of the frame lines written
    bool full;                // a run found no room for its frame line
    uint64_t left_out_us;     // when the first run left out began
    uint64_t first_scan_us;   // monotonic
    uint64_t last_scan_us;    // from the first scan
    uint64_t flushed_us;
    bool write_failed;
    uint32_t pace_us;                   // the median scan period; 0 while it is not known
    const duration_window *scan_times;  // the view's, for the scan time line
};

// Creates the file and writes its comment lines, the scan time line from
// scan_times as it goes; false when it cannot be created.
bool scan_recording_open(scan_recording *recording, const char *path, const char *version_line,
                         const duration_window *scan_times, uint64_t now_us);

// Records one scan started at now_us (monotonic microseconds). At least once a
// second the comment lines are brought up to date and the file is flushed,
// so a run that is killed leaves every frame line written before that.
// Does nothing while not recording.
void scan_recording_scan(scan_recording *recording, bool scan_ok, uint16_t panel, uint8_t sys,
                         uint64_t now_us);

// Takes the view's median scan period (0: not known yet) for the pace line,
// written with the comment lines; a period over record_max_pace_us is
// written as that. Does nothing while not recording.
void scan_recording_pace(scan_recording *recording, uint32_t period_us);

// Takes the view's median scan period at the end, as scan_recording_pace
// does, then writes the last run, the end line a period after it and the
// final comment lines and closes the file. False when any of it could not
// be written. Does nothing while not recording.
bool scan_recording_close(scan_recording *recording, uint32_t period_us);

#endif
