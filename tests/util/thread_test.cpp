#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <string>
#include <vector>

#include "log.h"
#include "thread.h"

namespace {

int IO_CALL return_seven(void *)
{
    return 7;
}

std::atomic<int> context_arrivals{0};

int IO_CALL return_context_value(void *ctx)
{
    context_arrivals.fetch_add(1);
    return *static_cast<int *>(ctx);
}

std::atomic<int> blocked_release{0};
std::atomic<int> blocked_finished{0};

int IO_CALL wait_for_release(void *)
{
    while (blocked_release.load() == 0) {
        std::this_thread::yield();
    }
    blocked_finished.fetch_add(1);
    return 3;
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

int IO_CALL log_large_message(void *ctx)
{
    std::string *message = static_cast<std::string *>(ctx);
    logger_i("thread", "%s", message->c_str());
    return 11;
}

}  // namespace

TEST(ThreadJoin, StoresTheBodysExitCode)
{
    int id = host_thread_start(return_seven, nullptr, 0);
    ASSERT_NE(id, 0);
    int result = -1;
    host_thread_join(id, &result);
    EXPECT_EQ(result, 7);
    host_thread_close(id);
}

TEST(ThreadJoin, NullResultOnlyWaits)
{
    blocked_release = 0;
    blocked_finished = 0;
    int id = host_thread_start(wait_for_release, nullptr, 0);
    ASSERT_NE(id, 0);
    blocked_release = 1;
    host_thread_join(id, nullptr);
    EXPECT_EQ(blocked_finished.load(), 1);
    host_thread_close(id);
}

TEST(ThreadJoin, JoiningTwiceReportsTheExitCodeBothTimes)
{
    int id = host_thread_start(return_seven, nullptr, 0);
    ASSERT_NE(id, 0);
    int first = -1;
    int second = -1;
    host_thread_join(id, &first);
    host_thread_join(id, &second);
    // The next thread may reuse the joined one's memory: closing the old id must not touch it.
    int next = host_thread_start(return_seven, nullptr, 0);
    host_thread_close(id);
    int third = -1;
    host_thread_join(next, &third);
    host_thread_close(next);
    EXPECT_EQ(first, 7);
    EXPECT_EQ(second, 7);
    EXPECT_EQ(third, 7);
}

TEST(ThreadJoin, TwoThreadsJoiningAtOnceBothGetTheExitCode)
{
    blocked_release = 0;
    int id = host_thread_start(wait_for_release, nullptr, 0);
    ASSERT_NE(id, 0);
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
    EXPECT_EQ(results[0], 3);
    EXPECT_EQ(results[1], 3);
    host_thread_close(id);
}

TEST(ThreadJoin, IdZeroIsIgnored)
{
    int result = 42;
    host_thread_join(0, &result);
    host_thread_close(0);
    EXPECT_EQ(result, 42);
}

TEST(ThreadJoin, AClosedIdNamesNoThreadStartedLater)
{
#ifdef _WIN32
    GTEST_SKIP()
        << "Windows may give a closed handle's value to a new thread: the id is that handle";
#endif
    int closed = host_thread_start(return_seven, nullptr, 0);
    ASSERT_NE(closed, 0);
    host_thread_close(closed);
    // Enough starts for one of them to take the closed id's slot.
    for (int start = 0; start < 512; ++start) {
        int id = host_thread_start(return_seven, nullptr, 0);
        ASSERT_NE(id, 0);
        int result = 42;
        host_thread_join(closed, &result);
        host_thread_close(closed);
        EXPECT_EQ(result, 42) << "start " << start;
        host_thread_join(id, &result);
        EXPECT_EQ(result, 7) << "start " << start;
        host_thread_close(id);
    }
}

TEST(ThreadClose, ThreadRunsOnAfterCloseWithoutJoin)
{
    blocked_release = 0;
    blocked_finished = 0;
    int id = host_thread_start(wait_for_release, nullptr, 0);
    ASSERT_NE(id, 0);
    host_thread_close(id);
    blocked_release = 1;
    EXPECT_TRUE(reaches(blocked_finished, 1));
}

TEST(ThreadStart, ContextArrivesUnchangedWhenTheStarterFrameIsReused)
{
    constexpr int count = 64;
    int values[count];
    int ids[count];
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
        int result = -1;
        host_thread_join(ids[i], &result);
        EXPECT_EQ(result, 1000 + i);
        host_thread_close(ids[i]);
    }
}

// Each request must still leave room for a log call's two 64 KiB buffers.
class ThreadStackSize : public testing::TestWithParam<uint32_t> {};

TEST_P(ThreadStackSize, BodyCanMakeALogCallWithALargeMessage)
{
    log_bind_writer(log_writer_discard, nullptr);
    std::string message(60000, 'm');
    int id = host_thread_start(log_large_message, &message, GetParam());
    ASSERT_NE(id, 0);
    int result = -1;
    host_thread_join(id, &result);
    EXPECT_EQ(result, 11);
    host_thread_close(id);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ThreadStackSize,
                         testing::Values(0u, 42u, 16383u, 64u * 1024u, 1234567u,
                                         4u * 1024u * 1024u));

namespace {

constexpr int starter_threads = 4;
constexpr int cycles_per_starter = 250;

int IO_CALL start_join_close_cycles(void *ctx)
{
    int *failures = static_cast<int *>(ctx);
    for (int cycle = 0; cycle < cycles_per_starter; ++cycle) {
        int value = cycle;
        int id = host_thread_start(return_context_value, &value, 0);
        if (id == 0) {
            ++*failures;
            continue;
        }
        int result = -1;
        host_thread_join(id, &result);
        if (result != cycle) {
            ++*failures;
        }
        host_thread_close(id);
    }
    return 0;
}

}  // namespace

TEST(ThreadCycles, AThousandStartJoinCloseCyclesFromSeveralStarters)
{
    int failures[starter_threads] = {};
    int ids[starter_threads];
    for (int i = 0; i < starter_threads; ++i) {
        ids[i] = host_thread_start(start_join_close_cycles, &failures[i], 0);
        ASSERT_NE(ids[i], 0);
    }
    for (int i = 0; i < starter_threads; ++i) {
        host_thread_join(ids[i], nullptr);
        host_thread_close(ids[i]);
        EXPECT_EQ(failures[i], 0) << "starter " << i;
    }
}

#ifndef _WIN32
// Only the POSIX ids index a fixed table; Windows hands out handles without a limit of ours.
TEST(ThreadTable, FullTableMakesStartFailAndCloseFreesASlot)
{
    blocked_release = 0;
    std::vector<int> ids;
    int id = 0;
    while ((id = host_thread_start(wait_for_release, nullptr, 0)) != 0) {
        ids.push_back(id);
        ASSERT_LE(ids.size(), 4096u);
    }
    EXPECT_GT(ids.size(), 0u);
    blocked_release = 1;
    host_thread_join(ids.back(), nullptr);
    host_thread_close(ids.back());
    ids.pop_back();
    int again = host_thread_start(return_seven, nullptr, 0);
    EXPECT_NE(again, 0);
    int result = -1;
    host_thread_join(again, &result);
    EXPECT_EQ(result, 7);
    host_thread_close(again);
    for (int left : ids) {
        host_thread_join(left, nullptr);
        host_thread_close(left);
    }
}
#endif
