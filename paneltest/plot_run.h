// paneltest --plot RECORDING --out OUT: the recording read into a trace and
// written as a picture (.svg) or a dump (.vcd), with no bridge opened. OUT
// appears whole or not at all: it is written beside OUT under another name,
// then renamed over it.
#ifndef PANELTEST_PLOT_RUN_H
#define PANELTEST_PLOT_RUN_H

#include <stdint.h>

enum class plot_format { svg, vcd };

struct plot_settings {
    const char *recording;  // null: no plot
    const char *out;
    plot_format format;
    uint64_t from_us;
    uint64_t to_us;  // UINT64_MAX: to the recording's end
};

// Writes the picture or the dump; null when OUT is written, else the one line
// that says what is wrong and where (OUT is then as it was).
const char *plot_run(const plot_settings &settings, uint32_t chatter_ms);

#endif
