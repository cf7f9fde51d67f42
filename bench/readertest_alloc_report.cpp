// Preloaded into readertest by readertest_bench: with alloc_counter.cpp it
// counts every heap allocation of the process and, as the process ends
// through exit(), writes the count to the file that READERTEST_ALLOC_REPORT names.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include "alloc_counter.h"

__attribute__((destructor)) static void readertest_alloc_report()
{
    const char *path = getenv("READERTEST_ALLOC_REPORT");
    if (path == nullptr) {
        return;
    }
    int file = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (file < 0) {
        return;
    }
    char text[32];
    int length =
        snprintf(text, sizeof text, "%llu\n", static_cast<unsigned long long>(alloc_count()));
    if (length > 0 && write(file, text, static_cast<size_t>(length)) < 0) {
        // Nothing more to do at exit; the benchmark sees an empty report.
    }
    close(file);
}
