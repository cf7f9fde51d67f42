#include "thread.h"

#include <dlfcn.h>
#include <limits.h>
#include <pthread.h>
#include <stddef.h>
#include <stdint.h>
#include <unistd.h>

// A full table makes start fail. An id names its slot and the start that took
// it (id = slot + 1 + count * start number), so a stale id names no new thread.
constexpr int thread_slot_count = 256;
constexpr unsigned int thread_id_rounds = INT_MAX / thread_slot_count;

// A log call alone takes 128 KiB of stack; leave room around it.
constexpr size_t thread_min_stack_size = 256 * 1024;

struct thread_slot {
    pthread_t thread;
    int id;  // 0 until the thread runs
    bool in_use;
    bool joining;
    bool joined;
    int exit_code;
};

// Guards every slot; held only for bookkeeping, never across pthread_join.
static pthread_mutex_t thread_table_lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t thread_join_done = PTHREAD_COND_INITIALIZER;
static thread_slot thread_slots[thread_slot_count];
static int thread_next_slot = 0;
static unsigned int thread_start_count = 0;

// Lives in host_thread_start's frame only until the new thread sets started.
struct thread_start_record {
    pthread_mutex_t lock;
    pthread_cond_t started_cond;
    bool started;
    thread_proc_fn body;
    void *ctx;
};

static void *thread_entry(void *arg)
{
    thread_start_record *record = static_cast<thread_start_record *>(arg);
    thread_proc_fn body = record->body;
    void *ctx = record->ctx;
    pthread_mutex_lock(&record->lock);
    record->started = true;
    pthread_cond_signal(&record->started_cond);
    // After this unlock the starter may return and the record is gone.
    pthread_mutex_unlock(&record->lock);
    return reinterpret_cast<void *>(static_cast<intptr_t>(body(ctx)));
}

// glibc carves static TLS out of the thread's stack; a sanitizer runtime's TLS
// alone can eat most of a small stack. glibc reports the minimum including TLS
// only through a private call, so look it up at run time.
static size_t thread_static_tls_size(const pthread_attr_t *attr)
{
    typedef size_t (*get_minstack_fn)(const pthread_attr_t *);
    void *symbol = dlsym(RTLD_DEFAULT, "__pthread_get_minstack");
    if (symbol == nullptr) {
        return 0;
    }
    size_t minimum = reinterpret_cast<get_minstack_fn>(symbol)(attr);
    size_t base = static_cast<size_t>(PTHREAD_STACK_MIN);
    return minimum > base ? minimum - base : 0;
}

static size_t thread_stack_size(uint32_t requested, const pthread_attr_t *attr)
{
    size_t size = requested;
    if (size < thread_min_stack_size) {
        size = thread_min_stack_size;
    }
    if (size < static_cast<size_t>(PTHREAD_STACK_MIN)) {
        size = static_cast<size_t>(PTHREAD_STACK_MIN);
    }
    size += thread_static_tls_size(attr);
    // pthread_attr_setstacksize() may refuse sizes that are not page multiples.
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return (size + page - 1) / page * page;
}

static int thread_slot_reserve()
{
    pthread_mutex_lock(&thread_table_lock);
    int found = -1;
    for (int tried = 0; tried < thread_slot_count; ++tried) {
        int slot = (thread_next_slot + tried) % thread_slot_count;
        if (!thread_slots[slot].in_use) {
            found = slot;
            break;
        }
    }
    if (found >= 0) {
        // Hand out the slots in turn so a stale id is unlikely to name a new thread.
        thread_next_slot = (found + 1) % thread_slot_count;
        thread_slots[found].in_use = true;
        thread_slots[found].id = 0;
        thread_slots[found].joining = false;
        thread_slots[found].joined = false;
        thread_slots[found].exit_code = 0;
    }
    pthread_mutex_unlock(&thread_table_lock);
    return found;
}

static void thread_slot_release(int slot)
{
    pthread_mutex_lock(&thread_table_lock);
    thread_slots[slot].in_use = false;
    pthread_mutex_unlock(&thread_table_lock);
}

// The slot of an id that names a started thread not yet closed, or null.
// Called with thread_table_lock held.
static thread_slot *thread_slot_of_live_id(int thread_id)
{
    if (thread_id < 1) {
        return nullptr;
    }
    thread_slot &entry = thread_slots[(thread_id - 1) % thread_slot_count];
    return entry.in_use && entry.id == thread_id ? &entry : nullptr;
}

int IO_CALL host_thread_start(thread_proc_fn body, void *ctx, uint32_t stack_size)
{
    int slot = thread_slot_reserve();
    if (slot < 0) {
        return 0;
    }

    thread_start_record record;
    pthread_mutex_init(&record.lock, nullptr);
    pthread_cond_init(&record.started_cond, nullptr);
    record.started = false;
    record.body = body;
    record.ctx = ctx;

    pthread_attr_t attr;
    pthread_attr_init(&attr);
    bool attr_ok = true;
    if (stack_size != 0) {
        attr_ok = pthread_attr_setstacksize(&attr, thread_stack_size(stack_size, &attr)) == 0;
    }
    pthread_t thread;
    bool created = attr_ok && pthread_create(&thread, &attr, thread_entry, &record) == 0;
    pthread_attr_destroy(&attr);

    int id = 0;
    if (created) {
        pthread_mutex_lock(&thread_table_lock);
        unsigned int round = thread_start_count++ % thread_id_rounds;
        id = slot + 1 + thread_slot_count * static_cast<int>(round);
        thread_slots[slot].thread = thread;
        thread_slots[slot].id = id;
        pthread_mutex_unlock(&thread_table_lock);

        pthread_mutex_lock(&record.lock);
        while (!record.started) {
            pthread_cond_wait(&record.started_cond, &record.lock);
        }
        pthread_mutex_unlock(&record.lock);
    } else {
        thread_slot_release(slot);
    }
    pthread_cond_destroy(&record.started_cond);
    pthread_mutex_destroy(&record.lock);
    return id;
}

void IO_CALL host_thread_join(int thread_id, int *result)
{
    pthread_mutex_lock(&thread_table_lock);
    thread_slot *live = thread_slot_of_live_id(thread_id);
    // A second joiner waits for the first instead of joining the thread twice.
    while (live != nullptr && live->joining) {
        pthread_cond_wait(&thread_join_done, &thread_table_lock);
        // A close may have taken the id while this one waited.
        live = thread_slot_of_live_id(thread_id);
    }
    if (live == nullptr) {
        pthread_mutex_unlock(&thread_table_lock);
        return;
    }
    thread_slot &entry = *live;
    if (!entry.joined) {
        entry.joining = true;
        pthread_t thread = entry.thread;
        pthread_mutex_unlock(&thread_table_lock);

        void *exit_value = nullptr;
        pthread_join(thread, &exit_value);

        pthread_mutex_lock(&thread_table_lock);
        entry.exit_code = static_cast<int>(reinterpret_cast<intptr_t>(exit_value));
        entry.joined = true;
        entry.joining = false;
        pthread_cond_broadcast(&thread_join_done);
    }
    int exit_code = entry.exit_code;
    pthread_mutex_unlock(&thread_table_lock);
    if (result != nullptr) {
        *result = exit_code;
    }
}

void IO_CALL host_thread_close(int thread_id)
{
    pthread_mutex_lock(&thread_table_lock);
    thread_slot *live = thread_slot_of_live_id(thread_id);
    while (live != nullptr && live->joining) {
        pthread_cond_wait(&thread_join_done, &thread_table_lock);
        // Another close may have taken the id while this one waited.
        live = thread_slot_of_live_id(thread_id);
    }
    if (live != nullptr) {
        // Like closing a handle: a thread nobody joined runs on and cleans up after itself.
        if (!live->joined) {
            pthread_detach(live->thread);
        }
        live->in_use = false;
    }
    pthread_mutex_unlock(&thread_table_lock);
}
