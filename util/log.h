// Four-level log facility handed to the card reader library: each logger
// formats "<letter>:<module>: <message>\n" on its own stack and passes the
// line to the one installed writer.
#ifndef UTIL_LOG_H
#define UTIL_LOG_H

#include <stdarg.h>
#include <stdint.h>

#include "io_callbacks.h"

// Levels, most severe first; the letter of level n is log_level_letters[n].
constexpr unsigned int log_level_fatal = 0;
constexpr unsigned int log_level_warning = 1;
constexpr unsigned int log_level_info = 2;
constexpr unsigned int log_level_misc = 3;
constexpr unsigned int log_level_count = 4;
constexpr char log_level_letters[] = "FWIM";

// Each formatting pass gets a buffer of this size; a longer result aborts.
constexpr int log_buffer_size = 65536;

extern "C" {

typedef void (*log_writer_fn)(void *ctx, const char *chars, int nchars);

// Slots F, W, I, M; code that hands loggers on reads them from here.
extern logger_fn logger_table[log_level_count];

// A line is written only when its level is at most this.
extern unsigned int log_threshold;

void IO_CALL logger_f(const char *module, const char *format, ...) IO_PRINTF_FORMAT(2, 3)
    __attribute__((noreturn));
void IO_CALL logger_w(const char *module, const char *format, ...) IO_PRINTF_FORMAT(2, 3);
void IO_CALL logger_i(const char *module, const char *format, ...) IO_PRINTF_FORMAT(2, 3);
void IO_CALL logger_m(const char *module, const char *format, ...) IO_PRINTF_FORMAT(2, 3);

// Refills logger_table and installs writer with ctx; a null writer installs
// log_writer_discard and keeps the previous ctx.
void log_bind_writer(log_writer_fn writer, void *ctx);

// Prints the line to standard output without flushing.
void log_writer_console(void *ctx, const char *chars, int nchars);

void log_writer_discard(void *ctx, const char *chars, int nchars);

// vsnprintf into buffer; returns the length. Aborts on a format error or
// when the result does not fit with its terminator.
int format_checked_va(char *buffer, int size, const char *format, va_list args)
    IO_PRINTF_FORMAT(3, 0);
int format_checked(char *buffer, int size, const char *format, ...) IO_PRINTF_FORMAT(3, 4);

// Runs after a level-F line has reached the writer and before the process
// ends, since that exit skips every exit handler (a terminal mode to restore).
void log_set_fatal_cleanup(void (*cleanup)());

void log_emit(unsigned int level, const char *module, const char *format, va_list args)
    IO_PRINTF_FORMAT(3, 0);

}  // extern "C"

// Platform layer of the facility (log_win32.cpp, log_posix.cpp).

// The runtime's own vsnprintf: returns the full length, or negative on error
// or (msvcrt) truncation.
int log_platform_vformat(char *buffer, int size, const char *format, va_list args)
    IO_PRINTF_FORMAT(3, 0);

// Prints chars with the runtime's printf("%s").
void log_platform_print(const char *chars);

// Flushes standard output, breaks into an attached debugger and ends the
// process with exit code 1, skipping the runtime's exit handlers.
[[noreturn]] void log_platform_fatal_exit();

#endif
