#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "log.h"
#include "program_run.h"
#include "thread.h"

namespace {

// Records every line and context the facility hands to its writer.
std::mutex captured_lock;
std::vector<std::string> captured_lines;
std::vector<void *> captured_ctx;
std::vector<int> captured_lengths;

void capture_writer(void *ctx, const char *chars, int nchars)
{
    std::lock_guard<std::mutex> hold(captured_lock);
    captured_lines.emplace_back(chars);
    captured_ctx.push_back(ctx);
    captured_lengths.push_back(nchars);
}

void stderr_writer(void *, const char *chars, int)
{
    fputs(chars, stderr);
    fflush(stderr);
}

void bind_capture(void *ctx = nullptr)
{
    captured_lines.clear();
    captured_ctx.clear();
    captured_lengths.clear();
    log_bind_writer(capture_writer, ctx);
}

#ifdef _WIN32
FILE *open_pipe(const char *command)
{
    return _popen(command, "r");
}
int close_pipe(FILE *pipe)
{
    return _pclose(pipe);
}
#else
#include <sys/wait.h>
FILE *open_pipe(const char *command)
{
    return popen(command, "r");
}
int close_pipe(FILE *pipe)
{
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

}  // namespace

// Runs first, while the facility is still as the process loaded it.
TEST(LogBeforeBinding, LoggersFormatButWriteNothing)
{
    EXPECT_EQ(logger_table[log_level_fatal], &logger_f);
    EXPECT_EQ(logger_table[log_level_warning], &logger_w);
    EXPECT_EQ(logger_table[log_level_info], &logger_i);
    EXPECT_EQ(logger_table[log_level_misc], &logger_m);
    EXPECT_EQ(log_threshold, 4u);

    testing::internal::CaptureStdout();
    logger_w("reader", "%d items", 3);
    logger_i("reader", "ready");
    logger_m("reader", "tick");
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(LogBeforeBindingDeathTest, FatalStillEndsWithExitCodeOne)
{
    EXPECT_EXIT(logger_f("reader", "gone"), testing::ExitedWithCode(1), "");
}

TEST(LogLine, CarriesLevelLetterModuleAndMessage)
{
    bind_capture();
    logger_w("reader", "%d items", 3);
    logger_i("reader", "ready");
    logger_m("", "%s", "");
    logger_m("io", "%s=%02X", "byte", 0xAB);
    ASSERT_EQ(captured_lines.size(), 4u);
    EXPECT_EQ(captured_lines[0], "W:reader: 3 items\n");
    EXPECT_EQ(captured_lines[1], "I:reader: ready\n");
    EXPECT_EQ(captured_lines[2], "M:: \n");
    EXPECT_EQ(captured_lines[3], "M:io: byte=AB\n");
    for (size_t i = 0; i < captured_lines.size(); ++i) {
        EXPECT_EQ(captured_lengths[i], static_cast<int>(captured_lines[i].size()));
    }
}

TEST(LogLine, ContextReachesTheWriter)
{
    int marker = 0;
    bind_capture(&marker);
    logger_i("reader", "ready");
    ASSERT_EQ(captured_ctx.size(), 1u);
    EXPECT_EQ(captured_ctx[0], &marker);
}

TEST(LogBinding, NullWriterInstallsDiscard)
{
    bind_capture();
    log_bind_writer(nullptr, nullptr);
    testing::internal::CaptureStdout();
    logger_w("reader", "dropped");
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(captured_lines.empty());
}

TEST(LogBinding, RefillsTheLoggerTable)
{
    logger_table[log_level_info] = logger_w;
    log_bind_writer(log_writer_discard, nullptr);
    EXPECT_EQ(logger_table[log_level_info], &logger_i);
}

TEST(LogBinding, ConsoleWriterPrintsTheLine)
{
    log_bind_writer(log_writer_console, nullptr);
    testing::internal::CaptureStdout();
    logger_w("reader", "%d items", 3);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "W:reader: 3 items\n");
    log_bind_writer(log_writer_discard, nullptr);
}

TEST(LogThreshold, LowerThresholdDropsLessSevereLines)
{
    bind_capture();
    log_threshold = log_level_warning;
    logger_i("reader", "quiet");
    logger_w("reader", "loud");
    log_threshold = 4;
    ASSERT_EQ(captured_lines.size(), 1u);
    EXPECT_EQ(captured_lines[0], "W:reader: loud\n");
}

// "W:m: " and the newline count, so the longest message is 6 short of the line buffer.
constexpr size_t longest_message = static_cast<size_t>(log_buffer_size) - 1 - 6;

TEST(LogLength, LongestLineIsWrittenWhole)
{
    bind_capture();
    std::string message(longest_message, 'x');
    logger_w("m", "%s", message.c_str());
    ASSERT_EQ(captured_lines.size(), 1u);
    EXPECT_EQ(captured_lines[0].size(), static_cast<size_t>(log_buffer_size) - 1);
    EXPECT_EQ(captured_lines[0], "W:m: " + message + "\n");
}

TEST(LogLengthDeathTest, OneCharacterMoreAborts)
{
    std::string message(longest_message + 1, 'x');
    EXPECT_DEATH(
        {
            log_bind_writer(stderr_writer, nullptr);
            logger_w("m", "%s", message.c_str());
        },
        "");
}

TEST(LogLengthDeathTest, MessageTooLongForItsBufferAborts)
{
    std::string message(static_cast<size_t>(log_buffer_size), 'x');
    EXPECT_DEATH(logger_w("m", "%s", message.c_str()), "");
}

TEST(LogLengthDeathTest, LineIsFormattedEvenBelowTheThreshold)
{
    std::string message(longest_message + 1, 'x');
    EXPECT_DEATH(
        {
            log_threshold = 0;
            logger_m("m", "%s", message.c_str());
        },
        "");
}

TEST(FormatChecked, ReturnsTheLengthWritten)
{
    char buffer[16];
    EXPECT_EQ(format_checked(buffer, sizeof buffer, "%s-%d", "ab", 12), 5);
    EXPECT_STREQ(buffer, "ab-12");
    EXPECT_EQ(format_checked(buffer, sizeof buffer, "%s", "123456789012345"), 15);
}

TEST(FormatCheckedDeathTest, ExactlyFullBufferAborts)
{
    char buffer[16];
    EXPECT_DEATH(format_checked(buffer, sizeof buffer, "%s", "1234567890123456"), "");
}

TEST(LogFatalDeathTest, WriterGetsTheLineThenExitCodeOne)
{
    EXPECT_EXIT(
        {
            log_bind_writer(stderr_writer, nullptr);
            logger_f("reader", "boom %d", 1);
        },
        testing::ExitedWithCode(1), "F:reader: boom 1");
}

TEST(LogFatalDeathTest, CleanupRunsAfterTheWriterBeforeTheExit)
{
    EXPECT_EXIT(
        {
            log_bind_writer(stderr_writer, nullptr);
            log_set_fatal_cleanup([] { fputs("cleanup\n", stderr); });
            logger_f("reader", "boom");
        },
        testing::ExitedWithCode(1), "F:reader: boom\ncleanup\n");
}

TEST(LogFatal, LineReachesAPipedStdout)
{
    FILE *pipe = open_pipe(program_path("log_fatal_probe").c_str());
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char chunk[256];
    while (fgets(chunk, sizeof chunk, pipe) != nullptr) {
        output += chunk;
    }
    // Windows' console layer may hand back CRLF through the pipe.
    std::string plain;
    for (char c : output) {
        if (c != '\r') {
            plain += c;
        }
    }
    EXPECT_EQ(close_pipe(pipe), 1);
    EXPECT_EQ(plain, "before\nF:probe: fatal 42\n");
}

namespace {

constexpr int writer_threads = 8;
constexpr int lines_per_thread = 200;

int IO_CALL log_from_thread(void *ctx)
{
    int index = *static_cast<int *>(ctx);
    std::string payload(1000, static_cast<char>('a' + index));
    for (int line = 0; line < lines_per_thread; ++line) {
        logger_i("t", "%d:%d:%s", index, line, payload.c_str());
    }
    return 0;
}

}  // namespace

TEST(LogConcurrency, LinesFromManyThreadsArriveIntact)
{
    bind_capture();
    int indexes[writer_threads];
    int ids[writer_threads];
    for (int i = 0; i < writer_threads; ++i) {
        indexes[i] = i;
        ids[i] = host_thread_start(log_from_thread, &indexes[i], 0);
        ASSERT_NE(ids[i], 0);
    }
    for (int id : ids) {
        host_thread_join(id, nullptr);
        host_thread_close(id);
    }
    ASSERT_EQ(captured_lines.size(), static_cast<size_t>(writer_threads * lines_per_thread));
    std::vector<int> next_line(writer_threads, 0);
    for (const std::string &line : captured_lines) {
        int index = -1;
        int number = -1;
        ASSERT_EQ(sscanf(line.c_str(), "I:t: %d:%d:", &index, &number), 2) << line;
        ASSERT_GE(index, 0);
        ASSERT_LT(index, writer_threads);
        // Each thread's own lines arrive in the order it wrote them.
        EXPECT_EQ(number, next_line[static_cast<size_t>(index)]++);
        std::string payload(1000, static_cast<char>('a' + index));
        EXPECT_EQ(line.substr(line.size() - 1001), payload + "\n");
    }
}
