// Scripted scans for paneltest's counters (the chatter counts, the wiring
// check, the event lines, the recording): a good or failed scan of a set of
// inputs at a time, or the space key, played into what a test feeds.
#ifndef TESTS_SUPPORT_SCAN_SCRIPT_H
#define TESTS_SUPPORT_SCAN_SCRIPT_H

#include <stdint.h>

#include <algorithm>
#include <vector>

enum class scripted : uint8_t { good, failed, space };

// Inputs are numbered as inputs_of (paneltest/panel_inputs.h) numbers them: panel bits
// 0 to 15, system inputs from bit 16. A space has no inputs and takes no time.
struct scripted_scan {
    scripted kind;
    uint32_t active;
    uint64_t now_us;
};

// `scans` scans in a row that read the same.
struct scripted_run {
    scripted kind;
    uint32_t active;
    uint32_t scans;
};

constexpr uint32_t input_bit(int input)
{
    return 1u << input;
}

inline scripted_scan good(uint32_t active, uint64_t now_us)
{
    return {scripted::good, active, now_us};
}
inline scripted_scan failed(uint32_t active, uint64_t now_us)
{
    return {scripted::failed, active, now_us};
}
inline scripted_run run_of(uint32_t active, uint32_t scans)
{
    return {scripted::good, active, scans};
}
inline scripted_run failed_run(uint32_t active, uint32_t scans)
{
    return {scripted::failed, active, scans};
}
constexpr scripted_scan space_key = {scripted::space, 0, 0};

// Feeds a counter scan(counter, ok, active, now_us) and space(counter) in the script's order.
template <typename Counter, typename Scan, typename Space>
void play_scans(const std::vector<scripted_scan> &script, Counter *counter, Scan scan, Space space)
{
    for (const scripted_scan &step : script) {
        if (step.kind == scripted::space) {
            space(counter);
        } else {
            scan(counter, step.kind == scripted::good, step.active, step.now_us);
        }
    }
}

inline uint32_t count_of(const std::vector<scripted_scan> &script, scripted kind)
{
    const auto of_kind = [kind](const scripted_scan &step) { return step.kind == kind; };
    return static_cast<uint32_t>(std::count_if(script.begin(), script.end(), of_kind));
}

// The runs as scans spacing_us apart from start_us.
inline std::vector<scripted_scan> scans_of(const std::vector<scripted_run> &runs, uint64_t start_us,
                                           uint64_t spacing_us)
{
    std::vector<scripted_scan> script;
    for (const scripted_run &run : runs) {
        for (uint32_t n = 0; n < run.scans; ++n, start_us += spacing_us) {
            script.push_back({run.kind, run.active, start_us});
        }
    }
    return script;
}

#endif
