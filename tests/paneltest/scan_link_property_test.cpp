// paneltest's link drop-outs against paneltest/README.md on random runs that
// end anywhere: the count, the longest and the last, and each drop-out's lines.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "scan_events.h"
#include "scan_link.h"

namespace {

std::string text_of(const char *format, unsigned long long a, unsigned long long b)
{
    char text[64];
    snprintf(text, sizeof text, format, a, b);
    return text;
}

// Event lines give whole milliseconds; the drop-outs line hundredths, a half up.
std::string ms_seconds(uint64_t us)
{
    return text_of("%llu.%03llu s", us / 1000000, us / 1000 % 1000);
}

std::string hundredths_seconds(uint64_t us)
{
    return text_of("%llu.%02llu s", (us + 5000) / 1000000, (us + 5000) / 10000 % 100);
}

// "link drop-outs: none" or "link drop-outs: 3, longest 1.52 s".
std::string totals(uint32_t dropouts, uint64_t longest_us)
{
    return dropouts == 0 ? "link drop-outs: none"
                         : "link drop-outs: " + std::to_string(dropouts) + ", longest " +
                               hundredths_seconds(longest_us);
}

// Runs of scans that fail or not, with gaps around 50 ms and inputs held or not.
using scan_run = std::tuple<bool, int, uint64_t, uint32_t>;  // ok, scans, gap, active

rc::Gen<scan_run> scan_runs()
{
    return rc::gen::tuple(rc::gen::arbitrary<bool>(), rc::gen::inRange(1, 5),
                          rc::gen::weightedOneOf<uint64_t>(
                              {{3, rc::gen::inRange<uint64_t>(0, 20000)},
                               {3, rc::gen::element<uint64_t>(25000, 49999, 50000, 50001)},
                               {1, rc::gen::inRange<uint64_t>(0, 3000000)}}),
                          rc::gen::element<uint32_t>(0, 0, 1, 1u << 18));
}

RC_GTEST_PROP(ScanLinkModel, DropOutsAndTheirLinesFollowTheGuide, ())
{
    std::vector<scan_run> runs = *rc::gen::container<std::vector<scan_run>>(scan_runs());
    scan_events events;
    scan_events_start(&events);
    std::vector<std::string> lines, expected;
    char line[scan_events_line_size];
    uint64_t first_us = *rc::gen::inRange<uint64_t>(0, UINT64_C(1) << 40), now_us = first_us;
    uint32_t dropouts = 0, scans = 0, failed = 0, active = 0;
    uint64_t longest_us = 0, last_us = 0, down_us = 0;
    bool down = false, good_seen = false, reached = false, held_active = false;
    std::string at, length;  // the latest scan's line start, and the drop-out's length and count
    for (const scan_run &run : runs) {
        for (int scan = 0; scan < std::get<1>(run); ++scan, now_us += std::get<2>(run)) {
            bool ok = std::get<0>(run);
            scan_events_scan(&events, ok, std::get<3>(run), now_us);
            while (scan_events_next_line(&events, line, sizeof line)) {
                std::string rest = strstr(line, ": ") + 2;
                if (rest.compare(0, 6, "panel ") != 0 && rest.compare(0, 4, "sys ") != 0) {
                    lines.push_back(line);
                }
            }
            at = ms_seconds(now_us - first_us) + ", scan " + std::to_string(++scans) + ": ";
            if (!ok && !down) {
                dropouts += 1;
                down_us = now_us;
                failed = 0;
                reached = false;
                held_active = active != 0;
                expected.push_back(at + "scan failed");
            }
            if (!ok || down) {
                last_us = now_us - down_us;
                longest_us = std::max(longest_us, last_us);
                failed += ok ? 0 : 1;
                reached = reached || (!ok && last_us >= 50000);
                length =
                    ms_seconds(last_us) + ", " + std::to_string(failed) + " scans failed" +
                    (held_active && reached ? "; a game saw the held inputs released from 50 ms on"
                                            : "");
            }
            if (ok && down) {
                expected.push_back(at + "link back after " + length);
            }
            down = !ok;
            good_seen = good_seen || ok;
            active = ok ? std::get<3>(run) : active;
            RC_ASSERT(scan_link_inputs_held(&events.link) == (down && good_seen && !reached));
            scan_link_format_screen(&events.link, line, sizeof line);
            RC_ASSERT(line == totals(dropouts, longest_us) +
                                  (dropouts ? ", last " + hundredths_seconds(last_us) : ""));
        }
    }
    if (scan_events_end_line(&events, line, sizeof line)) {
        lines.push_back(line);
    }
    if (down) {
        expected.push_back(at + "link still down at the end, " + length);
    }
    RC_ASSERT(lines == expected);
    line[0] = '\0';
    RC_ASSERT(scan_link_format_total(&events.link, line, sizeof line) == (dropouts > 0));
    RC_ASSERT(line == (dropouts ? totals(dropouts, longest_us) : ""));
}

}  // namespace
