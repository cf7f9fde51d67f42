// The log facility against plain formatting, and the host thread services
// against raw pthreads.
#include <benchmark/benchmark.h>

#include <pthread.h>
#include <stdint.h>
#include <stdio.h>

#include "alloc_counter.h"
#include "log.h"
#include "thread.h"

static void report_allocations(benchmark::State &state, uint64_t before)
{
    state.counters["allocs_per_iter"] = benchmark::Counter(
        static_cast<double>(alloc_count() - before) / static_cast<double>(state.iterations()));
}

static void BM_log_call_discard(benchmark::State &state)
{
    log_bind_writer(log_writer_discard, nullptr);
    int sequence = 0;
    uint64_t before = alloc_count();
    for (auto _ : state) {
        logger_i("reader", "node %d: card %s seen after %d polls", 1, "0123456789ABCDEF",
                 ++sequence);
    }
    report_allocations(state, before);
}
BENCHMARK(BM_log_call_discard);

// The same two formatting passes without the facility around them.
static void BM_two_snprintf(benchmark::State &state)
{
    static char message[log_buffer_size];
    static char line[log_buffer_size];
    int sequence = 0;
    uint64_t before = alloc_count();
    for (auto _ : state) {
        int message_length =
            snprintf(message, sizeof message, "node %d: card %s seen after %d polls", 1,
                     "0123456789ABCDEF", ++sequence);
        int line_length = snprintf(line, sizeof line, "%c:%s: %s\n", 'I', "reader", message);
        benchmark::DoNotOptimize(message_length + line_length);
        benchmark::DoNotOptimize(line);
    }
    report_allocations(state, before);
}
BENCHMARK(BM_two_snprintf);

static int IO_CALL empty_body(void *)
{
    return 0;
}

static void BM_host_thread_start_join_close(benchmark::State &state)
{
    for (auto _ : state) {
        int id = host_thread_start(empty_body, nullptr, 0);
        host_thread_join(id, nullptr);
        host_thread_close(id);
    }
}
BENCHMARK(BM_host_thread_start_join_close)->UseRealTime();

static void *empty_pthread_body(void *)
{
    return nullptr;
}

static void BM_pthread_create_join(benchmark::State &state)
{
    for (auto _ : state) {
        pthread_t thread;
        pthread_create(&thread, nullptr, empty_pthread_body, nullptr);
        pthread_join(thread, nullptr);
    }
}
BENCHMARK(BM_pthread_create_join)->UseRealTime();

BENCHMARK_MAIN();
