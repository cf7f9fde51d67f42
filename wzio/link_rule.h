// How wzio rides out a link drop-out (a run of failed scans): how long a
// failed scan keeps the last good scan's inputs, and when the bridge is
// opened again. Plain functions over a millisecond tick that wraps at 2^32.
#ifndef WZIO_LINK_RULE_H
#define WZIO_LINK_RULE_H

#include <stdint.h>

#include "wzio.h"

// A failed scan this soon after its drop-out's first keeps the last inputs:
// a lost transfer is no release.
constexpr uint32_t link_hold_ms = WZ_IO_LINK_HOLD_MS;
// One lost transfer is no drop-out: the bridge is opened again from this
// many failed scans in a row.
constexpr uint32_t link_reopen_failed_scans = 3;
// A bridge that is gone costs at most four failed opens a second.
constexpr uint32_t link_reopen_gap_ms = 250;

struct link_state {
    bool host_open;         // wz_io_init called, and wz_io_fini not since
    bool good_scan;         // a good scan since the latest wz_io_init
    bool inputs_released;   // this drop-out has reached link_hold_ms
    uint32_t failed_scans;  // in a row, counted up to link_reopen_failed_scans
    uint32_t first_failed_ms;
    uint32_t last_open_ms;
};

// What a failed scan does: keep the inputs of the last good scan (else every
// input reads inactive), and open the bridge again after its last call.
struct link_verdict {
    bool hold_inputs;
    bool reopen;
};

// wz_io_init opened the bridge (or tried to) at now_ms.
void link_init(link_state *link, uint32_t now_ms);

void link_fini(link_state *link);

// A good scan ends the drop-out; it reads no clock.
void link_good_scan(link_state *link);

link_verdict link_failed_scan(link_state *link, uint32_t now_ms);

// wzio opened the bridge again at now_ms.
void link_reopened(link_state *link, uint32_t now_ms);

#endif
