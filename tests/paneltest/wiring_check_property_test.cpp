// The wiring check on random stuck inputs, presses, bounces, failed scans and
// spaces, against the rule of the check in paneltest/README.md.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "scan_chatter.h"
#include "scan_script.h"
#include "wiring_check.h"

namespace {

constexpr uint64_t none = UINT64_MAX;

enum class model_phase : uint8_t { settling, press, release, quiet, done };

struct check_model {
    uint64_t settle_us, threshold_us;
    model_phase phase;
    int step, last;  // the asked input; the latest one with a verdict, -1 before
    uint32_t stuck, active, failed;
    bool link_down;
    uint64_t good_us;      // the previous scan's time when it was good (or the start), else none
    uint64_t settled_us;   // good-scan time spent settling
    uint64_t unseen_us;    // good-scan time the step has awaited its press
    uint64_t released_us;  // when the step's inputs last read idle
    int bouncing;          // whose bounce the wait absorbs, -1 for none
    check_verdict verdict[check_input_count];
    uint32_t with[check_input_count];
    uint64_t gap[check_input_count];
};

check_model model_start(uint32_t settle_ms, uint32_t chatter_ms, uint64_t now)
{
    check_model m{settle_ms * 1000ull, chatter_ms * 1000ull, model_phase::settling, 0, -1, 0,
                  0, 0, false, now, 0, 0, 0, -1, {}, {}, {}};
    std::fill(m.gap, m.gap + check_input_count, none);
    return m;
}

// The next step: the next input not stuck, or the end.
void model_next(check_model *m, int from)
{
    int step = from;
    while (step < check_input_count && (m->stuck & input_bit(step)) != 0) {
        ++step;
    }
    m->step = step < check_input_count ? step : m->step;
    m->phase = step < check_input_count ? model_phase::press : model_phase::done;
    m->unseen_us = 0;
}

void model_judge(check_model *m, uint32_t active)
{
    int asked = m->step;
    uint32_t others = active & ~input_bit(asked);
    bool alone = others != 0 && (others & (others - 1)) == 0 && (active & input_bit(asked)) == 0;
    m->verdict[asked] = others == 0 ? check_verdict::ok
                        : alone     ? check_verdict::crossed
                                    : check_verdict::shorted;
    m->with[asked] = others;
    m->bouncing = others == 0 ? asked : alone ? __builtin_ctz(others) : -1;
    m->last = asked;
    m->phase = model_phase::release;
}

void model_scan(check_model *m, bool ok, uint32_t read, uint64_t now)
{
    uint64_t span = m->good_us == none ? 0 : now - m->good_us;
    m->good_us = ok ? now : none;
    m->link_down = !ok;
    if (!ok) {
        ++m->failed;
        return;
    }
    uint32_t active = read & check_all_inputs & ~m->stuck;
    m->active = active;
    if (m->phase == model_phase::settling) {
        m->settled_us += span;
        if (active != 0 && m->settled_us < m->settle_us) {
            return;
        }
        m->stuck = active;
        for (int i = 0; i < check_input_count; ++i) {
            m->verdict[i] = (active & input_bit(i)) != 0 ? check_verdict::stuck : m->verdict[i];
        }
        m->active = 0;
        model_next(m, 0);
    } else if (m->phase == model_phase::press) {
        m->unseen_us += active == 0 ? span : 0;
        if (active != 0) {
            model_judge(m, active);
        }
    } else if (m->phase == model_phase::release && active == 0) {
        m->released_us = now;
        if (m->bouncing < 0) {
            model_next(m, m->step + 1);
        } else {
            m->phase = model_phase::quiet;
        }
    } else if (m->phase == model_phase::quiet) {
        uint64_t gap = now - m->released_us;
        if (gap < m->threshold_us && active == input_bit(m->bouncing)) {
            if (m->bouncing == m->step) {
                m->verdict[m->step] = check_verdict::chatters;
                m->gap[m->step] = std::min(m->gap[m->step], gap);
            }
            m->phase = model_phase::release;
        } else if (gap >= m->threshold_us || active != 0) {
            model_next(m, m->step + 1);
            if (m->phase == model_phase::press && active != 0) {
                model_judge(m, active);
            }
        }
    }
}

std::string names_of(uint32_t inputs)
{
    std::string names;
    for (int i = 0; i < check_input_count; ++i) {
        if ((inputs & input_bit(i)) != 0) {
            check_input_name name = wiring_check_input_name(i);
            names += (names.empty() ? "" : ", ") + std::string(name.group) + " " +
                     std::to_string(name.number);
        }
    }
    return names;
}

std::string model_result(const check_model &m, int i)
{
    std::string line = names_of(input_bit(i)) + ": ";
    char gap[32];
    uint64_t tenths = (m.gap[i] + 50) / 100;
    snprintf(gap, sizeof gap, "%llu.%llu ms", static_cast<unsigned long long>(tenths / 10),
             static_cast<unsigned long long>(tenths % 10));
    switch (m.verdict[i]) {
    case check_verdict::not_reached: return line + "not reached";
    case check_verdict::ok: return line + "ok";
    case check_verdict::crossed: return line + "crossed with " + names_of(m.with[i]);
    case check_verdict::shorted: return line + "short with " + names_of(m.with[i]);
    case check_verdict::stuck: return line + "stuck active";
    case check_verdict::skipped: return line + "skipped";
    case check_verdict::chatters: return line + "chatters, shortest gap " + gap;
    }
    return line;
}

std::string model_prompt(const check_model &m)
{
    int i = m.step;
    std::string name = i < check_panel_count ? "panel button " + std::to_string(i) + " (row " +
                                                   std::to_string(i / 4 + 1) + ", column " +
                                                   std::to_string(i % 4 + 1) + ")"
                                             : "system input " + std::to_string(i - 16);
    if (m.link_down && m.phase != model_phase::done) {
        return "The bridge is not answering: check the USB cable";
    }
    switch (m.phase) {
    case model_phase::settling: return "Release every panel button and system input";
    case model_phase::press: return "Press " + name + ", or space to skip it";
    case model_phase::done: return "Check done";
    default: return "Release " + name;
    }
}

std::string model_waiting(const check_model &m)
{
    if (m.phase == model_phase::press) {
        return m.unseen_us < check_unseen_us ? ""
                                             : "Not seen for 10 s: a dead switch or a broken "
                                               "wire may be why; space skips it";
    }
    return m.active == 0 ? "" : "still active: " + names_of(m.active);
}

std::string model_last(const check_model &m)
{
    return m.last >= 0    ? model_result(m, m.last)
           : m.stuck != 0 ? names_of(m.stuck) + ": stuck active"
                          : "--";
}

void expect_check(const wiring_check &check, const check_model &m, bool every_input)
{
    char text[128];
    for (int i = 0; i < check_input_count; ++i) {
        RC_ASSERT(check.results[i].verdict == m.verdict[i]);
        if (every_input || i == m.step || i == m.last) {
            wiring_check_format_result(&check, i, text, sizeof text);
            RC_ASSERT(std::string(text) == model_result(m, i));
        }
    }
    RC_ASSERT(check.stuck == m.stuck);
    RC_ASSERT((check.phase == check_phase::done) == (m.phase == model_phase::done));
    RC_ASSERT(wiring_check_unseen(&check) ==
              (m.phase == model_phase::press && m.unseen_us >= check_unseen_us));
    wiring_check_format_prompt(&check, text, sizeof text);
    RC_ASSERT(std::string(text) == model_prompt(m));
    if (!m.link_down && m.phase != model_phase::done) {
        wiring_check_format_waiting(&check, text, sizeof text);
        RC_ASSERT(std::string(text) == model_waiting(m));
    }
    wiring_check_format_last(&check, text, sizeof text);
    RC_ASSERT(std::string(text) == model_last(m));
    int ok = static_cast<int>(std::count(m.verdict, m.verdict + check_input_count,
                                         check_verdict::ok));
    RC_ASSERT(wiring_check_ok_count(&check) == ok);
    RC_ASSERT(wiring_check_passed(&check) == (ok == check_input_count && m.failed == 0));
    wiring_check_format_total(&check, text, sizeof text);
    RC_ASSERT(std::string(text) == "check: " + std::to_string(ok) + " of 19 ok, " +
                                       std::to_string(m.failed) + " failed scans");
}

// What the operator or the bridge does next, read against the model's step
// so that the asked input, its partner and the edges of the waits come often.
enum class act : uint8_t { idle, asked, bouncer, other, pair, failed, space };
enum class wait : uint8_t { scan, clock_step, to_edge, long_pause };

struct check_step {
    act what;
    int other;  // how far past the asked input the other one is
    wait how;
    int64_t delta_us;  // a scan's spacing, or how far past the edge
};

// For RapidCheck's counterexamples: act, other, wait, delta.
std::ostream &operator<<(std::ostream &out, const check_step &step)
{
    return out << "{" << int(step.what) << "," << step.other << "," << int(step.how) << ","
               << step.delta_us << "}";
}

rc::Gen<check_step> step_gen()
{
    auto what = rc::gen::weightedElement<act>({{4, act::idle},
                                               {4, act::asked},
                                               {2, act::bouncer},
                                               {1, act::other},
                                               {1, act::pair},
                                               {2, act::failed},
                                               {1, act::space}});
    auto how = rc::gen::weightedElement<wait>(
        {{3, wait::scan}, {2, wait::clock_step}, {3, wait::to_edge}, {1, wait::long_pause}});
    return rc::gen::construct<check_step>(what, rc::gen::inRange(1, check_input_count), how,
                                          rc::gen::inRange<int64_t>(-1, 2));
}

// The time to the next scan: a spacing, or to the edge of the wait in hand
// (the settle time, the 10 s, the threshold), one microsecond either side.
uint64_t dt_of(const check_step &step, const check_model &m, uint64_t now)
{
    uint64_t edge = 0;
    switch (step.how) {
    case wait::scan: return 1000 + static_cast<uint64_t>(step.delta_us + 1) * 2000;
    case wait::clock_step: return 10000 + static_cast<uint64_t>(step.delta_us + 1) * 3000;
    case wait::long_pause: return 9000000;
    case wait::to_edge: break;
    }
    if (m.phase == model_phase::settling) {
        edge = m.good_us == none ? 0 : m.settle_us - std::min(m.settle_us, m.settled_us);
    } else if (m.phase == model_phase::press) {
        edge = m.good_us == none ? 0 : check_unseen_us - std::min(check_unseen_us, m.unseen_us);
    } else if (m.phase == model_phase::quiet) {
        edge = m.released_us + m.threshold_us - std::min(m.released_us + m.threshold_us, now);
    }
    return std::max<int64_t>(1, static_cast<int64_t>(edge) + step.delta_us);
}

uint32_t read_of(const check_step &step, const check_model &m)
{
    int asked = m.phase == model_phase::settling || m.phase == model_phase::done
                    ? step.other - 1
                    : m.step;
    uint32_t other = input_bit((asked + step.other) % check_input_count);
    switch (step.what) {
    case act::asked: return input_bit(asked);
    case act::bouncer: return m.bouncing >= 0 ? input_bit(m.bouncing) : input_bit(asked);
    case act::other: return other;
    case act::pair: return other | input_bit(asked);
    case act::failed: return step.other % 3 == 0 ? other : 0;
    default: return 0;
    }
}

RC_GTEST_PROP(WiringCheckModel, StepsWaitsAndVerdictsFollowTheReadme, ())
{
    uint32_t settle_ms = *rc::gen::elementOf(std::vector<uint32_t>{0, 20, 100});
    uint32_t chatter_ms = *rc::gen::weightedElement<uint32_t>(
        {{4, chatter_default_ms}, {1, chatter_min_ms}});
    uint64_t now = *rc::gen::elementOf(std::vector<uint64_t>{0, (1ull << 32) - 30000});
    std::vector<check_step> steps =
        *rc::gen::resize(300, rc::gen::container<std::vector<check_step>>(step_gen()));
    wiring_check check;
    wiring_check_start(&check, settle_ms, chatter_ms, now);
    check_model m = model_start(settle_ms, chatter_ms, now);
    for (const check_step &step : steps) {
        if (step.what == act::space) {
            wiring_check_skip(&check);
            if (m.phase == model_phase::press) {
                m.verdict[m.step] = check_verdict::skipped;
                m.last = m.step;
                model_next(&m, m.step + 1);
            }
        } else {
            uint32_t read = read_of(step, m);
            now += dt_of(step, m, now);
            wiring_check_scan(&check, step.what != act::failed, read, now);
            model_scan(&m, step.what != act::failed, read, now);
        }
        expect_check(check, m, false);
    }
    expect_check(check, m, true);
}

}  // namespace
