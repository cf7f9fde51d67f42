#include "scan_record.h"

#include <string.h>

#include "frame_line_text.h"

namespace {

constexpr uint64_t flush_interval_us = 1000000;

// The lines that change are rewritten in place, so each keeps one width.
constexpr size_t counts_line_width = 100;
constexpr size_t pace_line_width = 24;

// Ends a comment line in text: spaces up to its width, then the newline.
void pad_line(char *text, size_t width)
{
    size_t length = strlen(text);
    while (length < width - 1) {
        text[length++] = ' ';
    }
    text[width - 1] = '\n';
    text[width] = '\0';
}

// "# scans: 400, failed: 3", "# scan time: min 1 us, median 4 us, max 6 us"
// and "pace-us 1210", padded.
void write_counts(scan_recording *recording)
{
    char lines[2][counts_line_width + 1];
    if (!recording->full) {
        snprintf(lines[0], sizeof lines[0], "# scans: %lu, failed: %lu",
                 static_cast<unsigned long>(recording->scans),
                 static_cast<unsigned long>(recording->failed));
    } else {
        snprintf(lines[0], sizeof lines[0],
                 "# scans: %lu, failed: %lu, only the first %lu recorded (frame line limit)",
                 static_cast<unsigned long>(recording->scans),
                 static_cast<unsigned long>(recording->failed),
                 static_cast<unsigned long>(recording->recorded_scans));
    }
    char time[scan_timing_text_size];
    scan_timing_format(duration_window_figures(recording->scan_times), time, sizeof time);
    snprintf(lines[1], sizeof lines[1], "# scan time: %s", time);
    // Not a comment: the stand-in starts the replay's scans at least this far apart.
    char pace[pace_line_width + 1];
    snprintf(pace, sizeof pace, "pace-us %lu", static_cast<unsigned long>(recording->pace_us));
    pad_line(pace, pace_line_width);
    FILE *file = recording->file;
    bool written = fseek(file, recording->counts_at, SEEK_SET) == 0;
    for (char *line : lines) {
        pad_line(line, counts_line_width);
        written = written && fputs(line, file) >= 0;
    }
    written = written && fputs(pace, file) >= 0;
    // The frame lines go on where they stopped.
    written = written && fseek(file, 0, SEEK_END) == 0;
    recording->write_failed = recording->write_failed || !written;
}

void write_frame(scan_recording *recording, const record_run &run)
{
    if (recording->frame_lines == record_max_frame_lines) {
        // The stand-in would refuse a longer script: the rest of the run is left out.
        if (!recording->full) {
            recording->left_out_us = run.at_us;
        }
        recording->full = true;
        return;
    }
    char line[frame_line_text_size];
    frame_line_text(line, sizeof line, run.panel, run.sys, !run.ok, run.repeat, run.at_us);
    bool written = fputs(line, recording->file) >= 0 && fputc('\n', recording->file) != EOF;
    recording->write_failed = recording->write_failed || !written;
    ++recording->frame_lines;
    recording->recorded_scans += run.repeat;
}

void flush(scan_recording *recording)
{
    write_counts(recording);
    recording->write_failed = recording->write_failed || fflush(recording->file) != 0;
}

}  // namespace

bool record_run_add(record_run *run, bool scan_ok, uint16_t panel, uint8_t sys, uint64_t at_us,
                    record_run *ended)
{
    // The library reports a failed scan with every input released; only the failure is kept.
    if (!scan_ok) {
        panel = 0;
        sys = 0;
    }
    if (run->repeat != 0 && run->repeat < record_max_repeat && run->ok == scan_ok &&
        run->panel == panel && run->sys == sys) {
        ++run->repeat;
        return false;
    }
    bool ends_one = run->repeat != 0;
    if (ends_one) {
        *ended = *run;
    }
    *run = {scan_ok, panel, sys, 1, at_us};
    return ends_one;
}

bool scan_recording_open(scan_recording *recording, const char *path, const char *version_line,
                         const duration_window *scan_times, uint64_t now_us)
{
    *recording = {};
    recording->scan_times = scan_times;
    // Binary: the same bytes on every platform, and the comment lines keep their offsets.
    FILE *file = fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    recording->file = file;
    recording->flushed_us = now_us;
    bool written = fprintf(file, "# %s", version_line) > 0;
    recording->counts_at = ftell(file);
    recording->write_failed = !written || recording->counts_at < 0;
    flush(recording);
    return true;
}

void scan_recording_scan(scan_recording *recording, bool scan_ok, uint16_t panel, uint8_t sys,
                         uint64_t now_us)
{
    if (recording->file == nullptr) {
        return;
    }
    if (recording->scans == 0) {
        recording->first_scan_us = now_us;
    }
    recording->last_scan_us = now_us - recording->first_scan_us;
    ++recording->scans;
    if (!scan_ok) {
        ++recording->failed;
    }
    record_run ended;
    if (record_run_add(&recording->run, scan_ok, panel, sys, recording->last_scan_us, &ended)) {
        write_frame(recording, ended);
    }
    if (now_us - recording->flushed_us >= flush_interval_us) {
        flush(recording);
        recording->flushed_us = now_us;
    }
}

void scan_recording_pace(scan_recording *recording, uint32_t period_us)
{
    if (recording->file != nullptr) {
        recording->pace_us = period_us < record_max_pace_us ? period_us : record_max_pace_us;
    }
}

bool scan_recording_close(scan_recording *recording, uint32_t period_us)
{
    if (recording->file == nullptr) {
        return true;
    }
    // The period of the whole run: the last update may be a quarter of a second old.
    scan_recording_pace(recording, period_us);
    if (recording->run.repeat != 0) {
        write_frame(recording, recording->run);
        // The last run lasts until the scan after it would have started, or
        // until the first run left out.
        uint64_t end_us =
            recording->full ? recording->left_out_us : recording->last_scan_us + recording->pace_us;
        bool written = fprintf(recording->file, "end at-us=%llu\n",
                               static_cast<unsigned long long>(end_us)) > 0;
        recording->write_failed = recording->write_failed || !written;
    }
    flush(recording);
    bool closed = fclose(recording->file) == 0;
    recording->file = nullptr;
    return closed && !recording->write_failed;
}
