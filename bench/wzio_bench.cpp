// wzio's input scan over the no-op bridge, beside the twelve bare indirect
// calls into the same bridge that bound it from below.
#include <benchmark/benchmark.h>

#include <stdint.h>

#include "alloc_counter.h"
#include "bridge_calls_bench.h"
#include "ch341dll.h"
#include "input_scan.h"

static void BM_input_scan(benchmark::State &state)
{
    uint16_t panel = 0;
    uint8_t sys = 0;
    uint64_t before = alloc_count();
    for (auto _ : state) {
        bool ok = input_scan(&panel, &sys);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(panel);
        benchmark::DoNotOptimize(sys);
    }
    report_allocations(state, before);
}
BENCHMARK(BM_input_scan);

BENCHMARK_MAIN();
