// The reader of both stand-ins' scripts on its own: each file of
// script_line_cases against what the reader makes of it, in NAME.expect beside it.
#include <gtest/gtest.h>

#include <errno.h>
#include <string.h>

#include <sstream>
#include <string>
#include <vector>

#include "program_run.h"
#include "script_line.h"

namespace {

using lines = std::vector<std::string>;
constexpr uint32_t most_words = 8;

// Linux opens a folder and fails its first read; Windows fails the open.
#ifdef _WIN32
constexpr bool folders_open = false;
#else
constexpr bool folders_open = true;
#endif

// One line per line read, "N: its words" or "N: more than 8 words", then
// "end" or the refused line, "N: refused: why".
lines reading_of(const std::string &path)
{
    script_file script;
    if (!script_file_open(&script, path.c_str())) {
        return {"cannot open " + path};
    }
    lines reading;
    // The byte after the line, which the reader must never write.
    struct {
        char line[script_line_size];
        char past;
    } buffer = {{}, 'p'};
    script_line_status status;
    while ((status = script_line_read(&script, buffer.line)) == script_line_status::line) {
        std::string shown = std::to_string(script.line_number) + ":";
        char *words[most_words + 1] = {};
        uint32_t count = script_line_split(buffer.line, words, most_words);
        for (uint32_t word = 0; word < count && count <= most_words; ++word) {
            shown += std::string(" ") + words[word];
        }
        shown += count > most_words ? " more than 8 words" : "";
        EXPECT_EQ(words[most_words], nullptr) << "a word past the capacity, " << shown;
        reading.push_back(shown);
    }
    reading.push_back(status == script_line_status::end
                          ? "end"
                          : std::to_string(script.line_number) +
                                ": refused: " + script_line_fault(&script, status));
    script_file_close(&script);
    EXPECT_EQ(buffer.past, 'p') << "the reader wrote past the line";
    return reading;
}

}  // namespace

TEST(ScriptLineFile, EachReadsAsItsExpectSays)
{
    // The build names the cases it copies.
    std::istringstream names(SCRIPT_LINE_CASES);
    int cases = 0;
    for (std::string name; names >> name; ++cases) {
        std::string base = "script_line_cases/" + name;
        EXPECT_EQ(reading_of(base + ".script"), lines_of(read_file(base + ".expect"))) << name;
    }
    EXPECT_GT(cases, 0);
}

TEST(ScriptLineUnreadable, SaysWhy)
{
    script_file script;
    errno = 0;
    EXPECT_FALSE(script_file_open(&script, "script_line_cases/no-such-file"));
    EXPECT_EQ(errno, ENOENT);
    // Only a failed read says "cannot read".
    const std::string folder = "script_line_cases";
    EXPECT_EQ(reading_of(folder),
              folders_open ? lines{"1: refused: cannot read: " + std::string(strerror(EISDIR))}
                           : lines{"cannot open " + folder});
}

// All of the text, a digit first (no sign, no blank), in range; -1: refused.
TEST(ScriptLineNumber, TakesAllOfTheTextInRange)
{
    // clang-format off
    const struct { const char *text; int base; int64_t value; } cases[] = {
        {"5", 10, 5},
        {"09", 10, 9},
        {"4", 10, -1},
        {"10", 10, -1},
        {"+7", 10, -1},
        {"-7", 10, -1},
        {" 7", 10, -1},
        {"", 10, -1},
        {"7x", 10, -1},
        {"Fe", 16, 0xFE},
        {"0x1f", 16, 0x1F},
        {"1G", 16, -1},
    };
    // clang-format on
    for (const auto &c : cases) {
        uint32_t value = 0;
        bool ok = script_line_number(c.text, c.base, 5, c.base == 10 ? 9 : 0xFF, &value);
        EXPECT_EQ(ok ? int64_t{value} : -1, c.value) << c.text;
    }
    uint64_t value = 0;
    EXPECT_TRUE(script_line_number64("18446744073709551615", 1, UINT64_MAX, &value));
    EXPECT_EQ(value, UINT64_MAX);
    for (const char *text : {"18446744073709551616", "0", "+1", "1x"}) {
        EXPECT_FALSE(script_line_number64(text, 1, UINT64_MAX, &value)) << text;
    }
}
