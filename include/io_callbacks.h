// Callback shapes that a host hands to an I/O library, and the calling
// convention every I/O interface uses. Shared by the card reader and the
// panel interfaces so both speak the same types.
#ifndef IO_CALLBACKS_H
#define IO_CALLBACKS_H

#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>  // C99's bool is C++'s: one byte, true is 1
#endif

#ifdef _WIN32
#define IO_CALL __cdecl
#define IO_EXPORT __declspec(dllexport)
#define IO_IMPORT __declspec(dllimport)
#elif defined(__GNUC__)
#define IO_CALL
#define IO_EXPORT __attribute__((visibility("default")))
#define IO_IMPORT
#else
#define IO_CALL
#define IO_EXPORT
#define IO_IMPORT
#endif

// Lets the compiler check printf-like calls in the dialect of the runtime
// that formats them: msvcrt on Windows. Compilers without GCC's attributes
// (Microsoft's) check nothing.
#if defined(__GNUC__) && defined(_WIN32)
#define IO_PRINTF_FORMAT(format_index, first_arg)                                                  \
    __attribute__((format(ms_printf, format_index, first_arg)))
#elif defined(__GNUC__)
#define IO_PRINTF_FORMAT(format_index, first_arg)                                                  \
    __attribute__((format(printf, format_index, first_arg)))
#else
#define IO_PRINTF_FORMAT(format_index, first_arg)
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Logs one printf-style message under a module name; level-F loggers do not return.
typedef void(IO_CALL *logger_fn)(const char *module, const char *format, ...)
    IO_PRINTF_FORMAT(2, 3);

// A thread body; its result becomes the thread's exit code.
typedef int(IO_CALL *thread_proc_fn)(void *ctx);

// Starts body(ctx) on a new thread; stack_size 0 means the default.
// Returns the thread id, 0 when no thread could be started.
typedef int(IO_CALL *thread_start_fn)(thread_proc_fn body, void *ctx, uint32_t stack_size);

// Waits until the thread has ended; stores its exit code in *result unless result is null.
typedef void(IO_CALL *thread_join_fn)(int thread_id, int *result);

// Releases the thread id; neither waits for nor stops the thread.
typedef void(IO_CALL *thread_close_fn)(int thread_id);

#ifdef __cplusplus
}
#endif

#endif
