// What --record adds to a paneltest scan: a scan that extends a run, and one
// that ends a run and writes its frame line (the worst case, every scan).
#include <benchmark/benchmark.h>

#include <stdint.h>

#include "alloc_counter.h"
#include "scan_record.h"

static const char bench_path[] = "/tmp/paneltest_bench.frames";

static void BM_record_scan_same_as_last(benchmark::State &state)
{
    scan_recording recording;
    scan_recording_open(&recording, bench_path, "paneltest bench\n", 0);
    uint64_t now_ms = 0;
    uint64_t before = alloc_count();
    for (auto _ : state) {
        // 5 ms a scan, as paneltest's cycle, so the once-a-second flush is in the figure.
        scan_recording_scan(&recording, true, 0x0020, 0x1, now_ms += 5);
    }
    state.counters["allocs_per_iter"] = benchmark::Counter(
        static_cast<double>(alloc_count() - before) / static_cast<double>(state.iterations()));
    scan_recording_close(&recording);
}
BENCHMARK(BM_record_scan_same_as_last);

static void BM_record_scan_that_changes(benchmark::State &state)
{
    scan_recording recording;
    scan_recording_open(&recording, bench_path, "paneltest bench\n", 0);
    uint64_t now_ms = 0;
    uint16_t panel = 0;
    uint64_t before = alloc_count();
    for (auto _ : state) {
        // Past the frame line limit nothing is written: start a fresh file first.
        if (recording.frame_lines == record_max_frame_lines) {
            state.PauseTiming();
            scan_recording_close(&recording);
            scan_recording_open(&recording, bench_path, "paneltest bench\n", now_ms);
            state.ResumeTiming();
        }
        panel ^= 0x0020;
        scan_recording_scan(&recording, true, panel, 0x1, now_ms += 5);
    }
    state.counters["allocs_per_iter"] = benchmark::Counter(
        static_cast<double>(alloc_count() - before) / static_cast<double>(state.iterations()));
    scan_recording_close(&recording);
}
BENCHMARK(BM_record_scan_that_changes);

BENCHMARK_MAIN();
