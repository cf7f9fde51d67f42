#include "log.h"

#include <stdlib.h>

logger_fn logger_table[log_level_count] = {logger_f, logger_w, logger_i, logger_m};

unsigned int log_threshold = 4;

static log_writer_fn installed_writer = log_writer_discard;
static void *writer_ctx = nullptr;
static void (*fatal_cleanup)() = nullptr;

void log_bind_writer(log_writer_fn writer, void *ctx)
{
    logger_table[log_level_fatal] = logger_f;
    logger_table[log_level_warning] = logger_w;
    logger_table[log_level_info] = logger_i;
    logger_table[log_level_misc] = logger_m;

    if (writer != nullptr) {
        installed_writer = writer;
        writer_ctx = ctx;
    } else {
        installed_writer = log_writer_discard;
    }
}

void log_set_fatal_cleanup(void (*cleanup)())
{
    fatal_cleanup = cleanup;
}

void log_writer_console(void *, const char *chars, int)
{
    log_platform_print(chars);
}

void log_writer_discard(void *, const char *, int) {}

int format_checked_va(char *buffer, int size, const char *format, va_list args)
{
    int length = log_platform_vformat(buffer, size, format, args);
    // A truncated line would be logged as if whole; better to stop here.
    if (length < 0 || length >= size) {
        abort();
    }
    return length;
}

int format_checked(char *buffer, int size, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int length = format_checked_va(buffer, size, format, args);
    va_end(args);
    return length;
}

void log_emit(unsigned int level, const char *module, const char *format, va_list args)
{
    char message[log_buffer_size];
    char line[log_buffer_size];

    format_checked_va(message, log_buffer_size, format, args);
    int length = format_checked(line, log_buffer_size, "%c:%s: %s\n", log_level_letters[level],
                                module, message);
    if (level <= log_threshold) {
        installed_writer(writer_ctx, line, length);
    }
}

void IO_CALL logger_f(const char *module, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    log_emit(log_level_fatal, module, format, args);
    va_end(args);
    if (fatal_cleanup != nullptr) {
        fatal_cleanup();
    }
    log_platform_fatal_exit();
}

void IO_CALL logger_w(const char *module, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    log_emit(log_level_warning, module, format, args);
    va_end(args);
}

void IO_CALL logger_i(const char *module, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    log_emit(log_level_info, module, format, args);
    va_end(args);
}

void IO_CALL logger_m(const char *module, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    log_emit(log_level_misc, module, format, args);
    va_end(args);
}
