// The wiring check on random stuck inputs, presses, bounces, failed scans and
// spaces, against the rule of the check in paneltest/README.md.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "scan_chatter.h"
#include "scan_script.h"
#include "wiring_check.h"
#include "wiring_check_text.h"

namespace {

constexpr uint64_t none = UINT64_MAX;
using phase = check_phase;

struct check_model {
    uint64_t settle_us, threshold_us, good_us;  // good_us: the previous scan's when good, else none
    phase at = phase::settling;
    int step = 0, last = -1, bouncing = -1;  // the asked input, the latest verdict's, the bouncer
    uint32_t stuck = 0, active = 0, failed = 0;
    uint64_t settled_us = 0, unseen_us = 0, released_us = 0;  // good-scan time settling, unseen
    check_result results[input_count] = {};
    uint64_t gap[input_count] = {};
};

void model_next(check_model *m, int from)
{
    while (from < input_count && (m->stuck & input_bit(from)) != 0) {
        ++from;
    }
    m->step = std::min(from, input_count - 1);
    m->at = from < input_count ? phase::awaiting_press : phase::done;
    m->unseen_us = 0;
}

void model_judge(check_model *m, uint32_t active)
{
    uint32_t others = active & ~input_bit(m->step);
    bool alone = (others & (others - 1)) == 0 && others == active;
    m->results[m->step] = {others == 0 ? check_verdict::ok
                           : alone     ? check_verdict::crossed
                                       : check_verdict::shorted,
                           others};
    m->bouncing = others == 0 ? m->step : alone ? __builtin_ctz(others) : -1;
    m->last = m->step;
    m->at = phase::awaiting_release;
}

void model_scan(check_model *m, bool ok, uint32_t read, uint64_t now)
{
    uint64_t span = m->good_us == none ? 0 : now - m->good_us;
    m->good_us = ok ? now : none;
    m->failed += ok ? 0 : 1;
    uint32_t active = ok ? read & all_inputs & ~m->stuck : 0;
    m->active = ok ? active : m->active;
    uint64_t gap = now - m->released_us;
    if (!ok || m->at == phase::done) {
        return;
    }
    if (m->at == phase::settling) {
        m->settled_us += span;
        if (active == 0 || m->settled_us >= m->settle_us) {
            m->stuck = active;
            for (int i = 0; i < input_count; ++i) {
                m->results[i].verdict = (active & input_bit(i)) != 0 ? check_verdict::stuck
                                                                     : check_verdict::not_reached;
            }
            m->active = 0;
            model_next(m, 0);
        }
    } else if (m->at == phase::awaiting_press) {
        m->unseen_us += span;
        if (active != 0) {
            model_judge(m, active);
        }
    } else if (m->at == phase::awaiting_release && active == 0) {
        m->released_us = now;
        m->at = phase::awaiting_quiet;
        if (m->bouncing < 0) {
            model_next(m, m->step + 1);
        }
    } else if (m->at == phase::awaiting_quiet && gap < m->threshold_us &&
               active == input_bit(m->bouncing)) {
        if (m->bouncing == m->step) {
            m->results[m->step] = {check_verdict::chatters, 0};
            m->gap[m->step] = std::min(m->gap[m->step], gap);
        }
        m->at = phase::awaiting_release;
    } else if (m->at == phase::awaiting_quiet && (gap >= m->threshold_us || active != 0)) {
        model_next(m, m->step + 1);
        if (m->at == phase::awaiting_press && active != 0) {
            model_judge(m, active);
        }
    }
}

std::string names_of(uint32_t inputs)
{
    std::string names;
    for (int i = 0; i < input_count; ++i) {
        if ((inputs & input_bit(i)) != 0) {
            names += (names.empty() ? "" : ", ") + std::string(i < 16 ? "panel " : "sys ") +
                     std::to_string(i < 16 ? i : i - 16);
        }
    }
    return names;
}

void expect_check(const wiring_check &check, const check_model &m)
{
    int ok = 0;
    for (int i = 0; i < input_count; ++i) {
        ok += m.results[i].verdict == check_verdict::ok ? 1 : 0;
        RC_ASSERT(check.results[i].verdict == m.results[i].verdict);
        RC_ASSERT(check.results[i].with == m.results[i].with);
        if (m.results[i].verdict == check_verdict::chatters) {
            RC_ASSERT(check.shortest_gap_us[i] == m.gap[i]);
        }
    }
    RC_ASSERT(check.stuck == m.stuck);
    RC_ASSERT(check.phase == m.at);
    RC_ASSERT(check.link_down == (m.good_us == none));
    bool unseen = m.at == phase::awaiting_press && m.unseen_us >= check_unseen_us;
    RC_ASSERT(wiring_check_unseen(&check) == unseen);
    char text[128];
    wiring_check_format_waiting(&check, text, sizeof text);
    std::string waiting = unseen          ? "Not seen for 10 s"
                          : m.active == 0 ? ""
                                          : "still active: " + names_of(m.active);
    RC_ASSERT(m.good_us == none || m.at == phase::done ||
              std::string(text).substr(0, unseen ? 17 : std::string::npos) == waiting);
    wiring_check_format_last(&check, text, sizeof text);
    std::string stuck = m.stuck == 0 ? "--" : names_of(m.stuck) + ": stuck active";
    RC_ASSERT(check.last_judged == m.last);
    RC_ASSERT(m.last >= 0 || text == stuck);
    RC_ASSERT(wiring_check_ok_count(&check) == ok);
    RC_ASSERT(wiring_check_passed(&check) == (ok == input_count && m.failed == 0));
}

// What the operator or the bridge does next, read against the model's step
// so that the asked input, its partner and the edges of the waits come often.
enum class act : uint8_t { idle, asked, bouncer, other, pair, failed, space };
enum class wait : uint8_t { scan, clock_step, to_edge, long_pause };

struct check_step {
    act what;
    int other;  // how far past the asked input the other one is
    wait how;
    int64_t delta_us;  // picks a spacing, or how far past the edge
};

std::ostream &operator<<(std::ostream &out, const check_step &s)
{
    return out << "{" << int(s.what) << "," << s.other << "," << int(s.how) << "," << s.delta_us
               << "}";
}

// The time to the next scan: a spacing, or to the edge of the wait in hand
// (the settle time, the 10 s, the threshold), one microsecond either side.
uint64_t dt_of(const check_step &step, const check_model &m, uint64_t now)
{
    uint64_t pick = static_cast<uint64_t>(step.delta_us + 1), to_edge = 0;
    if (step.how != wait::to_edge) {
        return step.how == wait::scan         ? 1000 + pick * 2000
               : step.how == wait::clock_step ? 10000 + pick * 3000
                                              : 9000000;
    }
    if (m.at == phase::settling && m.good_us != none) {
        to_edge = m.settle_us - std::min(m.settle_us, m.settled_us);
    } else if (m.at == phase::awaiting_press && m.good_us != none) {
        to_edge = check_unseen_us - std::min(check_unseen_us, m.unseen_us);
    } else if (m.at == phase::awaiting_quiet) {
        to_edge = m.released_us + m.threshold_us - std::min(m.released_us + m.threshold_us, now);
    }
    return static_cast<uint64_t>(std::max<int64_t>(1, int64_t(to_edge) + step.delta_us));
}

uint32_t read_of(const check_step &step, const check_model &m)
{
    int asked = m.at == phase::settling || m.at == phase::done ? step.other - 1 : m.step;
    uint32_t other = input_bit((asked + step.other) % input_count);
    int bouncer = m.bouncing >= 0 ? m.bouncing : asked;
    uint32_t reads[] = {0,     input_bit(asked),         input_bit(bouncer),
                        other, other | input_bit(asked), step.other % 3 == 0 ? other : 0u,
                        0};
    return reads[static_cast<int>(step.what)];
}

RC_GTEST_PROP(WiringCheckModel, StepsWaitsAndVerdictsFollowTheReadme, ())
{
    uint32_t settle_ms = *rc::gen::elementOf(std::vector<uint32_t>{0, 20, 100});
    uint32_t chatter_ms = *rc::gen::elementOf(std::vector<uint32_t>{30, 30, 1});
    uint64_t now = *rc::gen::elementOf(std::vector<uint64_t>{0, (1ull << 32) - 30000});
    // clang-format off
    auto what = rc::gen::weightedElement<act>({{4, act::idle}, {4, act::asked}, {2, act::bouncer}, {1, act::other}, {1, act::pair}, {2, act::failed}, {1, act::space}});
    // clang-format on
    auto how = rc::gen::weightedElement<wait>(
        {{3, wait::scan}, {2, wait::clock_step}, {3, wait::to_edge}, {1, wait::long_pause}});
    std::vector<check_step> steps = *rc::gen::resize(
        150, rc::gen::container<std::vector<check_step>>(rc::gen::construct<check_step>(
                 what, rc::gen::inRange(1, input_count), how, rc::gen::inRange<int64_t>(-1, 2))));
    wiring_check check;
    wiring_check_start(&check, settle_ms, chatter_ms, now);
    check_model m{settle_ms * 1000ull, chatter_ms * 1000ull, now};
    std::fill(m.gap, m.gap + input_count, none);
    for (const check_step &step : steps) {
        if (step.what == act::space) {
            wiring_check_skip(&check);
            if (m.at == phase::awaiting_press) {
                m.results[m.step].verdict = check_verdict::skipped;
                m.last = m.step;
                model_next(&m, m.step + 1);
            }
        } else {
            uint32_t read = read_of(step, m);
            now += dt_of(step, m, now);
            wiring_check_scan(&check, step.what != act::failed, read, now);
            model_scan(&m, step.what != act::failed, read, now);
        }
        expect_check(check, m);
    }
}

}  // namespace
