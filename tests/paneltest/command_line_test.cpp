// paneltest's command line read in-process: each row's options, or its complaint
// byte for byte, and the usage's figures from their constants.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "command_line.h"

namespace {

// The words of line, space-separated, after the program's name.
command_line read_line(const std::string &line)
{
    std::vector<std::string> words = {"paneltest"};
    for (size_t at = 0; at < line.size(); at = line.find(' ', at) + 1) {
        words.push_back(line.substr(at, line.find(' ', at) - at));
        if (line.find(' ', at) == std::string::npos) {
            break;
        }
    }
    std::vector<char *> argv;
    for (std::string &word : words) {
        argv.push_back(&word[0]);
    }
    argv.push_back(nullptr);
    return command_line_read(static_cast<int>(words.size()), argv.data());
}

const std::string scans = "--scans takes a number from 1 to 1000000000",
                  chatter_ms = "--chatter-ms takes a number from 1 to 1000",
                  one_view = "--events, --check and --chatter are views of their own: choose one",
                  chatter_ms_goes = "--chatter-ms goes with --chatter or --check";

TEST(CommandLine, AWrongLineSaysWhatIsWrong)
{
    // --scans 4294967300 wraps to 4 in 32 bits; --record --events is not a file named
    // --events. --chatter=1, a value where none goes: MinGW's getopt says it needs one.
#ifdef _WIN32
    const char *value_where_none_goes = "--chatter=1 needs a value";
#else
    const char *value_where_none_goes = "unknown option --chatter=1";
#endif
    // clang-format off
    const struct { const char *line; std::string complaint; } rows[] = {
        {"--scans", "--scans needs a value"},
        {"--scans 0", scans},
        {"--scans -5", scans},
        {"--scans 12x", scans},
        {"--scans 1000000001", scans},
        {"--scans 99999999999999999999", scans},
        {"--scans 4294967300", scans},
        {"--scans 2 extra", "paneltest takes no arguments besides its options"},
        {"--settle-ms 100", "--settle-ms goes with --check"},
        {"--check --settle-ms 60001", "--settle-ms takes a number from 0 to 60000"},
        {"--events --check", one_view},
        {"--chatter --events", one_view},
        {"--check --chatter", one_view},
        {"--chatter --chatter-ms 0", chatter_ms},
        {"--chatter --chatter-ms 1001", chatter_ms},
        {"--check --chatter-ms 3x", chatter_ms},
        {"--events --chatter-ms 30", chatter_ms_goes},
        {"--chatter-ms 30", chatter_ms_goes},
        {"--record", "--record needs a value"},
        {"--record --events", "--record needs a file name"},
        {"--scans 1 --record -e", "--record needs a file name"},
        {"--frobnicate", "unknown option --frobnicate"},
        {"--chat", "ambiguous option --chat: --chatter or --chatter-ms?"},
        {"--c=1", "ambiguous option --c: --check, --chatter or --chatter-ms?"},
        {"--chatter=1", value_where_none_goes},
    };
    // clang-format on
    for (const auto &row : rows) {
        command_line read = read_line(row.line);
        EXPECT_EQ(read.verdict, command_line_verdict::wrong) << row.line;
        EXPECT_EQ(read.complaint, row.complaint) << row.line;
    }
}

TEST(CommandLine, ARightLineGivesItsViewAndSettings)
{
    const auto run = command_line_verdict::run, usage = command_line_verdict::show_usage,
               version = command_line_verdict::show_version;
    // Read after a wrong line each, so that each starts afresh.
    // clang-format off
    const struct { const char *line; command_line_verdict verdict; view_kind shown; uint32_t scans, settle_ms, chatter_ms; const char *record; } rows[] = {
        {"", run, view_kind::live, 0, 2000, 30, nullptr},
        {"--scans 1000000000 --record ./-x", run, view_kind::live, 1000000000, 2000, 30, "./-x"},
        {"--ev --scans 1", run, view_kind::events, 1, 2000, 30, nullptr},
        {"--check --settle-ms 0 --chatter-ms 1000", run, view_kind::check, 0, 0, 1000, nullptr},
        {"--settle-ms=60000 --check --chatter-ms=1", run, view_kind::check, 0, 60000, 1, nullptr},
        {"--chatter --chatter-ms 1 --record x", run, view_kind::chatter, 0, 2000, 1, "x"},
        {"--help --frobnicate", usage, view_kind::live, 0, 2000, 30, nullptr},
        {"-h", usage, view_kind::live, 0, 2000, 30, nullptr},
        {"--version --help", version, view_kind::live, 0, 2000, 30, nullptr},
    };
    // clang-format on
    for (const auto &row : rows) {
        EXPECT_EQ(read_line("--scans 5 --check --settle-ms").verdict, command_line_verdict::wrong);
        command_line read = read_line(row.line);
        EXPECT_EQ(read.verdict, row.verdict) << row.line;
        EXPECT_EQ(read.shown, row.shown) << row.line;
        EXPECT_EQ(read.settings.scan_limit, row.scans) << row.line;
        EXPECT_EQ(read.settings.settle_ms, row.settle_ms) << row.line;
        EXPECT_EQ(read.settings.chatter_ms, row.chatter_ms) << row.line;
        EXPECT_STREQ(read.record_path, row.record) << row.line;
        EXPECT_EQ(read.complaint, nullptr) << row.line;
    }
}

TEST(CommandLine, TheUsageGivesTheRangesAndExitStatusesItIsReadBy)
{
    std::string usage = command_line_usage();
    std::vector<std::string> figures;
    const std::regex figure("[ (](-?[0-9]+)\\b");
    for (std::sregex_iterator at(usage.begin(), usage.end(), figure), end; at != end; ++at) {
        figures.push_back((*at)[1]);
    }
    EXPECT_EQ(figures, (std::vector<std::string>{"0", "60000", "2000", "1", "1000", "30", "0",
                                                 "-1", "-2", "-3", "-4", "-5"}));
    EXPECT_EQ(usage.compare(0, 26, "usage: paneltest [--scans "), 0) << usage;
    EXPECT_EQ(usage.substr(usage.rfind('\n', usage.size() - 2)),
              "\n  latest round chattered, or saw a scan fail.\n");
}

}  // namespace
