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

enum fault_kind { no_fault, call_fails, scan_fails };

// The bridge: plugged or not, an open that is good, or dead since an unplug.
struct fake_bridge {
    bool plugged, live, dead;
    fault_kind fault;
    int fault_call;  // 0 to 11, when one call fails
    bool short_read;
    uint32_t frame;
    int calls, reads;  // in the scan going on
    bool scan_failed, short_now, clock_allowed;
    int clock_misreads;
    std::string trace;  // O open, C close, A address write, R data read
};
fake_bridge bridge;
uint32_t tick_now;

// A call of a scan: false when the link fails it; a faulty read may instead
// succeed short. The clock may be read after a failed scan's last call.
bool bridge_scan_call(char kind)
{
    bridge.trace += kind;
    bool faulty = bridge.fault == call_fails && bridge.fault_call == bridge.calls;
    bridge.short_now = faulty && kind == 'R' && bridge.short_read;
    bool ok = bridge.plugged && bridge.live && bridge.fault != scan_fails &&
              (!faulty || bridge.short_now);
    bridge.scan_failed = bridge.scan_failed || !ok || bridge.short_now;
    bridge.clock_allowed = ++bridge.calls == 12 && bridge.scan_failed;
    return ok;
}

}  // namespace

uint32_t link_tick_ms()
{
    bridge.clock_misreads += bridge.clock_allowed ? 0 : 1;
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
    bridge.clock_allowed = false;
    bridge.live = bridge.dead = false;
}

BOOL WINAPI CH341EppSetAddr(ULONG, UCHAR)
{
    return bridge_scan_call('A');
}

BOOL WINAPI CH341EppReadData(ULONG, PVOID buffer, PULONG length)
{
    int byte = bridge.reads++;
    bool ok = bridge_scan_call('R');
    bool delivered = ok && !bridge.short_now;
    if (delivered) {
        static_cast<uint8_t *>(buffer)[0] = static_cast<uint8_t>(bridge.frame >> (8 * byte));
    }
    *length = delivered ? 1 : 0;
    return ok ? TRUE : FALSE;
}

}  // extern "C"

namespace {

// The twelve calls of a scan as the board sees them (sim/ch341dll/README.md).
const std::string scan_trace = "AAAARAARAARA";

enum step_kind { step_init, step_fini, step_scans, step_unplug, step_replug };

struct run_step {
    step_kind kind;
    uint32_t wait_ms;  // before each scan, or before the step
    int scans;
    fault_kind fault;
    int fault_call;
    bool short_read;
    uint32_t frame;
};

void showValue(const run_step &s, std::ostream &os)
{
    const char *const kinds[] = {"init", "fini", "scans", "unplug", "replug"};
    os << kinds[s.kind] << " wait " << s.wait_ms << " x" << s.scans << " fault " << s.fault
       << " call " << s.fault_call << (s.short_read ? " short" : "") << " frame " << s.frame;
}

// wzio as documented: the inputs a game sees, the drop-out and the reopens.
struct wzio_model {
    bool host_open, good_since_init, released;
    uint32_t failed_in_a_row, first_failed_ms, last_open_ms;
    uint16_t panel;
    uint8_t sys;
};

// Input i is active when its frame bit (board_wiring.h) is low.
void model_decode(wzio_model *m, uint32_t frame)
{
    m->panel = 0;
    m->sys = 0;
    for (uint32_t i = 0; i < board_panel_buttons; ++i) {
        m->panel =
            static_cast<uint16_t>(m->panel | ((frame & board_panel_wiring[i]) ? 0 : 1u << i));
    }
    for (uint32_t i = 0; i < board_system_inputs; ++i) {
        m->sys = static_cast<uint8_t>(m->sys | ((frame & board_system_wiring[i]) ? 0 : 1u << i));
    }
}

// A scan the bridge failed; returns whether wzio reopens the bridge after it.
bool model_failed_scan(wzio_model *m, uint32_t now)
{
    if (m->failed_in_a_row++ == 0) {
        m->first_failed_ms = now;
    }
    m->released = m->released || now - m->first_failed_ms >= 50;
    if (!(m->host_open && m->good_since_init && !m->released)) {
        m->panel = 0;
        m->sys = 0;
    }
    bool reopen = m->host_open && m->failed_in_a_row >= 3 && now - m->last_open_ms >= 250;
    m->last_open_ms = reopen ? now : m->last_open_ms;
    return reopen;
}

// Steps near the rule's edges: a clock step, 50 ms, 250 ms.
rc::Gen<uint32_t> waits()
{
    return rc::gen::weightedOneOf<uint32_t>({{2, rc::gen::inRange<uint32_t>(0, 2)},
                                             {3, rc::gen::inRange<uint32_t>(10, 17)},
                                             {2, rc::gen::inRange<uint32_t>(45, 56)},
                                             {2, rc::gen::inRange<uint32_t>(240, 261)},
                                             {1, rc::gen::inRange<uint32_t>(0, 400)}});
}

rc::Gen<run_step> run_steps()
{
    return rc::gen::build<run_step>(
        rc::gen::set(&run_step::kind, rc::gen::weightedElement<step_kind>({{1, step_init},
                                                                           {1, step_fini},
                                                                           {12, step_scans},
                                                                           {1, step_unplug},
                                                                           {1, step_replug}})),
        rc::gen::set(&run_step::wait_ms, waits()),
        rc::gen::set(&run_step::scans, rc::gen::weightedOneOf<int>({{3, rc::gen::inRange(2, 5)},
                                                                    {1, rc::gen::inRange(1, 9)}})),
        rc::gen::set(&run_step::fault, rc::gen::weightedElement<fault_kind>(
                                           {{4, no_fault}, {2, call_fails}, {2, scan_fails}})),
        rc::gen::set(&run_step::fault_call, rc::gen::inRange(0, 12)),
        rc::gen::set(&run_step::short_read, rc::gen::arbitrary<bool>()),
        rc::gen::set(&run_step::frame, rc::gen::inRange<uint32_t>(0, 0x1000000)));
}

// A good scan then fini: a state a fresh process would also be in, as far as
// the rule can tell, whatever the last run left.
void wzio_settle()
{
    bridge = {};
    bridge.plugged = true;
    bridge.frame = 0xFFFFFF;
    wz_io_init(nullptr, nullptr, nullptr);
    bridge.calls = bridge.reads = 0;
    wz_io_read_inputs();
    wz_io_fini();
    bridge = {};
}

RC_GTEST_PROP(WzioModel, AGameSeesWhatTheRuleSays, ())
{
    wzio_settle();
    wzio_model m = {false, true, false, 0, 0, 0, 0, 0};
    tick_now = *rc::gen::weightedOneOf<uint32_t>(
        {{3, rc::gen::inRange<uint32_t>(0xFFFFFC00u, 0xFFFFFFFFu)},
         {1, rc::gen::arbitrary<uint32_t>()}});
    bridge.plugged = *rc::gen::weightedElement<bool>({{4, true}, {1, false}});
    std::vector<run_step> steps = *rc::gen::container<std::vector<run_step>>(run_steps());
    steps.insert(steps.begin(), run_step{step_init, 0, 1, no_fault, 0, false, 0});
    for (const run_step &step : steps) {
        std::string expected;
        for (int scan = 0; scan < (step.kind == step_scans ? step.scans : 1); ++scan) {
            tick_now += step.wait_ms;
            bridge.trace.clear();
            if (step.kind == step_init) {
                bool opens = bridge.plugged && !bridge.dead;
                RC_ASSERT(wz_io_init(nullptr, nullptr, nullptr) == opens);
                m = {true, false, false, 0, 0, tick_now, m.panel, m.sys};
                expected = "O";
            } else if (step.kind == step_fini) {
                wz_io_fini();
                m.host_open = false;
                expected = "C";
            } else if (step.kind == step_scans) {
                bridge.fault = step.fault;
                bridge.fault_call = step.fault_call;
                bridge.short_read = step.short_read;
                bridge.frame = step.frame;
                bridge.calls = bridge.reads = 0;
                bridge.scan_failed = false;
                bool good = bridge.plugged && bridge.live && step.fault == no_fault;
                RC_ASSERT(wz_io_read_inputs() == good);
                expected = scan_trace;
                if (good) {
                    model_decode(&m, step.frame);
                    m.good_since_init = true;
                    m.failed_in_a_row = 0;
                    m.released = false;
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
            RC_ASSERT(bridge.clock_misreads == 0);
        }
    }
}

}  // namespace
