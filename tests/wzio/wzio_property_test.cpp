// wzio as a game sees it, against a model of what README.md ("On a cabinet")
// and wzio.h promise: random runs of init, scans and fini over a bridge and a
// tick that belong to this test, so time moves only when the run says so.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <stdint.h>

#include <ostream>
#include <string>
#include <vector>

#include "board_wiring.h"
#include "ch341dll.h"
#include "link_tick.h"
#include "wzio.h"

namespace {

enum step_kind { step_init, step_fini, step_scans, step_unplug, step_replug };

// What the game or the cable does after wait_ms, scans times over for scans.
struct run_step {
    step_kind kind;
    uint32_t wait_ms;
    int scans;
    int fault;        // -1 none, 0 to 11 that call of the scan fails, 12 every call
    bool short_read;  // a failing data read returns TRUE with nothing read
    uint32_t frame;   // byte 0 | byte 1 << 8 | byte 2 << 16
};

void showValue(const run_step &s, std::ostream &os)
{
    const char *const kinds[] = {"init", "fini", "scans", "unplug", "replug"};
    os << kinds[s.kind] << " after " << s.wait_ms << " ms x" << s.scans << " fault " << s.fault
       << (s.short_read ? " short" : "") << " frame " << s.frame;
}

// The bridge: plugged or not, with an open that is good, or dead since an unplug.
struct fake_bridge {
    bool plugged, live, dead;
    const run_step *scan;
    int calls, reads;  // of the scan going on
    bool scan_failed, short_now, clock_allowed;
    std::string trace;  // O open, C close, A address write, R data read
} bridge;
uint32_t tick_now;

// A call of a scan; a failing data read may instead succeed short. The clock
// may be read after a failed scan's last call.
bool bridge_scan_call(char kind)
{
    bridge.trace += kind;
    int call = bridge.calls++;
    bool faulty = bridge.scan->fault == 12 || bridge.scan->fault == call;
    bridge.short_now = faulty && kind == 'R' && bridge.scan->short_read;
    bool ok = bridge.plugged && bridge.live && (!faulty || bridge.short_now);
    bridge.scan_failed = bridge.scan_failed || !ok || bridge.short_now;
    bridge.clock_allowed = bridge.calls == 12 && bridge.scan_failed;
    return ok;
}

}  // namespace

uint32_t link_tick_ms()
{
    RC_ASSERT(bridge.clock_allowed);
    return tick_now;
}

extern "C" {

HANDLE WINAPI CH341OpenDevice(ULONG)
{
    bridge.trace += 'O';
    bridge.clock_allowed = true;
    bridge.live = bridge.live || (bridge.plugged && !bridge.dead);
    return bridge.live ? &bridge : INVALID_HANDLE_VALUE;
}

void WINAPI CH341CloseDevice(ULONG)
{
    bridge.trace += 'C';
    bridge.clock_allowed = bridge.live = bridge.dead = false;
}

BOOL WINAPI CH341EppSetAddr(ULONG, UCHAR)
{
    return bridge_scan_call('A');
}

BOOL WINAPI CH341EppReadData(ULONG, PVOID buffer, PULONG length)
{
    int byte = bridge.reads++;
    bool ok = bridge_scan_call('R');
    *length = ok && !bridge.short_now ? 1 : 0;
    if (*length == 1) {
        *static_cast<uint8_t *>(buffer) = static_cast<uint8_t>(bridge.scan->frame >> (8 * byte));
    }
    return ok ? TRUE : FALSE;
}

}  // extern "C"

namespace {

// wzio as documented: the inputs a game sees, the drop-out and the reopens.
struct wzio_model {
    bool host_open, good_since_init, released;
    uint32_t failed_in_a_row, first_failed_ms, last_open_ms;
    unsigned panel, sys;
};

// Input i is active when its frame bit (board_wiring.h) is low.
void model_good_scan(wzio_model *m, uint32_t frame)
{
    *m = {m->host_open, true, false, 0, 0, m->last_open_ms, 0, 0};
    for (uint32_t i = 0; i < board_panel_buttons; ++i) {
        m->panel |= (frame & board_panel_wiring[i]) != 0 ? 0 : 1u << i;
    }
    for (uint32_t i = 0; i < board_system_inputs; ++i) {
        m->sys |= (frame & board_system_wiring[i]) != 0 ? 0 : 1u << i;
    }
}

// Returns whether wzio opens the bridge again after the scan.
bool model_failed_scan(wzio_model *m, uint32_t now)
{
    if (m->failed_in_a_row++ == 0) {
        m->first_failed_ms = now;
    }
    m->released = m->released || now - m->first_failed_ms >= 50;
    if (!m->host_open || !m->good_since_init || m->released) {
        m->panel = m->sys = 0;
    }
    bool reopen = m->host_open && m->failed_in_a_row >= 3 && now - m->last_open_ms >= 250;
    m->last_open_ms = reopen ? now : m->last_open_ms;
    return reopen;
}

// Waits near the rule's edges (a clock step, 50 ms, 250 ms) and runs of failures near 3.
rc::Gen<run_step> run_steps()
{
    using namespace rc::gen;
    return build<run_step>(
        // clang-format off
        set(&run_step::kind, weightedElement<step_kind>({{1, step_init}, {1, step_fini}, {12, step_scans}, {1, step_unplug}, {1, step_replug}})),
        set(&run_step::wait_ms, weightedOneOf<uint32_t>({{2, inRange<uint32_t>(0, 2)}, {3, inRange<uint32_t>(10, 17)}, {2, inRange<uint32_t>(45, 56)}, {2, inRange<uint32_t>(240, 261)}, {1, inRange<uint32_t>(0, 400)}})),
        set(&run_step::scans, weightedOneOf<int>({{3, inRange(2, 5)}, {1, inRange(1, 9)}})),
        set(&run_step::fault, weightedOneOf<int>({{4, just(-1)}, {3, inRange(0, 13)}, {1, just(12)}})),
        // clang-format on
        set(&run_step::short_read, arbitrary<bool>()),
        set(&run_step::frame, inRange<uint32_t>(0, 0x1000000)));
}

RC_GTEST_PROP(WzioModel, AGameSeesWhatTheRuleSays, ())
{
    // Init, a good scan and fini leave wzio as a fresh process would be, as far as the rule tells.
    const run_step idle = {step_scans, 0, 1, -1, false, 0xFFFFFF};
    bridge = {true, false, false, &idle, 0, 0, false, false, false, ""};
    wz_io_init(nullptr, nullptr, nullptr);
    wz_io_read_inputs();
    wz_io_fini();
    wzio_model m = {false, true, false, 0, 0, 0, 0, 0};
    tick_now = *rc::gen::weightedOneOf<uint32_t>(
        {{3, rc::gen::inRange<uint32_t>(0xFFFFFC00u, 0xFFFFFFFFu)},
         {1, rc::gen::arbitrary<uint32_t>()}});
    bridge.plugged = *rc::gen::weightedElement<bool>({{4, true}, {1, false}});
    std::vector<run_step> steps = *rc::gen::container<std::vector<run_step>>(run_steps());
    steps.insert(steps.begin(), run_step{step_init, 0, 1, -1, false, 0});
    for (const run_step &step : steps) {
        for (int scan = 0; scan < (step.kind == step_scans ? step.scans : 1); ++scan) {
            tick_now += step.wait_ms;
            std::string expected;
            bridge.trace.clear();
            if (step.kind == step_init) {
                RC_ASSERT(wz_io_init(nullptr, nullptr, nullptr) ==
                          (bridge.plugged && !bridge.dead));
                m = {true, false, false, 0, 0, tick_now, m.panel, m.sys};
                expected = "O";
            } else if (step.kind == step_fini) {
                wz_io_fini();
                m.host_open = false;
                expected = "C";
            } else if (step.kind == step_scans) {
                bridge.scan = &step;
                bridge.calls = bridge.reads = 0;
                bridge.scan_failed = false;
                bool good = bridge.plugged && bridge.live && step.fault < 0;
                RC_ASSERT(wz_io_read_inputs() == good);
                // The twelve calls as the board sees them (sim/ch341dll/README.md).
                expected = "AAAARAARAARA";
                if (good) {
                    model_good_scan(&m, step.frame);
                } else if (model_failed_scan(&m, tick_now)) {
                    expected += "CO";
                }
            } else {
                bridge.plugged = step.kind == step_replug;
                bridge.dead = bridge.dead || (!bridge.plugged && bridge.live);
                bridge.live = bridge.live && bridge.plugged;
            }
            RC_ASSERT(bridge.trace == expected);
            RC_ASSERT(wz_io_get_panel_inputs() == m.panel);
            RC_ASSERT(wz_io_get_sys_inputs() == m.sys);
        }
    }
}

}  // namespace
