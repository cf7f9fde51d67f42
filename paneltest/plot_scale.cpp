#include "plot_scale.h"

#include "plot_text.h"
#include "time_units.h"

namespace {

constexpr uint64_t us_per_min = 60 * uint64_t{us_per_s};
// Past 20 s a step of seconds gives way to minutes.
constexpr uint64_t longest_second_step_us = 20 * uint64_t{us_per_s};
constexpr uint64_t round_mantissas[] = {1, 2, 5};

// The number of decimals that show every multiple of step_us in unit_us.
int decimals_of(uint64_t step_us, uint64_t unit_us)
{
    int decimals = 0;
    for (uint64_t digit_us = unit_us; step_us % digit_us != 0; digit_us /= 10) {
        ++decimals;
    }
    return decimals;
}

// The least round step of base_us or more whose ticks fit; 0 when none does up to limit_us.
uint64_t fitting_step(uint64_t span_us, uint64_t base_us, uint64_t limit_us)
{
    for (uint64_t power_us = base_us; power_us <= limit_us; power_us *= 10) {
        for (uint64_t mantissa : round_mantissas) {
            uint64_t step_us = mantissa * power_us;
            if (step_us <= limit_us && span_us / step_us < plot_max_ticks) {
                return step_us;
            }
        }
    }
    return 0;
}

}  // namespace

plot_scale plot_scale_of(uint64_t from_us, uint64_t to_us, uint32_t columns)
{
    return plot_scale{from_us, to_us > from_us ? to_us - from_us : 1, columns};
}

uint32_t plot_scale_column(const plot_scale *scale, uint64_t at_us)
{
    if (at_us <= scale->from_us) {
        return 0;
    }
    uint64_t offset_us = at_us - scale->from_us;
    if (offset_us >= scale->span_us) {
        return scale->columns - 1;
    }
    uint64_t span_us = scale->span_us;
    // Halve both until the product fits 64 bits: only windows of centuries lose a bit.
    while (span_us > UINT64_MAX / scale->columns) {
        offset_us /= 2;
        span_us /= 2;
    }
    return static_cast<uint32_t>(offset_us * scale->columns / span_us);
}

uint64_t plot_scale_tick_step(const plot_scale *scale)
{
    uint64_t step_us = fitting_step(scale->span_us, 1, longest_second_step_us);
    if (step_us != 0) {
        return step_us;
    }
    step_us = fitting_step(scale->span_us, us_per_min, UINT64_MAX / 10);
    return step_us != 0 ? step_us : UINT64_MAX / 10;
}

void plot_scale_tick_label(const plot_scale *scale, uint64_t step_us, uint64_t at_us, char *text,
                           size_t size)
{
    if (step_us >= us_per_min) {
        plot_text_fixed(at_us, us_per_min, 0, " min", text, size);
    } else if (step_us >= us_per_s || scale->from_us + scale->span_us > us_per_s) {
        plot_text_fixed(at_us, us_per_s, decimals_of(step_us, us_per_s), " s", text, size);
    } else {
        plot_text_fixed(at_us, us_per_ms, decimals_of(step_us, us_per_ms), " ms", text, size);
    }
}
