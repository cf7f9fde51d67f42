// The picture's time scale: which pixel column of the plot a time falls in,
// and the time axis's ticks at round values, all in integers.
#ifndef PANELTEST_PLOT_SCALE_H
#define PANELTEST_PLOT_SCALE_H

#include <stddef.h>
#include <stdint.h>

// At most this many ticks along the axis, each step 1, 2 or 5 times a power of ten.
constexpr uint64_t plot_max_ticks = 10;

// A window [from_us, from_us + span_us) over columns 0 to columns - 1.
struct plot_scale {
    uint64_t from_us;
    uint64_t span_us;  // never 0
    uint32_t columns;
};

// The window from_us to to_us over columns columns (a window of no length counts as 1 us).
plot_scale plot_scale_of(uint64_t from_us, uint64_t to_us, uint32_t columns);

// The column at_us falls in: column c holds the times from c * span / columns
// on; before the window is column 0, from its end on the last column.
uint32_t plot_scale_column(const plot_scale *scale, uint64_t at_us);

// The axis's step: the least round step that gives at most plot_max_ticks
// over the window; in microseconds 1, 2, 5, 10 ... 20 s, then in minutes
// 1, 2, 5, 10 ... min.
uint64_t plot_scale_tick_step(const plot_scale *scale);

// A tick's label, at_us a multiple of step_us, with the decimals the step
// needs: in ms while the window ends by 1 s ("2.5 ms", "750 ms"), in seconds
// while the step is under a minute ("2 s", "12.5 s"), else in minutes ("5 min").
void plot_scale_tick_label(const plot_scale *scale, uint64_t step_us, uint64_t at_us, char *text,
                           size_t size);

#endif
