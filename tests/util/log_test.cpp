#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "log.h"
#include "program_run.h"
#include "thread.h"

// MinGW's pclose hands back the exit code itself, POSIX's a wait status.
#ifdef _WIN32
#define WEXITSTATUS(status) (status)
#else
#include <sys/wait.h>
#endif

namespace {

using lines = std::vector<std::string>;

// Every line the facility hands to its writer; one with the wrong length or
// context is recorded as such, so each comparison checks both.
std::mutex captured_lock;
lines captured;
int capture_context;

void capture_writer(void *ctx, const char *chars, int nchars)
{
    std::lock_guard<std::mutex> hold(captured_lock);
    bool whole = nchars == static_cast<int>(strlen(chars)) && ctx == &capture_context;
    captured.push_back(whole ? chars : "length " + std::to_string(nchars) + ": " + chars);
}

void bind_capture()
{
    captured.clear();
    log_bind_writer(capture_writer, &capture_context);
}

void stderr_writer(void *, const char *chars, int)
{
    fputs(chars, stderr);
    fflush(stderr);
}

// Runs call with the lines going to stderr, where a death test reads them.
template <typename Call> void with_stderr_writer(Call call)
{
    log_bind_writer(stderr_writer, nullptr);
    call();
}

template <typename Body> std::string stdout_of(Body body)
{
    testing::internal::CaptureStdout();
    body();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// "W:m: " and the newline count, so the longest message is 6 short of the line buffer.
constexpr size_t longest_message = static_cast<size_t>(log_buffer_size) - 1 - 6;

constexpr int writer_threads = 8, lines_per_thread = 200;

std::string payload_of(int thread)
{
    return std::string(1000, static_cast<char>('a' + thread));
}

constexpr thread_proc_fn log_from_thread = [](void *ctx) {
    int index = static_cast<int>(reinterpret_cast<intptr_t>(ctx));
    for (int line = 0; line < lines_per_thread; ++line) {
        logger_i("t", "%d:%d:%s", index, line, payload_of(index).c_str());
    }
    return 0;
};

}  // namespace

// Runs first, while the facility is still as the process loaded it.
TEST(LogBeforeBinding, LoggersFormatButWriteNothing)
{
    const logger_fn loggers[log_level_count] = {logger_f, logger_w, logger_i, logger_m};
    EXPECT_TRUE(std::equal(logger_table, logger_table + log_level_count, loggers));
    EXPECT_EQ(log_threshold, 4u);
    EXPECT_EQ(stdout_of([] {
                  logger_w("reader", "%d items", 3);
                  logger_i("reader", "ready");
                  logger_m("reader", "tick");
              }),
              "");
}

// Death tests run before the rest, in a child that starts from the unbound facility.
TEST(LogDeathTest, FatalWritesItsLineRunsTheCleanupAndExitsWithCodeOneAndAnOverlongLineAborts)
{
    EXPECT_EXIT(logger_f("reader", "gone"), testing::ExitedWithCode(1), "");
    EXPECT_EXIT(with_stderr_writer([] { logger_f("reader", "boom %d", 1); }),
                testing::ExitedWithCode(1), "F:reader: boom 1");
    EXPECT_EXIT(with_stderr_writer([] {
                    log_set_fatal_cleanup([] { fputs("cleanup\n", stderr); });
                    logger_f("reader", "boom");
                }),
                testing::ExitedWithCode(1), "F:reader: boom\ncleanup\n");
    // One character more than the longest line aborts, bound or not, and even below the threshold.
    const std::string message(longest_message + 1, 'x');
    EXPECT_DEATH(with_stderr_writer([&message] { logger_w("m", "%s", message.c_str()); }), "");
    EXPECT_DEATH(logger_w("m", "%s", std::string(log_buffer_size, 'x').c_str()), "");
    EXPECT_DEATH((log_threshold = 0, logger_m("m", "%s", message.c_str())), "");
    char buffer[16];
    EXPECT_DEATH(format_checked(buffer, sizeof buffer, "%s", "1234567890123456"), "");
}

TEST(LogLine, CarriesLevelModuleAndMessageWithItsContextUpToTheThresholdAndTheLongestLine)
{
    bind_capture();
    logger_w("reader", "%d items", 3);
    logger_i("reader", "ready");
    logger_m("", "%s", "");
    logger_m("io", "%s=%02X", "byte", 0xAB);
    EXPECT_EQ(captured,
              (lines{"W:reader: 3 items\n", "I:reader: ready\n", "M:: \n", "M:io: byte=AB\n"}));
    // A lower threshold drops the less severe lines.
    bind_capture();
    log_threshold = log_level_warning;
    logger_i("reader", "quiet");
    logger_w("reader", "loud");
    log_threshold = 4;
    EXPECT_EQ(captured, lines{"W:reader: loud\n"});
    // The longest line is written whole; format_checked returns the length written.
    bind_capture();
    const std::string message(longest_message, 'x');
    logger_w("m", "%s", message.c_str());
    EXPECT_EQ(captured, lines{"W:m: " + message + "\n"});
    EXPECT_EQ(("W:m: " + message + "\n").size(), static_cast<size_t>(log_buffer_size) - 1);
    char buffer[16];
    EXPECT_EQ(format_checked(buffer, sizeof buffer, "%s-%d", "ab", 12), 5);
    EXPECT_STREQ(buffer, "ab-12");
    EXPECT_EQ(format_checked(buffer, sizeof buffer, "%s", "123456789012345"), 15);
}

// A null writer installs discard; binding refills the table; the console writer prints the
// line, and the fatal one reaches a piped stdout.
TEST(LogBinding, NullWriterDiscardsRefillsTheTableAndTheConsoleWriterPrintsEvenAFatalLine)
{
    bind_capture();
    log_bind_writer(nullptr, nullptr);
    EXPECT_EQ(stdout_of([] { logger_w("reader", "dropped"); }), "");
    EXPECT_TRUE(captured.empty());
    logger_table[log_level_info] = logger_w;
    log_bind_writer(log_writer_discard, nullptr);
    EXPECT_EQ(logger_table[log_level_info], &logger_i);
    log_bind_writer(log_writer_console, nullptr);
    EXPECT_EQ(stdout_of([] { logger_w("reader", "%d items", 3); }), "W:reader: 3 items\n");
    log_bind_writer(log_writer_discard, nullptr);
    // A fatal line reaches a piped stdout.
    FILE *pipe = popen(program_path("log_fatal_probe").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    for (int c; (c = fgetc(pipe)) != EOF;) {
        // Windows' console layer may hand back CRLF through the pipe.
        output += c == '\r' ? std::string() : std::string(1, static_cast<char>(c));
    }
    EXPECT_EQ(WEXITSTATUS(pclose(pipe)), 1);
    EXPECT_EQ(output, "before\nF:probe: fatal 42\n");
}

TEST(LogConcurrency, LinesFromManyThreadsArriveIntact)
{
    bind_capture();
    int ids[writer_threads];
    for (int i = 0; i < writer_threads; ++i) {
        ids[i] = host_thread_start(log_from_thread, reinterpret_cast<void *>(intptr_t{i}), 0);
        ASSERT_NE(ids[i], 0);
    }
    for (int id : ids) {
        host_thread_join(id, nullptr);
        host_thread_close(id);
    }
    ASSERT_EQ(captured.size(), static_cast<size_t>(writer_threads * lines_per_thread));
    int next_line[writer_threads] = {};
    for (const std::string &line : captured) {
        int index = -1, number = -1;
        ASSERT_EQ(sscanf(line.c_str(), "I:t: %d:%d:", &index, &number), 2) << line;
        ASSERT_TRUE(index >= 0 && index < writer_threads) << line;
        // Each thread's own lines arrive in the order it wrote them.
        EXPECT_EQ(number, next_line[index]++);
        EXPECT_EQ(line.substr(line.size() - 1001), payload_of(index) + "\n");
    }
}
