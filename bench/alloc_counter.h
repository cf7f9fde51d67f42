// Counts heap allocations made anywhere in the process, so a benchmark can
// report allocations per iteration next to its time.
#ifndef BENCH_ALLOC_COUNTER_H
#define BENCH_ALLOC_COUNTER_H

#include <stdint.h>

uint64_t alloc_count();

#endif
