#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <string>
#include <utility>
#include <vector>

#include "log.h"
#include "thread.h"

namespace {

constexpr thread_proc_fn return_seven = [](void *) { return 7; };

std::atomic<int> context_arrivals{0};

constexpr thread_proc_fn return_context_value = [](void *ctx) {
    context_arrivals.fetch_add(1);
    return *static_cast<int *>(ctx);
};

std::atomic<int> blocked_release{0}, blocked_finished{0};

constexpr thread_proc_fn wait_for_release = [](void *) {
    while (blocked_release.load() == 0) {
        std::this_thread::yield();
    }
    blocked_finished.fetch_add(1);
    return 3;
};

// Starts a thread that waits for blocked_release, which this sets back to 0.
int start_blocked()
{
    blocked_release = blocked_finished = 0;
    int id = host_thread_start(wait_for_release, nullptr, 0);
    EXPECT_NE(id, 0);
    return id;
}

// Joins and closes id; its exit code, or -1 when the join stored none.
int joined_result(int id)
{
    int result = -1;
    host_thread_join(id, &result);
    host_thread_close(id);
    return result;
}

// Starts body, then joins and closes it; its exit code.
int run_to_end(thread_proc_fn body, void *ctx, uint32_t stack_size = 0)
{
    int id = host_thread_start(body, ctx, stack_size);
    EXPECT_NE(id, 0);
    return joined_result(id);
}

// Waits for counter to reach count, up to a bound only a hang passes, so it fails instead of
// stalling.
bool reaches(const std::atomic<int> &counter, int count)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (counter.load() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return counter.load() >= count;
}

// Starts a thread from a frame of its own, so the caller can trample it afterwards.
__attribute__((noinline)) int start_with_local_context(int value, int *slot)
{
    *slot = value;
    return host_thread_start(return_context_value, slot, 0);
}

// Overwrites the stack where start_with_local_context's frame was; volatile
// stores, since a memset of a dying array may be left out altogether.
__attribute__((noinline)) void trample_stack()
{
    volatile char junk[16384];
    for (volatile char &byte : junk) {
        byte = 0x5A;
    }
}

constexpr thread_proc_fn log_large_message = [](void *ctx) {
    logger_i("thread", "%s", static_cast<std::string *>(ctx)->c_str());
    return 11;
};

constexpr int starter_threads = 4, cycles_per_starter = 250;

constexpr thread_proc_fn start_join_close_cycles = [](void *ctx) {
    int *failures = static_cast<int *>(ctx);
    for (int cycle = 0; cycle < cycles_per_starter; ++cycle) {
        int value = cycle;
        *failures += run_to_end(return_context_value, &value) != cycle ? 1 : 0;
    }
    return 0;
};

}  // namespace

// A null result only waits; a closed thread runs on; id 0 is ignored; a second join, and a
// second joiner at once, get the exit code too.
TEST(ThreadJoin, NullResultWaitsCloseLetsItRunIdZeroIsIgnoredAndEveryJoinGetsTheExitCode)
{
    int id = start_blocked();
    blocked_release = 1;
    host_thread_join(id, nullptr);
    EXPECT_EQ(blocked_finished.load(), 1);
    host_thread_close(id);
    host_thread_close(start_blocked());
    blocked_release = 1;
    EXPECT_TRUE(reaches(blocked_finished, 1));
    EXPECT_EQ(joined_result(0), -1);
    // Joining twice reports the exit code both times.
    id = host_thread_start(return_seven, nullptr, 0);
    ASSERT_NE(id, 0);
    int first = -1, second = -1;
    host_thread_join(id, &first);
    host_thread_join(id, &second);
    // The next thread may reuse the joined one's memory: closing the old id must not touch it.
    int next = host_thread_start(return_seven, nullptr, 0);
    host_thread_close(id);
    EXPECT_EQ(joined_result(next), 7);
    EXPECT_EQ(std::make_pair(first, second), std::make_pair(7, 7));
    // Two threads joining at once both get the exit code.
    id = start_blocked();
    // Static: a joiner that hangs outlives this test.
    static int results[2];
    static std::atomic<int> joining, joined;
    results[0] = results[1] = -1;
    joining = joined = 0;
    for (int i = 0; i < 2; ++i) {
        std::thread([id, i] {
            joining.fetch_add(1);
            host_thread_join(id, &results[i]);
            joined.fetch_add(1);
        }).detach();
    }
    // Both on their way into the join, and most likely inside it, before the thread ends;
    // the results must hold however the two interleave.
    ASSERT_TRUE(reaches(joining, 2));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    blocked_release = 1;
    ASSERT_TRUE(reaches(joined, 2)) << "a joiner never returned";
    EXPECT_EQ(std::make_pair(results[0], results[1]), std::make_pair(3, 3));
    host_thread_close(id);
}

#ifndef _WIN32
// Windows may give a closed handle's value to a new thread: the id is that handle. Only the
// POSIX ids index a fixed table; Windows hands out handles without a limit of ours.
TEST(ThreadTable, AClosedIdNamesNoThreadStartedLaterAndAFullTableFailsAStartTillAClose)
{
    int closed = host_thread_start(return_seven, nullptr, 0);
    ASSERT_NE(closed, 0);
    host_thread_close(closed);
    // Enough starts for one of them to take the closed id's slot.
    for (int start = 0; start < 512; ++start) {
        int id = host_thread_start(return_seven, nullptr, 0);
        ASSERT_NE(id, 0);
        EXPECT_EQ(joined_result(closed), -1) << "start " << start;
        EXPECT_EQ(joined_result(id), 7) << "start " << start;
    }
    // A full table makes a start fail, and a close frees a slot.
    std::vector<int> ids = {start_blocked()};
    for (int id; (id = host_thread_start(wait_for_release, nullptr, 0)) != 0;) {
        ids.push_back(id);
        ASSERT_LE(ids.size(), 4096u);
    }
    blocked_release = 1;
    joined_result(ids.back());
    ids.pop_back();
    EXPECT_EQ(run_to_end(return_seven, nullptr), 7);
    for (int left : ids) {
        joined_result(left);
    }
}
#endif

TEST(ThreadStart, ContextArrivesWhateverTheFrameAndStackSizeAndManyStartersCycle)
{
    constexpr int count = 64;
    int values[count], ids[count];
    context_arrivals = 0;
    for (int i = 0; i < count; ++i) {
        ids[i] = start_with_local_context(1000 + i, &values[i]);
        trample_stack();
        ASSERT_NE(ids[i], 0);
    }
    // A thread that read a trampled record may hang: wait a while, not for ever.
    ASSERT_TRUE(reaches(context_arrivals, count))
        << context_arrivals.load() << " of " << count << " threads ran their body";
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(joined_result(ids[i]), 1000 + i);
    }
    // Each stack size request must still leave room for a log call's two 64 KiB buffers.
    log_bind_writer(log_writer_discard, nullptr);
    std::string message(60000, 'm');
    for (uint32_t size : {0u, 42u, 16383u, 64u * 1024u, 1234567u, 4u * 1024u * 1024u}) {
        EXPECT_EQ(run_to_end(log_large_message, &message, size), 11) << "stack size " << size;
    }
    // A thousand start, join and close cycles from several starters at once.
    int failures[starter_threads] = {};
    int starters[starter_threads];
    for (int i = 0; i < starter_threads; ++i) {
        starters[i] = host_thread_start(start_join_close_cycles, &failures[i], 0);
        ASSERT_NE(starters[i], 0);
    }
    for (int i = 0; i < starter_threads; ++i) {
        joined_result(starters[i]);
        EXPECT_EQ(failures[i], 0) << "starter " << i;
    }
}
