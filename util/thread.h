// Thread services handed to the card reader library so that it runs its
// background threads through its host. A thread id is an int: the thread
// handle on Windows, a slot number elsewhere; 0 is never a valid id.
#ifndef UTIL_THREAD_H
#define UTIL_THREAD_H

#include <stdint.h>

#include "io_callbacks.h"

extern "C" {

// Starts body(ctx) and returns once the new thread has taken body and ctx,
// so the caller's frame may be reused at once. Returns 0 on failure.
int IO_CALL host_thread_start(thread_proc_fn body, void *ctx, uint32_t stack_size);

// Waits for the thread to end and stores its exit code in *result unless null.
// POSIX: an id that names no started thread, or one already closed, is ignored.
void IO_CALL host_thread_join(int thread_id, int *result);

// Releases the id without waiting for or stopping the thread.
void IO_CALL host_thread_close(int thread_id);

}  // extern "C"

#endif
