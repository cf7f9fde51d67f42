#include "command_line.h"

#include <errno.h>
#include <getopt.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "command_line_values.h"
#include "io_callbacks.h"
#include "scan_chatter.h"

namespace {

constexpr char usage_format[] =
    "usage: paneltest [--scans N] [--events | --check [--settle-ms N] | --chatter]\n"
    "                 [--chatter-ms N] [--record FILE] [--version]\n"
    "       paneltest --plot RECORDING --out OUT [--from S] [--to S] [--chatter-ms N]\n"
    "  Shows the panel buttons and system inputs read through wzio, redrawn\n"
    "  every cycle, until Escape is held; with --scans N it ends after N scans.\n"
    "  --events prints one line per press and release instead, two per link\n"
    "  drop-out (a run of failed scans), with its time, and a summary at the end.\n"
    "  --record FILE writes every scan to FILE, a frame script that the CH341\n"
    "  stand-in replays.\n"
    "  --check walks through every input and ends with one line per input:\n"
    "  release everything, then press each input when asked (space skips it,\n"
    "  escape ends the check). An input still active after the settle time\n"
    "  (--settle-ms N, %u to %u, default %u) is stuck.\n"
    "  --chatter scans as fast as the bridge answers and counts, for every\n"
    "  input, its presses and the ones that came sooner after its release than\n"
    "  the threshold (--chatter-ms N, %u to %u, default %u), as a worn switch\n"
    "  does; the check uses the threshold too. Space between two buttons starts\n"
    "  a new round: each input's counts start again at its next press; the last\n"
    "  lines give each input's latest round, and the chatter of its earlier ones.\n"
    "  --plot RECORDING draws a recording as a time line into OUT, a picture\n"
    "  (.svg, for a browser) or a dump (.vcd, for a logic-analyzer viewer),\n"
    "  with no bridge opened; --from S and --to S (seconds from its start)\n"
    "  keep a window of it, and its chatter is what --chatter counts.\n"
    "  --version prints the version and the commit it was built from.\n"
    "  Exit status: %d when every scan succeeded (and, with --check, every input\n"
    "  was ok; with --chatter, no latest round chattered), %d when no CH341 bridge\n"
    "  found, %d when any scan failed, %d for a wrong command line, a FILE\n"
    "  that cannot be created or a RECORDING that cannot be drawn, %d when the check did not find "
    "every input ok\n"
    "  or a scan failed during it, %d when --chatter ended with an input whose\n"
    "  latest round chattered, or saw a scan fail.\n";

char usage_text[sizeof usage_format + 64];

// Past any character: a short option getopt refuses is never taken for a long one.
enum long_option_value {
    scans_option = 256,
    check_option,
    events_option,
    chatter_option,
    record_option,
    settle_option,
    chatter_ms_option,
    help_option,
    version_option,
    plot_option,
    out_option,
    from_option,
    to_option,
};

constexpr struct option long_options[] = {
    {"scans", required_argument, nullptr, scans_option},
    {"check", no_argument, nullptr, check_option},
    {"events", no_argument, nullptr, events_option},
    {"chatter", no_argument, nullptr, chatter_option},
    {"record", required_argument, nullptr, record_option},
    {"settle-ms", required_argument, nullptr, settle_option},
    {"chatter-ms", required_argument, nullptr, chatter_ms_option},
    {"help", no_argument, nullptr, help_option},
    {"version", no_argument, nullptr, version_option},
    {"plot", required_argument, nullptr, plot_option},
    {"out", required_argument, nullptr, out_option},
    {"from", required_argument, nullptr, from_option},
    {"to", required_argument, nullptr, to_option},
    {nullptr, 0, nullptr, 0},
};

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

// Decimal digits only, in [low, high]; else the complaint names the option and its range.
bool read_number(const char *option, uint32_t low, uint32_t high, uint32_t *number)
{
    char *end = nullptr;
    errno = 0;
    unsigned long value = strtoul(optarg, &end, 10);
    // strtoul also takes leading blanks and a sign, and negates "-5" into range; past
    // ULONG_MAX (32 bits on Windows) it gives ERANGE instead of wrapping.
    if (optarg[0] < '0' || optarg[0] > '9' || *end != '\0' || errno == ERANGE || value < low ||
        value > high) {
        complain("%s takes a number from %u to %u", option, low, high);
        return false;
    }
    *number = static_cast<uint32_t>(value);
    return true;
}

// A file name, not an option: "--record --events" would record into a file named
// --events; ./-x still names one.
bool read_file_name(const char *option, const char **path)
{
    if (optarg[0] == '-') {
        complain("%s needs a file name", option);
        return false;
    }
    *path = optarg;
    return true;
}

// A long option getopt refused: a name cut short that more than one option
// starts with ("--chat": --chatter or --chatter-ms?), or one it does not know.
void complain_of_option(const char *given)
{
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

// The options one by one; then what they say together.
command_line_verdict read_options(int argc, char **argv, command_line *line)
{
    bool settle_given = false;
    bool scans_given = false;
    bool window_given = false;
    bool chatter_ms_given = false;
    int views_given = 0;
    // Both glibc's and MinGW-w64's getopt start afresh, a cut-short cluster
    // forgotten, when optind is 0. No message of getopt's own: ours goes out.
    optind = 0;
    opterr = 0;
    // A leading ':' has getopt tell a missing value (':') from an unknown option ('?').
    for (int option; (option = getopt_long(argc, argv, ":h", long_options, nullptr)) != -1;) {
        view_settings &settings = line->settings;
        switch (option) {
        case 'h':
        case help_option:
            return command_line_verdict::show_usage;
        case version_option:
            return command_line_verdict::show_version;
        case scans_option:
            if (!read_number("--scans", min_scan_limit, max_scan_limit, &settings.scan_limit)) {
                return command_line_verdict::wrong;
            }
            scans_given = true;
            break;
        case check_option:
        case events_option:
        case chatter_option:
            line->shown = option == check_option    ? view_kind::check
                          : option == events_option ? view_kind::events
                                                    : view_kind::chatter;
            ++views_given;
            break;
        case record_option:
            if (!read_file_name("--record", &line->record_path)) {
                return command_line_verdict::wrong;
            }
            break;
        case plot_option:
            if (!read_file_name("--plot", &line->plot.recording)) {
                return command_line_verdict::wrong;
            }
            break;
        case out_option:
            if (optarg[0] == '-' || !command_line_out_format(optarg, &line->plot.format)) {
                complain("--out takes a file name ending in .svg or .vcd");
                return command_line_verdict::wrong;
            }
            line->plot.out = optarg;
            break;
        case from_option:
        case to_option:
            if (!command_line_seconds(optarg, option == from_option ? &line->plot.from_us
                                                                    : &line->plot.to_us)) {
                complain("%s takes seconds from 0 to %lu, to six decimals",
                         option == from_option ? "--from" : "--to",
                         static_cast<unsigned long>(max_plot_seconds));
                return command_line_verdict::wrong;
            }
            window_given = true;
            break;
        case settle_option:
            if (!read_number("--settle-ms", min_settle_ms, max_settle_ms, &settings.settle_ms)) {
                return command_line_verdict::wrong;
            }
            settle_given = true;
            break;
        case chatter_ms_option:
            if (!read_number("--chatter-ms", chatter_min_ms, chatter_max_ms,
                             &settings.chatter_ms)) {
                return command_line_verdict::wrong;
            }
            chatter_ms_given = true;
            break;
        case ':':
            complain("%s needs a value", argv[optind - 1]);
            return command_line_verdict::wrong;
        default:
            // Within "-xh" optind still stands on the word: name the character alone.
            if (optopt > 0 && optopt < scans_option) {
                complain("unknown option -%c", static_cast<char>(optopt));
            } else {
                complain_of_option(argv[optind - 1]);
            }
            return command_line_verdict::wrong;
        }
    }
    // No operands; one view or a plot; a setting that what runs does not use is a mistake.
    bool plotted = line->plot.recording != nullptr;
    if (optind < argc) {
        complain("paneltest takes no arguments besides its options");
    } else if (views_given > 1) {
        complain("--events, --check and --chatter are views of their own: choose one");
    } else if (plotted && (views_given > 0 || scans_given || settle_given || line->record_path)) {
        complain("--plot goes with --out, --from, --to and --chatter-ms alone");
    } else if (!plotted && (line->plot.out != nullptr || window_given)) {
        complain("--out, --from and --to go with --plot");
    } else if (plotted && line->plot.out == nullptr) {
        complain("--plot needs --out OUT, a .svg or .vcd file");
    } else if (line->plot.from_us >= line->plot.to_us) {
        complain("--from goes before --to");
    } else if (settle_given && line->shown != view_kind::check) {
        complain("--settle-ms goes with --check");
    } else if (chatter_ms_given && !plotted && line->shown != view_kind::check &&
               line->shown != view_kind::chatter) {
        complain("--chatter-ms goes with --chatter, --check or --plot");
    }
    return complaint_text[0] == '\0' ? command_line_verdict::run : command_line_verdict::wrong;
}

}  // namespace

command_line command_line_read(int argc, char **argv)
{
    command_line line = {command_line_verdict::run,
                         view_kind::live,
                         {0, default_settle_ms, chatter_default_ms},
                         nullptr,
                         {nullptr, nullptr, plot_format::svg, 0, UINT64_MAX},
                         nullptr};
    complaint_text[0] = '\0';
    line.verdict = read_options(argc, argv, &line);
    line.complaint = line.verdict == command_line_verdict::wrong ? complaint_text : nullptr;
    return line;
}

const char *command_line_usage()
{
    snprintf(usage_text, sizeof usage_text, usage_format, min_settle_ms, max_settle_ms,
             default_settle_ms, chatter_min_ms, chatter_max_ms, chatter_default_ms, exit_done,
             exit_no_bridge, exit_scans_failed, exit_bad_arguments, exit_check_failed,
             exit_chatter_found);
    return usage_text;
}
