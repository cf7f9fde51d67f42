// paneltest: shows what the panel I/O library reads from a panel wired to a
// CH341 board. It drives wzio the way a game does and redraws the sixteen
// panel buttons, the three system inputs, the scan counts and the scan time
// every cycle, until Escape is held or, with --scans N, after N scans. With
// --events it prints every press and release instead, with --check it walks
// the operator through every input, and --record FILE keeps every scan as a
// frame script. This file reads the command line and runs one view (view.h).
#include <errno.h>
#include <getopt.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "console.h"
#include "log.h"
#include "scan_chatter.h"
#include "scan_session.h"
#include "thread.h"
#include "view.h"
#include "view_chatter.h"
#include "view_check.h"
#include "view_events.h"
#include "view_live.h"
#include "wzio.h"

namespace {

// Beyond a billion scans (two months at full speed) Escape is the way to go on.
constexpr uint32_t max_scan_limit = 1000000000;
constexpr uint32_t default_settle_ms = 2000;
constexpr uint32_t max_settle_ms = 60000;

constexpr char usage_text[] =
    "usage: paneltest [--scans N] [--events | --check [--settle-ms N] | --chatter]\n"
    "                 [--chatter-ms N] [--record FILE] [--version]\n"
    "  Shows the panel buttons and system inputs read through wzio, redrawn\n"
    "  every cycle, until Escape is held; with --scans N it ends after N scans.\n"
    "  --events prints one line per press and release instead, two per link\n"
    "  drop-out (a run of failed scans), with its time, and a summary at the end.\n"
    "  --record FILE writes every scan to FILE, a frame script that the CH341\n"
    "  stand-in replays.\n"
    "  --check walks through every input and ends with one line per input:\n"
    "  release everything, then press each input when asked (space skips it,\n"
    "  escape ends the check). An input still active after the settle time\n"
    "  (--settle-ms N, 0 to 60000, default 2000) is stuck.\n"
    "  --chatter scans as fast as the bridge answers and counts, for every\n"
    "  input, its presses and the ones that came sooner after its release than\n"
    "  the threshold (--chatter-ms N, 1 to 1000, default 30), as a worn switch\n"
    "  does; the check uses the threshold too. Space between two buttons starts\n"
    "  a new round: each input's counts start again at its next press; the last\n"
    "  lines give each input's latest round, and the chatter of its earlier ones.\n"
    "  --version prints the version and the commit it was built from.\n"
    "  Exit status: 0 when every scan succeeded (and, with --check, every input\n"
    "  was ok; with --chatter, no latest round chattered), -1 when no CH341 bridge\n"
    "  found, -2 when any scan failed, -3 for a wrong command line or a FILE\n"
    "  that cannot be created, -4 when the check did not find every input ok\n"
    "  or a scan failed during it, -5 when --chatter ended with an input whose\n"
    "  latest round chattered, or saw a scan fail.\n";
constexpr char no_bridge_text[] =
    "No CH341 bridge found: check the board's USB cable and the CH341 driver";

enum class arguments_verdict { run, show_usage, show_version, wrong };

enum class view { live, events, check, chatter };

struct options {
    view shown;
    view_settings settings;
    const char *record_path;  // null: no recording
};

// Each view's loop, and its last lines once the bridge and the console are let go.
struct view_entry {
    view shown;
    void (*run)(const view_settings &settings, cycle_counts *counts);
    int (*finish)(const cycle_counts &counts);
};

// Indexed by view: each entry names its own, and the build checks the order.
constexpr view_entry views[] = {
    {view::live, live_view_run, live_view_finish},
    {view::events, events_view_run, events_view_finish},
    {view::check, check_view_run, check_view_finish},
    {view::chatter, chatter_view_run, chatter_view_finish},
};

constexpr bool views_in_enum_order()
{
    for (size_t i = 0; i < sizeof views / sizeof views[0]; ++i) {
        if (static_cast<size_t>(views[i].shown) != i) {
            return false;
        }
    }
    return static_cast<size_t>(view::chatter) + 1 == sizeof views / sizeof views[0];
}
static_assert(views_in_enum_order(), "views[] is indexed by view");

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

// Names the option in a complaint; longer ones are cut.
char complaint_text[96];

// Appends to complaint_text, as far as it has room.
IO_PRINTF_FORMAT(1, 2) void complain(const char *format, ...)
{
    size_t used = strlen(complaint_text);
    va_list args;
    va_start(args, format);
    vsnprintf(complaint_text + used, sizeof complaint_text - used, format, args);
    va_end(args);
}

// An option getopt refused: a name cut short that more than one option starts
// with ("--chat": --chatter or --chatter-ms?), or one it does not know.
void complain_of_option(const struct option *long_options, const char *given)
{
    complaint_text[0] = '\0';
    const char *name = strncmp(given, "--", 2) == 0 ? given + 2 : nullptr;
    // Up to a value after '=', if any.
    const char *value = name != nullptr ? strchr(name, '=') : nullptr;
    size_t length = name == nullptr    ? 0
                    : value != nullptr ? static_cast<size_t>(value - name)
                                       : strlen(name);
    int matches = 0;
    bool exact = false;
    for (int i = 0; name != nullptr && long_options[i].name != nullptr; ++i) {
        if (strncmp(long_options[i].name, name, length) == 0) {
            exact = exact || long_options[i].name[length] == '\0';
            ++matches;
        }
    }
    // "--chatter=5" is a value where none goes, not a short name.
    if (exact || matches < 2) {
        complain("unknown option %s", given);
        return;
    }
    complain("ambiguous option --%.*s: ", static_cast<int>(length), name);
    int listed = 0;
    for (int i = 0; long_options[i].name != nullptr; ++i) {
        if (strncmp(long_options[i].name, name, length) == 0) {
            const char *before = listed == 0 ? "" : listed == matches - 1 ? " or " : ", ";
            complain("%s--%s", before, long_options[i].name);
            ++listed;
        }
    }
    complain("?");
}

// Sets *complaint to what is wrong, for the line before the usage.
arguments_verdict parse_arguments(int argc, char **argv, options *chosen, const char **complaint)
{
    const struct option long_options[] = {
        {"scans", required_argument, nullptr, 's'},
        {"check", no_argument, nullptr, 'c'},
        {"events", no_argument, nullptr, 'e'},
        {"chatter", no_argument, nullptr, 't'},
        {"record", required_argument, nullptr, 'r'},
        {"settle-ms", required_argument, nullptr, 'm'},
        {"chatter-ms", required_argument, nullptr, 'k'},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, 'v'},
        {nullptr, 0, nullptr, 0},
    };
    // No message of getopt's own: ours and the usage go out instead.
    opterr = 0;
    bool settle_given = false;
    bool chatter_ms_given = false;
    int views_given = 0;
    // A leading ':' has getopt tell a missing value (':') from an unknown option ('?').
    for (int option; (option = getopt_long(argc, argv, ":h", long_options, nullptr)) != -1;) {
        switch (option) {
        case 'h':
            return arguments_verdict::show_usage;
        case 'v':
            return arguments_verdict::show_version;
        case 's':
            if (!parse_number(optarg, 1, max_scan_limit, &chosen->settings.scan_limit)) {
                *complaint = "--scans takes a number from 1 to 1000000000";
                return arguments_verdict::wrong;
            }
            break;
        case 'c':
        case 'e':
        case 't':
            chosen->shown = option == 'c'   ? view::check
                            : option == 'e' ? view::events
                                            : view::chatter;
            ++views_given;
            break;
        case 'r':
            // "--record --events" would record into a file named --events; ./-x still names one.
            if (optarg[0] == '-') {
                *complaint = "--record needs a file name";
                return arguments_verdict::wrong;
            }
            chosen->record_path = optarg;
            break;
        case 'm':
            if (!parse_number(optarg, 0, max_settle_ms, &chosen->settings.settle_ms)) {
                *complaint = "--settle-ms takes a number from 0 to 60000";
                return arguments_verdict::wrong;
            }
            settle_given = true;
            break;
        case 'k':
            if (!parse_number(optarg, chatter_min_ms, chatter_max_ms,
                              &chosen->settings.chatter_ms)) {
                *complaint = "--chatter-ms takes a number from 1 to 1000";
                return arguments_verdict::wrong;
            }
            chatter_ms_given = true;
            break;
        case ':':
            snprintf(complaint_text, sizeof complaint_text, "%s needs a value", argv[optind - 1]);
            *complaint = complaint_text;
            return arguments_verdict::wrong;
        default:
            complain_of_option(long_options, argv[optind - 1]);
            *complaint = complaint_text;
            return arguments_verdict::wrong;
        }
    }
    // No operands; one view; a time that the chosen view does not use is a mistake.
    if (optind < argc) {
        *complaint = "paneltest takes no arguments besides its options";
        return arguments_verdict::wrong;
    }
    if (views_given > 1) {
        *complaint = "--events, --check and --chatter are views of their own: choose one";
        return arguments_verdict::wrong;
    }
    if (settle_given && chosen->shown != view::check) {
        *complaint = "--settle-ms goes with --check";
        return arguments_verdict::wrong;
    }
    if (chatter_ms_given && chosen->shown != view::check && chosen->shown != view::chatter) {
        *complaint = "--chatter-ms goes with --chatter or --check";
        return arguments_verdict::wrong;
    }
    return arguments_verdict::run;
}

}  // namespace

int main(int argc, char **argv)
{
    options chosen = {view::live, {0, default_settle_ms, chatter_default_ms}, nullptr};
    const char *complaint = nullptr;
    switch (parse_arguments(argc, argv, &chosen, &complaint)) {
    case arguments_verdict::run:
        break;
    case arguments_verdict::show_usage:
        fputs(usage_text, stdout);
        return exit_done;
    case arguments_verdict::show_version:
        fputs(view_version_line, stdout);
        return exit_done;
    case arguments_verdict::wrong:
        printf("%s\n", complaint);
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
    if (chosen.record_path != nullptr && !scan_session_open_recording(chosen.record_path)) {
        printf("Cannot create the recording %s: %s\n", chosen.record_path, strerror(errno));
        return exit_bad_arguments;
    }
    if (!wz_io_init(host_thread_start, host_thread_join, host_thread_close)) {
        puts(no_bridge_text);
        scan_session_close_recording();
        return exit_no_bridge;
    }

    const view_entry &shown = views[static_cast<int>(chosen.shown)];
    cycle_counts counts = {0, 0};
    console_begin_run();
    scan_session_start();
    shown.run(chosen.settings, &counts);
    wz_io_fini();
    console_end_run();
    if (!scan_session_close_recording()) {
        printf("The recording %s is incomplete: writing to it failed\n", chosen.record_path);
    }
    // An interrupted run ends as Escape would, with a line above the last ones to say so.
    if (console_interruption() != nullptr) {
        printf("Interrupted by %s\n", console_interruption());
    }
    return console_run_exit_status(shown.finish(counts));
}
