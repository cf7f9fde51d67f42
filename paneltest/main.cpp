// paneltest: shows what the panel I/O library reads from a panel wired to a
// CH341 board. It drives wzio the way a game does and redraws the sixteen
// panel buttons, the three system inputs and the scan counts every cycle,
// until Escape is held or, with --scans N, after N scans.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "console.h"
#include "log.h"
#include "monotonic_clock.h"
#include "scan_rate.h"
#include "thread.h"
#include "wzio.h"

namespace {

constexpr int exit_done = 0;
constexpr int exit_no_bridge = -1;
constexpr int exit_scans_failed = -2;
constexpr int exit_bad_arguments = -3;

constexpr int panel_rows = 4;
constexpr int panel_columns = 4;
constexpr int sys_input_count = 3;

// Beyond a billion scans (two months at full speed) Escape is the way to go on.
constexpr uint32_t max_scan_limit = 1000000000;

constexpr char screen_rule[] = "-------------------------\n";
constexpr char usage_text[] =
    "usage: paneltest [--scans N]\n"
    "  Shows the panel buttons and system inputs read through wzio, redrawn\n"
    "  every cycle, until Escape is held; with --scans N it ends after N scans.\n"
    "  Exit status: 0 when every scan succeeded, -1 when no CH341 bridge was\n"
    "  found, -2 when any scan failed, -3 for a wrong command line.\n";
constexpr char no_bridge_text[] =
    "No CH341 bridge found: check the board's USB cable and the CH341 driver";

enum class arguments_verdict { run, show_usage, wrong };

int bit_of(unsigned int value, int bit)
{
    return static_cast<int>((value >> bit) & 1u);
}

// Decimal digits only, in [1, max_scan_limit].
bool parse_scan_limit(const char *text, uint32_t *limit)
{
    uint32_t value = 0;
    if (*text == '\0') {
        return false;
    }
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9') {
            return false;
        }
        uint32_t digit = static_cast<uint32_t>(*text - '0');
        // Checked before it grows, so a long number cannot wrap back into range.
        if (value > (max_scan_limit - digit) / 10) {
            return false;
        }
        value = value * 10 + digit;
    }
    if (value == 0) {
        return false;
    }
    *limit = value;
    return true;
}

// scan_limit stays 0 (run until Escape) unless --scans N is given.
arguments_verdict parse_arguments(int argc, char **argv, uint32_t *scan_limit)
{
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            return arguments_verdict::show_usage;
        }
        if (strcmp(argv[i], "--scans") == 0 && i + 1 < argc &&
            parse_scan_limit(argv[i + 1], scan_limit)) {
            ++i;
            continue;
        }
        return arguments_verdict::wrong;
    }
    return arguments_verdict::run;
}

void print_screen(uint16_t panel, uint8_t sys, bool scan_ok, uint32_t scans, uint32_t failed)
{
    printf("Press escape to quit\nPanel buttons\n%s", screen_rule);
    // Bit 0 top left, row by row, as the library numbers the buttons.
    for (int row = 0; row < panel_rows; ++row) {
        for (int column = 0; column < panel_columns; ++column) {
            int bit = row * panel_columns + column;
            printf("|%2d: %d", bit, bit_of(panel, bit));
        }
        fputs("|\n", stdout);
    }
    printf("%sSystem inputs\n", screen_rule);
    for (int bit = 0; bit < sys_input_count; ++bit) {
        printf("|%2d: %d", bit, bit_of(sys, bit));
    }
    printf("|\n%s", screen_rule);
    printf("panel_state: 0x%04X\nsys_state:   0x%02X\n%s", static_cast<unsigned int>(panel),
           static_cast<unsigned int>(sys), screen_rule);
    printf("scans:       %lu\n", static_cast<unsigned long>(scans));
    int32_t rate = scan_rate_per_second();
    if (rate == scan_rate_unknown) {
        puts("per second:  --");
    } else {
        printf("per second:  %ld\n", static_cast<long>(rate));
    }
    printf("failed:      %lu\n", static_cast<unsigned long>(failed));
    // The library reports a failed scan with every input released: say so.
    puts(scan_ok ? "last scan:   ok" : "last scan:   FAILED, inputs shown as released");
}

}  // namespace

int main(int argc, char **argv)
{
    uint32_t scan_limit = 0;
    switch (parse_arguments(argc, argv, &scan_limit)) {
    case arguments_verdict::run:
        break;
    case arguments_verdict::show_usage:
        fputs(usage_text, stdout);
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
    if (!wz_io_init(host_thread_start, host_thread_join, host_thread_close)) {
        puts(no_bridge_text);
        return exit_no_bridge;
    }

    uint32_t scans = 0;
    uint32_t failed = 0;
    console_begin_cycles();
    scan_rate_start(monotonic_clock_ms());
    for (;;) {
        console_clear();
        if (console_escape_held()) {
            break;
        }
        // A failed scan is shown and counted, never fatal: a loose cable must show up.
        bool scan_ok = wz_io_read_inputs();
        uint16_t panel = wz_io_get_panel_inputs();
        uint8_t sys = wz_io_get_sys_inputs();
        ++scans;
        if (!scan_ok) {
            ++failed;
        }
        scan_rate_count(monotonic_clock_ms());
        print_screen(panel, sys, scan_ok, scans, failed);
        // One write per screen keeps the redraw whole and in order with the clear.
        fflush(stdout);
        if (scan_limit != 0 && scans == scan_limit) {
            break;
        }
        console_pause();
    }
    wz_io_fini();
    console_end_cycles();
    printf("Ended after %lu scans, %lu failed\n", static_cast<unsigned long>(scans),
           static_cast<unsigned long>(failed));
    return failed == 0 ? exit_done : exit_scans_failed;
}
