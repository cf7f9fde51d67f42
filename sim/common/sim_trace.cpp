#include "sim_trace.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

constexpr size_t sim_trace_max_path = 1024;

static FILE *trace_file = nullptr;
static char trace_path[sim_trace_max_path] = "";

static void trace_follow_environment(const char *variable)
{
    const char *wanted = getenv(variable);
    if (wanted == nullptr) {
        wanted = "";
    }
    if (strcmp(wanted, trace_path) == 0) {
        return;
    }
    if (trace_file != nullptr) {
        fclose(trace_file);
        trace_file = nullptr;
    }
    snprintf(trace_path, sizeof trace_path, "%s", wanted);
    if (trace_path[0] != '\0') {
        trace_file = fopen(trace_path, "wb");
        if (trace_file == nullptr) {
            fprintf(stderr, "stand-in: cannot write trace file %s\n", trace_path);
        }
    }
}

void sim_trace_line(const char *variable, const char *format, ...)
{
    trace_follow_environment(variable);
    if (trace_file == nullptr) {
        return;
    }
    va_list args;
    va_start(args, format);
    vfprintf(trace_file, format, args);
    va_end(args);
    fputc('\n', trace_file);
    fflush(trace_file);
}
