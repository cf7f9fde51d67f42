#include "link_rule.h"

void link_init(link_state *link, uint32_t now_ms)
{
    *link = {true, false, false, 0, 0, now_ms};
}

void link_fini(link_state *link)
{
    link->host_open = false;
}

void link_good_scan(link_state *link)
{
    link->good_scan = true;
    link->inputs_released = false;
    link->failed_scans = 0;
}

link_verdict link_failed_scan(link_state *link, uint32_t now_ms)
{
    if (link->failed_scans == 0) {
        link->first_failed_ms = now_ms;
    }
    if (link->failed_scans < link_reopen_failed_scans) {
        ++link->failed_scans;
    }
    // Unsigned differences ride over the tick's wrap; once released, the
    // inputs stay so until a good scan, whatever a later wrap makes of the age.
    if (now_ms - link->first_failed_ms >= link_hold_ms) {
        link->inputs_released = true;
    }
    link_verdict verdict;
    verdict.hold_inputs = link->host_open && link->good_scan && !link->inputs_released;
    verdict.reopen = link->host_open && link->failed_scans >= link_reopen_failed_scans &&
                     now_ms - link->last_open_ms >= link_reopen_gap_ms;
    return verdict;
}

void link_reopened(link_state *link, uint32_t now_ms)
{
    link->last_open_ms = now_ms;
}
