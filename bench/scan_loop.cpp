// The bare scan loop that paneltest --chatter is measured against: the
// calls a game makes, back to back, with nothing else in between. Prints the
// median time between scan starts, the most a sampling loop can reach.
//   scan_loop [SCANS]   (default 5000; the CH341 stand-in's settings apply)
#include <stdio.h>
#include <stdlib.h>

#include "monotonic_clock.h"
#include "scan_timing.h"
#include "wzio.h"

namespace {

duration_window periods;

}  // namespace

int main(int argc, char **argv)
{
    unsigned long scans = argc > 1 ? strtoul(argv[1], nullptr, 10) : 5000;
    if (scans < 2 || !wz_io_init(nullptr, nullptr, nullptr)) {
        fputs("scan_loop: no bridge, or fewer than two scans asked for\n", stderr);
        return 1;
    }
    duration_window_start(&periods);
    uint64_t last_us = monotonic_clock_us();
    wz_io_read_inputs();
    for (unsigned long scan = 1; scan < scans; ++scan) {
        uint64_t start_us = monotonic_clock_us();
        wz_io_read_inputs();
        duration_window_record(&periods, start_us - last_us);
        last_us = start_us;
    }
    wz_io_fini();
    printf("bare loop: median %lu us between scan starts\n",
           static_cast<unsigned long>(duration_window_figures(&periods).median_us));
    return 0;
}
