#include "scan_link.h"

#include <stdio.h>

namespace {

constexpr uint64_t us_per_hundredth = us_per_s / 100;

// "1.52 s": unsigned long is 32 bits on Windows, which holds 136 years of seconds.
void format_seconds(uint64_t us, char *text, size_t size)
{
    uint64_t hundredths = (us + us_per_hundredth / 2) / us_per_hundredth;
    snprintf(text, size, "%lu.%02lu s", static_cast<unsigned long>(hundredths / 100u),
             static_cast<unsigned long>(hundredths % 100u));
}

constexpr size_t seconds_text_size = 24;

}  // namespace

void scan_link_start(scan_link *link)
{
    *link = {};
}

void scan_link_scan(scan_link *link, bool scan_ok, uint64_t now_us)
{
    bool was_down = link->down;
    link->down = !scan_ok;
    link->back = scan_ok && was_down;
    if (scan_ok) {
        link->good_seen = true;
        if (!was_down) {
            return;
        }
    } else if (!was_down) {
        ++link->dropouts;
        link->down_us = now_us;
        link->down_scans = 0;
        link->reached_release = false;
    }
    link->last_us = now_us - link->down_us;
    if (link->last_us > link->longest_us) {
        link->longest_us = link->last_us;
    }
    if (!scan_ok) {
        ++link->down_scans;
        link->reached_release = link->reached_release || link->last_us >= link_hold_us;
    }
}

bool scan_link_inputs_held(const scan_link *link)
{
    return link->down && link->good_seen && !link->reached_release;
}

void scan_link_format_screen(const scan_link *link, char *buffer, size_t size)
{
    if (link->dropouts == 0) {
        snprintf(buffer, size, "link drop-outs: none");
        return;
    }
    char longest[seconds_text_size];
    char last[seconds_text_size];
    format_seconds(link->longest_us, longest, sizeof longest);
    format_seconds(link->last_us, last, sizeof last);
    snprintf(buffer, size, "link drop-outs: %lu, longest %s, last %s",
             static_cast<unsigned long>(link->dropouts), longest, last);
}

bool scan_link_format_total(const scan_link *link, char *buffer, size_t size)
{
    if (link->dropouts == 0) {
        return false;
    }
    char longest[seconds_text_size];
    format_seconds(link->longest_us, longest, sizeof longest);
    snprintf(buffer, size, "link drop-outs: %lu, longest %s",
             static_cast<unsigned long>(link->dropouts), longest);
    return true;
}
