#include "thread.h"

#include <process.h>
#include <stdint.h>
#include <windows.h>

// Lives in host_thread_start's frame only until the new thread signals start_event.
struct thread_start_record {
    HANDLE start_event;
    thread_proc_fn body;
    void *ctx;
};

static unsigned __stdcall thread_entry(void *arg)
{
    thread_start_record *record = static_cast<thread_start_record *>(arg);
    thread_proc_fn body = record->body;
    void *ctx = record->ctx;
    // From here on the starter may return and the record is gone.
    SetEvent(record->start_event);
    return static_cast<unsigned>(body(ctx));
}

static HANDLE thread_handle_from_id(int thread_id)
{
    // Handles are 32-bit on the target, so the id carries the whole handle.
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(thread_id));
}

int IO_CALL host_thread_start(thread_proc_fn body, void *ctx, uint32_t stack_size)
{
    thread_start_record record;
    record.start_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (record.start_event == nullptr) {
        return 0;
    }
    record.body = body;
    record.ctx = ctx;

    // The size is the thread's initial commit; the reservation stays the image's 2 MiB.
    uintptr_t handle = _beginthreadex(nullptr, stack_size, thread_entry, &record, 0, nullptr);
    if (handle == 0) {
        // No thread will ever signal, so waiting here would hang.
        CloseHandle(record.start_event);
        return 0;
    }
    WaitForSingleObject(record.start_event, INFINITE);
    CloseHandle(record.start_event);
    return static_cast<int>(handle);
}

void IO_CALL host_thread_join(int thread_id, int *result)
{
    if (thread_id == 0) {
        return;
    }
    HANDLE handle = thread_handle_from_id(thread_id);
    WaitForSingleObject(handle, INFINITE);
    if (result != nullptr) {
        DWORD exit_code = 0;
        GetExitCodeThread(handle, &exit_code);
        *result = static_cast<int>(exit_code);
    }
}

void IO_CALL host_thread_close(int thread_id)
{
    if (thread_id == 0) {
        return;
    }
    CloseHandle(thread_handle_from_id(thread_id));
}
