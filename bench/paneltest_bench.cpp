// What --record adds to a paneltest scan: a scan that extends a run, and one
// that ends a run and writes its frame line (the worst case, every scan).
// What the chatter counts add to a scan through wzio over the no-op bridge,
// beside the twelve bare bridge calls that bound a scan from below.
#include <benchmark/benchmark.h>

#include <stdint.h>

#include "alloc_counter.h"
#include "bridge_calls_bench.h"
#include "ch341dll.h"
#include "scan_chatter.h"
#include "scan_record.h"
#include "wzio.h"

static const char bench_path[] = "/tmp/paneltest_bench.frames";
// No scan times: the recording's scan time line reads "--".
static duration_window scan_times;

static void BM_record_scan_same_as_last(benchmark::State &state)
{
    scan_recording recording;
    scan_recording_open(&recording, bench_path, "paneltest bench\n", &scan_times, 0);
    uint64_t now_us = 0;
    uint64_t before = alloc_count();
    for (auto _ : state) {
        // 5 ms a scan, as paneltest's cycle, so the once-a-second flush is in the figure.
        scan_recording_scan(&recording, true, 0x0020, 0x1, now_us += 5000);
    }
    state.counters["allocs_per_iter"] = benchmark::Counter(
        static_cast<double>(alloc_count() - before) / static_cast<double>(state.iterations()));
    scan_recording_close(&recording, 5000);
}
BENCHMARK(BM_record_scan_same_as_last);

static void BM_record_scan_that_changes(benchmark::State &state)
{
    scan_recording recording;
    scan_recording_open(&recording, bench_path, "paneltest bench\n", &scan_times, 0);
    uint64_t now_us = 0;
    uint16_t panel = 0;
    uint64_t before = alloc_count();
    for (auto _ : state) {
        // Past the frame line limit nothing is written: start a fresh file first.
        if (recording.frame_lines == record_max_frame_lines) {
            state.PauseTiming();
            scan_recording_close(&recording, 5000);
            scan_recording_open(&recording, bench_path, "paneltest bench\n", &scan_times, now_us);
            state.ResumeTiming();
        }
        panel ^= 0x0020;
        scan_recording_scan(&recording, true, panel, 0x1, now_us += 5000);
    }
    state.counters["allocs_per_iter"] = benchmark::Counter(
        static_cast<double>(alloc_count() - before) / static_cast<double>(state.iterations()));
    scan_recording_close(&recording, 5000);
}
BENCHMARK(BM_record_scan_that_changes);

static void BM_read_inputs(benchmark::State &state)
{
    uint64_t before = alloc_count();
    for (auto _ : state) {
        bool ok = wz_io_read_inputs();
        uint32_t active = inputs_of(wz_io_get_panel_inputs(), wz_io_get_sys_inputs());
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(active);
    }
    report_allocations(state, before);
}
BENCHMARK(BM_read_inputs);

// The idle board's scan with the bits of `toggled` inverted every other scan, so each
// has an edge every scan; 0 is the common scan with no edge.
static void read_inputs_with_chatter(benchmark::State &state, uint32_t toggled)
{
    scan_chatter chatter;
    scan_chatter_start(&chatter, chatter_default_ms);
    uint64_t now_us = 0;
    uint32_t flip = 0;
    uint64_t before = alloc_count();
    for (auto _ : state) {
        bool ok = wz_io_read_inputs();
        uint32_t active = inputs_of(wz_io_get_panel_inputs(), wz_io_get_sys_inputs());
        flip ^= toggled;
        scan_chatter_scan(&chatter, ok, active ^ flip, now_us += 1210);
        benchmark::DoNotOptimize(chatter);
    }
    report_allocations(state, before);
}

static void BM_read_inputs_with_chatter_no_edge(benchmark::State &state)
{
    read_inputs_with_chatter(state, 0);
}
BENCHMARK(BM_read_inputs_with_chatter_no_edge);

static void BM_read_inputs_with_chatter_one_edge(benchmark::State &state)
{
    read_inputs_with_chatter(state, 1u << 5);
}
BENCHMARK(BM_read_inputs_with_chatter_one_edge);

static void BM_read_inputs_with_chatter_four_edges(benchmark::State &state)
{
    read_inputs_with_chatter(state, 1u << 0 | 1u << 5 | 1u << 15 | 1u << 18);
}
BENCHMARK(BM_read_inputs_with_chatter_four_edges);

BENCHMARK_MAIN();
