#include "scan_rate.h"

namespace {

constexpr uint64_t rate_window_ms = 1000;

uint64_t window_start_ms = 0;
uint64_t window_scans = 0;
int32_t last_rate = scan_rate_unknown;

}  // namespace

void scan_rate_start(uint64_t now_ms)
{
    window_start_ms = now_ms;
    window_scans = 0;
    last_rate = scan_rate_unknown;
}

void scan_rate_count(uint64_t now_ms)
{
    ++window_scans;
    // A clock that steps back (it should not) restarts the window rather than wrapping.
    if (now_ms < window_start_ms) {
        window_start_ms = now_ms;
        window_scans = 0;
        return;
    }
    uint64_t elapsed_ms = now_ms - window_start_ms;
    if (elapsed_ms < rate_window_ms) {
        return;
    }
    // The window is a little over a second: scale to a per-second figure.
    uint64_t rate = window_scans * 1000 / elapsed_ms;
    last_rate = rate > INT32_MAX ? INT32_MAX : static_cast<int32_t>(rate);
    window_start_ms = now_ms;
    window_scans = 0;
}

int32_t scan_rate_per_second()
{
    return last_rate;
}
