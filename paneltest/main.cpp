// paneltest: shows what the panel I/O library reads from a panel wired to a
// CH341 board. It drives wzio the way a game does and redraws the sixteen
// panel buttons, the three system inputs, the scan counts and the scan time
// every cycle, until Escape is held or, with --scans N, after N scans. With
// --events it prints every press and release instead, with --check it walks
// the operator through every input, and --record FILE keeps every scan as a
// frame script. This file reads the command line and runs one view (view.h).
#include <errno.h>
#include <getopt.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "console.h"
#include "log.h"
#include "thread.h"
#include "view.h"
#include "wzio.h"

namespace {

// Beyond a billion scans (two months at full speed) Escape is the way to go on.
constexpr uint32_t max_scan_limit = 1000000000;
constexpr uint32_t default_settle_ms = 2000;
constexpr uint32_t max_settle_ms = 60000;

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
    view shown;
    view_settings settings;
    const char *record_path;  // null: no recording
};

// Each view's loop, and its last lines once the bridge and the console are let go.
struct view_entry {
    void (*run)(const view_settings &settings, cycle_counts *counts);
    int (*finish)(const cycle_counts &counts);
};

constexpr view_entry views[] = {
    {live_view_run, live_view_finish},
    {events_view_run, events_view_finish},
    {check_view_run, check_view_finish},
};

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
        {"scans", required_argument, nullptr, 's'},     {"check", no_argument, nullptr, 'c'},
        {"events", no_argument, nullptr, 'e'},          {"record", required_argument, nullptr, 'r'},
        {"settle-ms", required_argument, nullptr, 'm'}, {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'v'},         {nullptr, 0, nullptr, 0},
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
            if (!parse_number(optarg, 1, max_scan_limit, &chosen->settings.scan_limit)) {
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
            // "--record --events" would record into a file named --events; ./-x still names one.
            if (optarg[0] == '-') {
                fputs("--record needs a file name\n", stdout);
                return arguments_verdict::wrong;
            }
            chosen->record_path = optarg;
            break;
        case 'm':
            if (!parse_number(optarg, 0, max_settle_ms, &chosen->settings.settle_ms)) {
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

}  // namespace

int main(int argc, char **argv)
{
    options chosen = {view::live, {0, default_settle_ms}, nullptr};
    switch (parse_arguments(argc, argv, &chosen)) {
    case arguments_verdict::run:
        break;
    case arguments_verdict::show_usage:
        fputs(usage_text, stdout);
        return exit_done;
    case arguments_verdict::show_version:
        fputs(view_version_line, stdout);
        return exit_done;
    case arguments_verdict::wrong:
        fputs(usage_text, stdout);
        return exit_bad_arguments;
    }

    // Loggers and thread services are handed over as a game would, though the
    // library neither logs nor starts a thread.
    log_bind_writer(log_writer_console, nullptr);
    // A level-F line ends the process past every exit handler: give the console back first.
    log_set_fatal_cleanup(console_end_run);
    wz_io_set_loggers(logger_table[log_level_misc], logger_table[log_level_info],
                      logger_table[log_level_warning], logger_table[log_level_fatal]);
    // Before the bridge is touched, so a wrong path costs no scan.
    if (chosen.record_path != nullptr && !view_recording_open(chosen.record_path)) {
        printf("Cannot create the recording %s: %s\n", chosen.record_path, strerror(errno));
        return exit_bad_arguments;
    }
    if (!wz_io_init(host_thread_start, host_thread_join, host_thread_close)) {
        puts(no_bridge_text);
        view_recording_close();
        return exit_no_bridge;
    }

    const view_entry &shown = views[static_cast<int>(chosen.shown)];
    cycle_counts counts = {0, 0};
    console_begin_run();
    view_start_scans();
    shown.run(chosen.settings, &counts);
    wz_io_fini();
    console_end_run();
    if (!view_recording_close()) {
        printf("The recording %s is incomplete: writing to it failed\n", chosen.record_path);
    }
    // An interrupted run ends as Escape would, with a line above the last ones to say so.
    if (console_interruption() != nullptr) {
        printf("Interrupted by %s\n", console_interruption());
    }
    return console_run_exit_status(shown.finish(counts));
}
