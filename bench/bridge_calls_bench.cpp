#include "bridge_calls_bench.h"

#include "alloc_counter.h"
#include "ch341dll.h"

void report_allocations(benchmark::State &state, uint64_t before)
{
    state.counters["allocs_per_iter"] = benchmark::Counter(
        static_cast<double>(alloc_count() - before) / static_cast<double>(state.iterations()));
}

// Nine address writes and three reads through pointers the compiler cannot see through.
static void BM_twelve_indirect_bridge_calls(benchmark::State &state)
{
    BOOL(WINAPI *volatile set_addr)(ULONG, UCHAR) = CH341EppSetAddr;
    BOOL(WINAPI *volatile read_data)(ULONG, PVOID, PULONG) = CH341EppReadData;
    uint8_t frame[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    uint64_t before = alloc_count();
    for (auto _ : state) {
        ULONG length = 1;
        set_addr(0, 0xFF);
        set_addr(0, 0x01);
        set_addr(0, 0xFF);
        set_addr(0, 0x00);
        read_data(0, &frame[0], &length);
        set_addr(0, 0xFF);
        set_addr(0, 0x00);
        read_data(0, &frame[1], &length);
        set_addr(0, 0xFF);
        set_addr(0, 0x00);
        read_data(0, &frame[2], &length);
        set_addr(0, 0xFF);
        benchmark::DoNotOptimize(frame);
    }
    report_allocations(state, before);
}
BENCHMARK(BM_twelve_indirect_bridge_calls);
