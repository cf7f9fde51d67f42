// paneltest: shows what the panel I/O library reads from a panel wired to a
// CH341 board. It drives wzio the way a game does and redraws the sixteen
// panel buttons, the three system inputs, the scan counts and the scan time
// every cycle, until Escape is held or, with --scans N, after N scans. With
// --events it prints every press and release instead (scan_events.h), with
// --check it walks the operator through every input (wiring_check.h), and
// --record FILE keeps every scan as a frame script (scan_record.h).
#include <errno.h>
#include <getopt.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "console.h"
#include "io_version.h"
#include "log.h"
#include "monotonic_clock.h"
#include "scan_chatter.h"
#include "scan_events.h"
#include "scan_rate.h"
#include "scan_record.h"
#include "scan_timing.h"
#include "thread.h"
#include "wiring_check.h"
#include "wzio.h"

namespace {

constexpr int exit_done = 0;
constexpr int exit_no_bridge = -1;
constexpr int exit_scans_failed = -2;
constexpr int exit_bad_arguments = -3;
constexpr int exit_check_failed = -4;

constexpr int panel_rows = 4;
constexpr int panel_columns = 4;
constexpr int sys_input_count = 3;

// Beyond a billion scans (two months at full speed) Escape is the way to go on.
constexpr uint32_t max_scan_limit = 1000000000;
constexpr uint32_t default_settle_ms = 2000;
constexpr uint32_t max_settle_ms = 60000;

// Room for the longest check line: one input short with all eighteen others.
constexpr size_t check_text_size = 256;
// "scan time:   min 4294967295 us, median ..." with room to spare.
constexpr size_t scan_time_line_size = 96;

constexpr char screen_rule[] = "-------------------------\n";
// First on every screen, so a photo of it tells which build was running.
constexpr char version_line[] = "paneltest " IO_VERSION_TEXT "\n";
constexpr char check_screen_start[] = "Wiring check, press escape to end it\n";
constexpr char usage_text[] =
    "usage: paneltest [--scans N] [--events | --check [--settle-ms N]] [--record FILE]\n"
    "                 [--version]\n"
    "  Shows the panel buttons and system inputs read through wzio, redrawn\n"
    "  every cycle, until Escape is held; with --scans N it ends after N scans.\n"
    "  --events prints one line per press, release and failed scan instead,\n"
    "  with its time, and a summary at the end.\n"
    "  --record FILE writes every scan to FILE, a frame script that the CH341\n"
    "  stand-in replays.\n"
    "  --check walks through every input and ends with one line per input:\n"
    "  release everything, then press each input when asked (space skips it,\n"
    "  escape ends the check). An input still active after the settle time\n"
    "  (--settle-ms N, 0 to 60000, default 2000) is stuck. --version prints\n"
    "  the version and the commit it was built from.\n"
    "  Exit status: 0 when every scan succeeded (and, with --check, every input\n"
    "  was ok), -1 when no CH341 bridge was found, -2 when any scan failed,\n"
    "  -3 for a wrong command line or a FILE that cannot be created, -4 when\n"
    "  the check did not find every input ok or a scan failed during it.\n";
constexpr char no_bridge_text[] =
    "No CH341 bridge found: check the board's USB cable and the CH341 driver";

enum class arguments_verdict { run, show_usage, show_version, wrong };

enum class view { live, events, check };

struct options {
    uint32_t scan_limit;  // 0: until Escape (or the check's end)
    view shown;
    uint32_t settle_ms;
    const char *record_path;  // null: no recording
};

struct cycle_counts {
    uint32_t scans;
    uint32_t failed;
};

// What one cycle's scan read, through the calls a game makes.
struct scan_reading {
    bool ok;
    uint16_t panel;
    uint8_t sys;
    uint64_t started_ms;
};

// The recording of --record FILE; not recording while its file is null.
scan_recording recording;

int bit_of(unsigned int value, int bit)
{
    return static_cast<int>((value >> bit) & 1u);
}

// Decimal digits only, in [low, high].
bool parse_number(const char *text, uint32_t low, uint32_t high, uint32_t *number)
{
    // strtoul would also take leading blanks and a sign, and negate "-5" into range.
    if (*text < '0' || *text > '9') {
        return false;
    }
    char *end = nullptr;
    errno = 0;
    unsigned long value = strtoul(text, &end, 10);
    // Past ULONG_MAX (32 bits on Windows) it gives ERANGE instead of wrapping.
    if (*end != '\0' || errno == ERANGE || value < low || value > high) {
        return false;
    }
    *number = static_cast<uint32_t>(value);
    return true;
}

arguments_verdict parse_arguments(int argc, char **argv, options *chosen)
{
    const struct option long_options[] = {
        {"scans", required_argument, nullptr, 's'},
        {"check", no_argument, nullptr, 'c'},
        {"events", no_argument, nullptr, 'e'},
        {"record", required_argument, nullptr, 'r'},
        {"settle-ms", required_argument, nullptr, 'm'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'v'},
        {nullptr, 0, nullptr, 0},
    };
    // No message of getopt's own: the usage goes out instead.
    opterr = 0;
    bool settle_given = false;
    bool events_given = false;
    for (int option; (option = getopt_long(argc, argv, "h", long_options, nullptr)) != -1;) {
        switch (option) {
        case 'h':
            return arguments_verdict::show_usage;
        case 'v':
            return arguments_verdict::show_version;
        case 's':
            if (!parse_number(optarg, 1, max_scan_limit, &chosen->scan_limit)) {
                return arguments_verdict::wrong;
            }
            break;
        case 'c':
            chosen->shown = view::check;
            break;
        case 'e':
            events_given = true;
            break;
        case 'r':
            chosen->record_path = optarg;
            break;
        case 'm':
            if (!parse_number(optarg, 0, max_settle_ms, &chosen->settle_ms)) {
                return arguments_verdict::wrong;
            }
            settle_given = true;
            break;
        default:
            return arguments_verdict::wrong;
        }
    }
    // No operands; one view; a settle time without the check is a mistake.
    bool check = chosen->shown == view::check;
    if (optind < argc || (events_given && check) || (settle_given && !check)) {
        return arguments_verdict::wrong;
    }
    if (events_given) {
        chosen->shown = view::events;
    }
    return arguments_verdict::run;
}

// Only wz_io_read_inputs is timed: it is the call that crosses the USB.
scan_reading scan_once(cycle_counts *counts)
{
    uint64_t start_us = monotonic_clock_us();
    bool scan_ok = wz_io_read_inputs();
    scan_timing_record(monotonic_clock_us() - start_us);
    // A failed scan is shown and counted, never fatal: a loose cable must show up.
    ++counts->scans;
    if (!scan_ok) {
        ++counts->failed;
    }
    scan_reading reading = {scan_ok, wz_io_get_panel_inputs(), wz_io_get_sys_inputs(),
                            start_us / 1000u};
    scan_recording_scan(&recording, reading.ok, reading.panel, reading.sys, reading.started_ms);
    return reading;
}

// The grid and the system inputs, under "Panel buttons" and its rule.
void format_inputs(uint16_t panel, uint8_t sys)
{
    // Bit 0 top left, row by row, as the library numbers the buttons.
    for (int row = 0; row < panel_rows; ++row) {
        for (int column = 0; column < panel_columns; ++column) {
            int bit = row * panel_columns + column;
            console_screen_printf("|%2d: %d", bit, bit_of(panel, bit));
        }
        console_screen_printf("|\n");
    }
    console_screen_printf("%sSystem inputs\n", screen_rule);
    for (int bit = 0; bit < sys_input_count; ++bit) {
        console_screen_printf("|%2d: %d", bit, bit_of(sys, bit));
    }
    console_screen_printf("|\n%s", screen_rule);
}

// The scan time line, for a screen and for the check's summary.
void format_scan_time(char *line, size_t size)
{
    scan_timing_figures time = scan_timing_now();
    if (time.count == 0) {
        snprintf(line, size, "scan time:   --");
        return;
    }
    snprintf(line, size, "scan time:   min %lu us, median %lu us, max %lu us",
             static_cast<unsigned long>(time.min_us), static_cast<unsigned long>(time.median_us),
             static_cast<unsigned long>(time.max_us));
}

// The lines every screen ends with: scan time, failed scans and the last scan.
void format_screen_end(uint32_t failed, bool scan_ok)
{
    char line[scan_time_line_size];
    format_scan_time(line, sizeof line);
    console_screen_printf("%s\nfailed:      %lu\n", line, static_cast<unsigned long>(failed));
    // The library reports a failed scan with every input released: say so.
    console_screen_printf("%s\n", scan_ok ? "last scan:   ok"
                                         : "last scan:   FAILED, inputs shown as released");
}

void show_screen(const scan_reading &reading, const cycle_counts &counts)
{
    console_screen_printf("%sPress escape to quit\nPanel buttons\n%s", version_line, screen_rule);
    format_inputs(reading.panel, reading.sys);
    console_screen_printf("panel_state: 0x%04X\nsys_state:   0x%02X\n%s",
                          static_cast<unsigned int>(reading.panel),
                          static_cast<unsigned int>(reading.sys), screen_rule);
    console_screen_printf("scans:       %lu\n", static_cast<unsigned long>(counts.scans));
    int32_t rate = scan_rate_per_second();
    if (rate == scan_rate_unknown) {
        console_screen_printf("per second:  --\n");
    } else {
        console_screen_printf("per second:  %ld\n", static_cast<long>(rate));
    }
    format_screen_end(counts.failed, reading.ok);
    console_screen_show();
}

void show_check_screen(const scan_reading &reading, const wiring_check &check,
                       const cycle_counts &counts)
{
    char text[check_text_size];
    wiring_check_format_prompt(&check, text, sizeof text);
    console_screen_printf("%s%s%s\nPanel buttons\n%s", version_line, check_screen_start, text,
                          screen_rule);
    format_inputs(reading.panel, reading.sys);
    console_screen_printf("ok so far:   %d of %d\n", wiring_check_ok_count(&check),
                          check_input_count);
    if (check.last_judged < 0) {
        console_screen_printf("last result: --\n");
    } else {
        wiring_check_format_result(&check, check.last_judged, text, sizeof text);
        console_screen_printf("last result: %s\n", text);
    }
    console_screen_printf("scans:       %lu\n", static_cast<unsigned long>(counts.scans));
    format_screen_end(counts.failed, reading.ok);
    console_screen_show();
}

// The live view: until Escape or the scan limit.
void live_cycles(uint32_t scan_limit, cycle_counts *counts)
{
    scan_rate_start(monotonic_clock_ms());
    for (;;) {
        if ((console_keys_pressed() & console_key_escape) != 0) {
            return;
        }
        scan_reading reading = scan_once(counts);
        scan_rate_count(monotonic_clock_ms());
        show_screen(reading, *counts);
        if (scan_limit != 0 && counts->scans == scan_limit) {
            return;
        }
        console_pause();
    }
}

// The event view, at the live view's pace: a line for every edge as it happens.
void event_cycles(uint32_t scan_limit, scan_events *events, cycle_counts *counts)
{
    scan_events_start(events);
    char line[scan_events_line_size];
    for (;;) {
        if ((console_keys_pressed() & console_key_escape) != 0) {
            return;
        }
        scan_reading reading = scan_once(counts);
        scan_events_scan(events, reading.ok, wiring_check_inputs_of(reading.panel, reading.sys),
                         reading.started_ms);
        while (scan_events_next_line(events, line, sizeof line)) {
            puts(line);
        }
        // Out now, not when a buffer fills: a script or a person is watching.
        fflush(stdout);
        if (scan_limit != 0 && counts->scans == scan_limit) {
            return;
        }
        console_pause();
    }
}

// The check, at the live view's pace: until every step has its verdict,
// Escape ends it or the scan limit is reached.
void check_cycles(const options &chosen, wiring_check *check, cycle_counts *counts)
{
    wiring_check_start(check, chosen.settle_ms, chatter_default_ms, monotonic_clock_us());
    for (;;) {
        unsigned int keys = console_keys_pressed();
        if ((keys & console_key_escape) != 0) {
            return;
        }
        // Space answers the prompt on screen, the one from before this cycle's scan.
        if ((keys & console_key_space) != 0) {
            wiring_check_skip(check);
        }
        scan_reading reading = scan_once(counts);
        wiring_check_scan(check, reading.ok, wiring_check_inputs_of(reading.panel, reading.sys),
                          monotonic_clock_us());
        show_check_screen(reading, *check, *counts);
        if (check->phase == check_phase::done ||
            (chosen.scan_limit != 0 && counts->scans == chosen.scan_limit)) {
            return;
        }
        console_pause();
    }
}

// One line per input in step order, then the total: the form scripts read.
void print_check_summary(const wiring_check &check)
{
    char text[check_text_size];
    for (int input = 0; input < check_input_count; ++input) {
        wiring_check_format_result(&check, input, text, sizeof text);
        puts(text);
    }
    wiring_check_format_total(&check, text, sizeof text);
    puts(text);
}

}  // namespace

int main(int argc, char **argv)
{
    options chosen = {0, view::live, default_settle_ms, nullptr};
    switch (parse_arguments(argc, argv, &chosen)) {
    case arguments_verdict::run:
        break;
    case arguments_verdict::show_usage:
        fputs(usage_text, stdout);
        return exit_done;
    case arguments_verdict::show_version:
        fputs(version_line, stdout);
        return exit_done;
    case arguments_verdict::wrong:
        fputs(usage_text, stdout);
        return exit_bad_arguments;
    }

    // Loggers and thread services are handed over as a game would, though the
    // library neither logs nor starts a thread.
    log_bind_writer(log_writer_console, nullptr);
    // A level-F line ends the process past every exit handler: give the terminal back first.
    log_set_fatal_cleanup(console_end_cycles);
    wz_io_set_loggers(logger_table[log_level_misc], logger_table[log_level_info],
                      logger_table[log_level_warning], logger_table[log_level_fatal]);
    // Before the bridge is touched, so a wrong path costs no scan.
    if (chosen.record_path != nullptr &&
        !scan_recording_open(&recording, chosen.record_path, version_line, monotonic_clock_ms())) {
        printf("Cannot create the recording %s: %s\n", chosen.record_path, strerror(errno));
        return exit_bad_arguments;
    }
    if (!wz_io_init(host_thread_start, host_thread_join, host_thread_close)) {
        puts(no_bridge_text);
        scan_recording_close(&recording);
        return exit_no_bridge;
    }

    cycle_counts counts = {0, 0};
    wiring_check check;
    scan_events events;
    console_begin_cycles();
    scan_timing_start();
    switch (chosen.shown) {
    case view::live:
        live_cycles(chosen.scan_limit, &counts);
        break;
    case view::events:
        event_cycles(chosen.scan_limit, &events, &counts);
        break;
    case view::check:
        check_cycles(chosen, &check, &counts);
        break;
    }
    wz_io_fini();
    console_end_cycles();
    if (!scan_recording_close(&recording)) {
        printf("The recording %s is incomplete: writing to it failed\n", chosen.record_path);
    }
    if (chosen.shown == view::events) {
        char summary[scan_events_line_size];
        scan_events_format_summary(&events, summary, sizeof summary);
        puts(summary);
        return counts.failed == 0 ? exit_done : exit_scans_failed;
    }
    printf("Ended after %lu scans, %lu failed\n", static_cast<unsigned long>(counts.scans),
           static_cast<unsigned long>(counts.failed));
    if (chosen.shown == view::live) {
        return counts.failed == 0 ? exit_done : exit_scans_failed;
    }
    char scan_time[scan_time_line_size];
    format_scan_time(scan_time, sizeof scan_time);
    puts(scan_time);
    print_check_summary(check);
    return wiring_check_passed(&check) ? exit_done : exit_check_failed;
}
