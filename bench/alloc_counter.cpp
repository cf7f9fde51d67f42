#include "alloc_counter.h"

#include <stddef.h>

#include <atomic>

// glibc's own entry points, so the counting wrappers can still allocate.
extern "C" void *__libc_malloc(size_t size);
extern "C" void *__libc_calloc(size_t count, size_t size);
extern "C" void *__libc_realloc(void *pointer, size_t size);

static std::atomic<uint64_t> allocations{0};

uint64_t alloc_count()
{
    return allocations.load(std::memory_order_relaxed);
}

// Defined in the executable, these take the place of libc's for every caller in the process.
extern "C" void *malloc(size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}

extern "C" void *calloc(size_t count, size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(count, size);
}

extern "C" void *realloc(void *pointer, size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(pointer, size);
}
