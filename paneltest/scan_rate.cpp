#include "scan_rate.h"

#include "time_units.h"

namespace {

constexpr uint64_t rate_window_ms = ms_per_s;

}  // namespace

void scan_rate_start(scan_rate *rate, uint64_t now_ms)
{
    rate->window_start_ms = now_ms;
    rate->window_scans = 0;
    rate->last_rate = scan_rate_unknown;
}

void scan_rate_count(scan_rate *rate, uint64_t now_ms)
{
    ++rate->window_scans;
    // A clock that steps back (it should not) restarts the window rather than wrapping.
    if (now_ms < rate->window_start_ms) {
        rate->window_start_ms = now_ms;
        rate->window_scans = 0;
        return;
    }
    uint64_t elapsed_ms = now_ms - rate->window_start_ms;
    if (elapsed_ms < rate_window_ms) {
        return;
    }
    // The window is a little over a second: scale to a per-second figure.
    uint64_t per_second = rate->window_scans * ms_per_s / elapsed_ms;
    rate->last_rate = per_second > INT32_MAX ? INT32_MAX : static_cast<int32_t>(per_second);
    rate->window_start_ms = now_ms;
    rate->window_scans = 0;
}

int32_t scan_rate_per_second(const scan_rate *rate)
{
    return rate->last_rate;
}
