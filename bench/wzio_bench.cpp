// wzio's input scan over the no-op bridge, beside the twelve bare indirect
// calls into the same bridge that bound it from below: the scan alone, and
// as a game makes it, through wz_io_read_inputs and the two getters, on a
// good link and through a link drop-out.
#include <benchmark/benchmark.h>

#include <stdint.h>

#include "alloc_counter.h"
#include "bridge_calls_bench.h"
#include "ch341dll.h"
#include "input_scan.h"
#include "wzio.h"

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

// One scan as a game makes it; with the bridge failing, the drop-out's
// bookkeeping: the clock read, and a reopen every 250 ms.
static void read_inputs_as_a_game(benchmark::State &state, bool failing)
{
    wz_io_init(nullptr, nullptr, nullptr);
    ch341_noop_fail(failing);
    uint64_t before = alloc_count();
    for (auto _ : state) {
        bool ok = wz_io_read_inputs();
        uint16_t panel = wz_io_get_panel_inputs();
        uint8_t sys = wz_io_get_sys_inputs();
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(panel);
        benchmark::DoNotOptimize(sys);
    }
    report_allocations(state, before);
    ch341_noop_fail(false);
    wz_io_fini();
}

static void BM_read_inputs_good_scan(benchmark::State &state)
{
    read_inputs_as_a_game(state, false);
}
BENCHMARK(BM_read_inputs_good_scan);

static void BM_read_inputs_failed_scan(benchmark::State &state)
{
    read_inputs_as_a_game(state, true);
}
BENCHMARK(BM_read_inputs_failed_scan);

BENCHMARK_MAIN();
