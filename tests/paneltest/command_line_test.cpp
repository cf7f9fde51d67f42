// paneltest's command line read in-process: each line's view and settings, or its
// complaint byte for byte, and the usage's figures from their constants.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"

namespace {

// What the words of line, after the program's name, are read as.
std::string read_as(const std::string &line)
{
    std::istringstream split("paneltest " + line);
    std::vector<std::string> words(std::istream_iterator<std::string>(split), {});
    std::vector<char *> argv(words.size() + 1, nullptr);
    std::transform(words.begin(), words.end(), argv.begin(),
                   [](std::string &word) { return &word[0]; });
    command_line read = command_line_read(static_cast<int>(words.size()), argv.data());
    const char *verdicts[] = {"run", "usage", "version", "wrong"};
    const char *views[] = {"live", "events", "check", "chatter"};
    const view_settings &set = read.settings;
    std::ostringstream text;
    text << verdicts[static_cast<int>(read.verdict)] << ": ";
    if (read.complaint != nullptr) {
        text << read.complaint;
    } else {
        text << views[static_cast<int>(read.shown)] << " " << set.scan_limit << " " << set.settle_ms
             << " " << set.chatter_ms << " "
             << (read.record_path != nullptr ? read.record_path : "-");
    }
    const plot_settings &plot = read.plot;
    if (read.complaint == nullptr && plot.recording != nullptr) {
        text << ", plot " << plot.recording << " " << plot.out
             << (plot.format == plot_format::svg ? " svg " : " vcd ") << plot.from_us << " "
             << (plot.to_us == UINT64_MAX ? "end" : std::to_string(plot.to_us));
    }
    return text.str();
}

TEST(CommandLine, EachLineIsReadAsItsViewAndSettingsOrWhatIsWrong)
{
    // --scans 4294967300 wraps to 4 in 32 bits; --record --events is not a file named
    // --events. --chatter=1, a value where none goes: MinGW's getopt says it needs one.
#ifdef _WIN32
    const char *value_where_none_goes = "wrong: --chatter=1 needs a value";
#else
    const char *value_where_none_goes = "wrong: unknown option --chatter=1";
#endif
    // A view, --scans, --settle-ms, --chatter-ms, --record ("-" for none).
    // clang-format off
    const struct { std::vector<const char *> lines; std::string read_as; } rows[] = {
        {{""}, "run: live 0 2000 30 -"},
        {{"--scans 1000000000 --record ./-x"}, "run: live 1000000000 2000 30 ./-x"},
        {{"--ev --scans 1"}, "run: events 1 2000 30 -"},
        {{"--check --settle-ms 0 --chatter-ms 1000"}, "run: check 0 0 1000 -"},
        {{"--settle-ms=60000 --check --chatter-ms=1"}, "run: check 0 60000 1 -"},
        {{"--chatter --chatter-ms 1 --record x"}, "run: chatter 0 2000 1 x"},
        {{"--help --frobnicate", "-h"}, "usage: live 0 2000 30 -"},
        {{"--version --help"}, "version: live 0 2000 30 -"},
        {{"--scans"}, "wrong: --scans needs a value"},
        {{"--scans 0", "--scans -5", "--scans 12x", "--scans 1000000001", "--scans 99999999999999999999", "--scans 4294967300"}, "wrong: --scans takes a number from 1 to 1000000000"},
        {{"--scans 2 extra"}, "wrong: paneltest takes no arguments besides its options"},
        {{"--settle-ms 100"}, "wrong: --settle-ms goes with --check"},
        {{"--check --settle-ms 60001"}, "wrong: --settle-ms takes a number from 0 to 60000"},
        {{"--events --check", "--chatter --events", "--check --chatter"}, "wrong: --events, --check and --chatter are views of their own: choose one"},
        {{"--chatter --chatter-ms 0", "--chatter --chatter-ms 1001", "--check --chatter-ms 3x"}, "wrong: --chatter-ms takes a number from 1 to 1000"},
        {{"--events --chatter-ms 30", "--chatter-ms 30"}, "wrong: --chatter-ms goes with --chatter, --check or --plot"},
        {{"--record"}, "wrong: --record needs a value"},
        {{"--record --events", "--scans 1 --record -e"}, "wrong: --record needs a file name"},
        {{"--frobnicate"}, "wrong: unknown option --frobnicate"},
        {{"--events -xh"}, "wrong: unknown option -x"},
        {{"--chat"}, "wrong: ambiguous option --chat: --chatter or --chatter-ms?"},
        {{"--c=1"}, "wrong: ambiguous option --c: --check, --chatter or --chatter-ms?"},
        {{"--chatter=1"}, value_where_none_goes},
        {{"--plot r --out p.svg"}, "run: live 0 2000 30 -, plot r p.svg svg 0 end"},
        {{"--plot ./-r --out P.VcD --from 1.5 --to 2 --chatter-ms 5"}, "run: live 0 2000 5 -, plot ./-r P.VcD vcd 1500000 2000000"},
        {{"--out x.SVG --from .000001 --to 1000000000 --plot r"}, "run: live 0 2000 30 -, plot r x.SVG svg 1 1000000000000000"},
        {{"--plot r --out p.png", "--plot r --out p.svgx", "--plot r --out .svg", "--plot r --out -p.svg"}, "wrong: --out takes a file name ending in .svg or .vcd"},
        {{"--plot r"}, "wrong: --plot needs --out OUT, a .svg or .vcd file"},
        {{"--plot --out p.svg"}, "wrong: --plot needs a file name"},
        {{"--plot r --out p.svg --events", "--check --plot r --out p.svg", "--plot r --out p.svg --scans 5", "--plot r --out p.svg --record x", "--plot r --out p.svg --settle-ms 5"}, "wrong: --plot goes with --out, --from, --to and --chatter-ms alone"},
        {{"--out p.svg", "--events --from 1", "--to 1"}, "wrong: --out, --from and --to go with --plot"},
        {{"--plot r --out p.svg --from 2 --to 2", "--plot r --out p.svg --from 2.5 --to 2.499999", "--plot r --out p.svg --to 0"}, "wrong: --from goes before --to"},
        {{"--plot r --out p.svg --from 1.1234567", "--plot r --out p.svg --from 2.", "--plot r --out p.svg --from .", "--plot r --out p.svg --from -1", "--plot r --out p.svg --from 1e3", "--plot r --out p.svg --from 1000000001", "--plot r --out p.svg --from 99999999999999999999999"}, "wrong: --from takes seconds from 0 to 1000000000, to six decimals"},
        {{"--plot r --out p.svg --to 1.5s"}, "wrong: --to takes seconds from 0 to 1000000000, to six decimals"},
    };
    // clang-format on
    for (const auto &row : rows) {
        for (const char *line : row.lines) {
            // After a read that stopped within a word, each starts afresh.
            EXPECT_EQ(read_as("--scans 5 -hx"), "usage: live 5 2000 30 -");
            EXPECT_EQ(read_as(line), row.read_as) << line;
        }
    }
}

TEST(CommandLine, TheUsageGivesTheRangesAndExitStatusesOfTheirConstants)
{
    std::string usage = command_line_usage();
    std::vector<std::string> figures;
    const std::regex figure("[ (](-?[0-9]+)\\b");
    for (std::sregex_iterator at(usage.begin(), usage.end(), figure), end; at != end; ++at) {
        figures.push_back((*at)[1]);
    }
    EXPECT_EQ(figures, (std::vector<std::string>{"0", "60000", "2000", "1", "1000", "30", "0", "-1",
                                                 "-2", "-3", "-4", "-5"}));
    EXPECT_EQ(usage.compare(0, 26, "usage: paneltest [--scans "), 0) << usage;
    EXPECT_EQ(usage.substr(usage.rfind('\n', usage.size() - 2)),
              "\n  latest round chattered, or saw a scan fail.\n");
}

}  // namespace
