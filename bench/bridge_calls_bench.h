// What the scan benchmarks share: the heap count per iteration, and the
// twelve bare bridge calls (BM_twelve_indirect_bridge_calls, registered in
// bridge_calls_bench.cpp) that bound a scan from below.
#ifndef BENCH_BRIDGE_CALLS_BENCH_H
#define BENCH_BRIDGE_CALLS_BENCH_H

#include <benchmark/benchmark.h>

#include <stdint.h>

// Sets the allocs_per_iter counter from the alloc_count() taken before the loop.
void report_allocations(benchmark::State &state, uint64_t before);

// From now on every address write and data read of the no-op bridge fails (or succeeds again).
void ch341_noop_fail(bool fail);

#endif
