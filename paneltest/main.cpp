// paneltest: shows what the panel I/O library reads from a panel wired to a
// CH341 board. It drives wzio the way a game does and redraws the sixteen
// panel buttons, the three system inputs, the scan counts and the scan time
// every cycle, until Escape is held or, with --scans N, after N scans. With
// --events it prints every press and release instead, with --check it walks
// the operator through every input, and --record FILE keeps every scan as a
// frame script; --plot draws such a recording. This file reads the command
// line (command_line.h) and runs one view (view.h) or the plot (plot_run.h).
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "command_line.h"
#include "console.h"
#include "log.h"
#include "plot_run.h"
#include "scan_session.h"
#include "thread.h"
#include "view.h"
#include "view_chatter.h"
#include "view_check.h"
#include "view_events.h"
#include "view_live.h"
#include "wzio.h"

namespace {

constexpr char no_bridge_text[] =
    "No CH341 bridge found: check the board's USB cable and the CH341 driver";

// Each view's loop, and its last lines once the bridge and the console are let go.
struct view_entry {
    view_kind shown;
    void (*run)(const view_settings &settings, cycle_counts *counts);
    int (*finish)(const cycle_counts &counts);
};

// Indexed by view: each entry names its own, and the build checks the order.
constexpr view_entry views[] = {
    {view_kind::live, live_view_run, live_view_finish},
    {view_kind::events, events_view_run, events_view_finish},
    {view_kind::check, check_view_run, check_view_finish},
    {view_kind::chatter, chatter_view_run, chatter_view_finish},
};

constexpr bool views_in_enum_order()
{
    for (size_t i = 0; i < sizeof views / sizeof views[0]; ++i) {
        if (static_cast<size_t>(views[i].shown) != i) {
            return false;
        }
    }
    return static_cast<size_t>(view_kind::chatter) + 1 == sizeof views / sizeof views[0];
}
static_assert(views_in_enum_order(), "views[] is indexed by view_kind");

}  // namespace

int main(int argc, char **argv)
{
    command_line chosen = command_line_read(argc, argv);
    switch (chosen.verdict) {
    case command_line_verdict::run:
        break;
    case command_line_verdict::show_usage:
        fputs(command_line_usage(), stdout);
        return exit_done;
    case command_line_verdict::show_version:
        fputs(view_version_line, stdout);
        return exit_done;
    case command_line_verdict::wrong:
        printf("%s\n", chosen.complaint);
        fputs(command_line_usage(), stdout);
        return exit_bad_arguments;
    }

    // A picture of a recording needs no bridge and no console.
    if (chosen.plot.recording != nullptr) {
        const char *fault = plot_run(chosen.plot, chosen.settings.chatter_ms);
        if (fault != nullptr) {
            puts(fault);
            return exit_bad_arguments;
        }
        return exit_done;
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
