// What paneltest --plot costs on a recording at the frame-line limit: reading
// it into the trace (whole, and a window of 10 s in its middle), and writing
// the picture and the dump to a file.
#include <benchmark/benchmark.h>

#include <stdint.h>
#include <stdio.h>

#include "alloc_counter.h"
#include "frame_script_limits.h"
#include "plot_read.h"
#include "plot_svg.h"
#include "plot_vcd.h"

namespace {

constexpr char recording_path[] = "/tmp/plot_bench.frames";
constexpr char out_path[] = "/tmp/plot_bench.out";
constexpr uint64_t line_us = 7000;  // 65536 lines: about 7.6 minutes

plot_trace trace;

// Presses of panel 5 and sys 1 by turns, a bounce every 16th line, a failed scan every 500th.
bool write_recording()
{
    FILE *file = fopen(recording_path, "wb");
    if (file == nullptr) {
        return false;
    }
    fprintf(file, "# paneltest bench\npace-us 1200\n");
    for (uint32_t i = 0; i < frame_script_max_frame_lines; ++i) {
        unsigned panel = i % 4 == 1 || i % 16 == 3 ? 0x0020 : 0;
        unsigned sys = i % 8 == 5 ? 2 : 0;
        const char *failed = i % 500 == 499 ? " read-fail=1" : "";
        fprintf(file, "panel=0x%04X sys=0x%u repeat=5%s at-us=%llu\n", panel, sys, failed,
                static_cast<unsigned long long>(i * line_us));
    }
    fprintf(file, "end at-us=%llu\n",
            static_cast<unsigned long long>(frame_script_max_frame_lines * line_us));
    return fclose(file) == 0;
}

void report_allocations(benchmark::State &state, uint64_t before)
{
    state.counters["allocs_per_iter"] = benchmark::Counter(
        static_cast<double>(alloc_count() - before) / static_cast<double>(state.iterations()));
}

void read_window(benchmark::State &state, uint64_t from_us, uint64_t to_us)
{
    if (!write_recording()) {
        state.SkipWithError("cannot write the recording");
        return;
    }
    char fault[plot_fault_size];
    uint64_t before = alloc_count();
    for (auto _ : state) {
        if (!plot_read(recording_path, {from_us, to_us, 30}, &trace, fault)) {
            state.SkipWithError(fault);
            return;
        }
        benchmark::DoNotOptimize(trace.step_count);
    }
    report_allocations(state, before);
    state.counters["steps"] = trace.step_count;
}

void BM_plot_read_whole(benchmark::State &state)
{
    read_window(state, 0, UINT64_MAX);
}
BENCHMARK(BM_plot_read_whole)->Unit(benchmark::kMillisecond);

void BM_plot_read_10s_window(benchmark::State &state)
{
    read_window(state, 200000000, 210000000);
}
BENCHMARK(BM_plot_read_10s_window)->Unit(benchmark::kMillisecond);

void write_whole(benchmark::State &state, bool (*write)(const plot_trace *, FILE *))
{
    char fault[plot_fault_size];
    if (!write_recording() || !plot_read(recording_path, {0, UINT64_MAX, 30}, &trace, fault)) {
        state.SkipWithError("cannot read the recording");
        return;
    }
    uint64_t before = alloc_count();
    for (auto _ : state) {
        FILE *out = fopen(out_path, "wb");
        bool written = out != nullptr && write(&trace, out);
        written = out != nullptr && fclose(out) == 0 && written;
        if (!written) {
            state.SkipWithError("cannot write");
            return;
        }
    }
    report_allocations(state, before);
}

void BM_plot_write_svg(benchmark::State &state)
{
    write_whole(state, plot_svg_write);
}
BENCHMARK(BM_plot_write_svg)->Unit(benchmark::kMillisecond);

void BM_plot_write_vcd(benchmark::State &state)
{
    write_whole(state, plot_vcd_write);
}
BENCHMARK(BM_plot_write_vcd)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
