// The chatter counts on random presses, releases, failed scans and spaces,
// against the rule of the chatter view in paneltest/README.md.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "scan_chatter.h"
#include "scan_script.h"

namespace {

constexpr uint64_t none = UINT64_MAX;
// A few inputs, the first and last of each group among them, so that edges meet.
const std::vector<int> pool = {0, 5, 15, 18};

struct model_input {
    bool ever_pressed;
    bool round_open;  // false from a space to the input's next press
    uint32_t presses, chatter, earlier;
    uint64_t gap, hold, pressed_at, released_at;
};

struct chatter_model {
    uint64_t threshold_us;
    uint32_t round, failed, active;
    model_input inputs[check_input_count];
};

chatter_model model_start(uint32_t threshold_ms)
{
    chatter_model m{threshold_ms * 1000ull, 1, 0, 0, {}};
    for (model_input &in : m.inputs) {
        in = {false, false, 0, 0, 0, none, none, none, none};
    }
    return m;
}

void model_press(const chatter_model &m, model_input *in, uint64_t now)
{
    if (!in->round_open) {
        // A round starts with this press alone.
        in->earlier += in->chatter;
        *in = {true, true, 1, 0, in->earlier, none, none, now, none};
        return;
    }
    ++in->presses;
    if (in->released_at != none) {
        uint64_t gap = now - in->released_at;
        in->gap = std::min(in->gap, gap);
        in->chatter += gap < m.threshold_us ? 1 : 0;
    }
    in->pressed_at = now;
}

void model_scan(chatter_model *m, bool ok, uint32_t active, uint64_t now)
{
    if (!ok) {
        ++m->failed;
        return;
    }
    for (int i = 0; i < check_input_count; ++i) {
        bool was = (m->active & input_bit(i)) != 0, is = (active & input_bit(i)) != 0;
        model_input &in = m->inputs[i];
        if (is && !was) {
            model_press(*m, &in, now);
        } else if (was && !is && in.round_open) {
            in.hold = std::min(in.hold, now - in.pressed_at);
            in.released_at = now;
        }
    }
    m->active = active & check_all_inputs;
}

std::string ms_text(uint64_t us)
{
    if (us == none) {
        return "--";
    }
    char text[32];
    uint64_t tenths = (us + 50) / 100;
    snprintf(text, sizeof text, "%llu.%llu ms", static_cast<unsigned long long>(tenths / 10),
             static_cast<unsigned long long>(tenths % 10));
    return text;
}

std::string model_line(const chatter_model &m, int i)
{
    const model_input &in = m.inputs[i];
    check_input_name name = wiring_check_input_name(i);
    std::string line = std::string(name.group) + " " + std::to_string(name.number) + ": " +
                       std::to_string(in.presses) + " presses, " + std::to_string(in.chatter) +
                       " chatter, shortest gap " + ms_text(in.gap) + ", shortest hold " +
                       ms_text(in.hold);
    return in.earlier == 0 ? line
                           : line + ", earlier rounds " + std::to_string(in.earlier) + " chatter";
}

int model_worst(const chatter_model &m)
{
    int worst = -1;
    for (int i = 0; i < check_input_count; ++i) {
        if (m.inputs[i].chatter > (worst < 0 ? 0 : m.inputs[worst].chatter)) {
            worst = i;
        }
    }
    return worst;
}

std::string model_total(const chatter_model &m, uint32_t sampling_us)
{
    int chattering = 0, pressed = 0;
    for (const model_input &in : m.inputs) {
        chattering += in.chatter > 0 ? 1 : 0;
        pressed += in.ever_pressed ? 1 : 0;
    }
    return "chatter: " + std::to_string(chattering) + " of " + std::to_string(pressed) +
           " pressed inputs chatter, threshold " + std::to_string(m.threshold_us / 1000) +
           " ms, sampling " + std::to_string(sampling_us) + " us";
}

void expect_input(const scan_chatter &chatter, const chatter_model &m, int i)
{
    // The grid's cell is the current round's presses/chatter.
    RC_ASSERT(chatter.inputs[i].presses == m.inputs[i].presses);
    RC_ASSERT(chatter.inputs[i].chatters == m.inputs[i].chatter);
    char line[chatter_line_size];
    scan_chatter_format_input(&chatter, i, line, sizeof line);
    RC_ASSERT(std::string(line) == model_line(m, i));
    scan_chatter_format_round(&chatter, i, line, sizeof line);
    std::string round = model_line(m, i);
    RC_ASSERT(std::string(line) == round.substr(0, round.find(", earlier")));
}

// One step of the operator or the bridge: toggles an input of the pool (or
// sets a random set of them), fails, or is a space.
struct chatter_step {
    scripted kind;
    uint32_t toggle;  // inputs that change at a good scan
    uint64_t dt_us;   // since the previous scan
};

// For RapidCheck's counterexamples: kind, toggle, dt.
std::ostream &operator<<(std::ostream &out, const chatter_step &step)
{
    return out << "{" << int(step.kind) << ",0x" << std::hex << step.toggle << std::dec << ","
               << step.dt_us << "}";
}

rc::Gen<chatter_step> step_gen(uint32_t threshold_us)
{
    // Gaps at the threshold, a person's taps, a clock that steps 10 to 16 ms, and bounces.
    auto dt = rc::gen::oneOf(
        rc::gen::elementOf(std::vector<uint64_t>{threshold_us - 1ull, threshold_us,
                                                 threshold_us + 1ull, 0}),
        rc::gen::inRange<uint64_t>(10000, 16001), rc::gen::inRange<uint64_t>(1, 4000),
        rc::gen::inRange<uint64_t>(40000, 300000));
    auto toggle =
        rc::gen::oneOf(rc::gen::map(rc::gen::elementOf(pool), [](int i) { return input_bit(i); }),
                       rc::gen::map(rc::gen::container<std::vector<int>>(rc::gen::elementOf(pool)),
                                    [](const std::vector<int> &inputs) {
                                        uint32_t mask = 0;
                                        for (int i : inputs) {
                                            mask |= input_bit(i);
                                        }
                                        return mask;
                                    }));
    auto kind = rc::gen::weightedElement<scripted>(
        {{8, scripted::good}, {2, scripted::failed}, {2, scripted::space}});
    return rc::gen::construct<chatter_step>(kind, toggle, dt);
}

RC_GTEST_PROP(ScanChatterModel, CountsFollowTheRoundsOfTheReadme, ())
{
    uint32_t threshold_ms = *rc::gen::weightedElement<uint32_t>(
        {{6, chatter_default_ms}, {1, chatter_min_ms}, {1, chatter_max_ms}});
    // Times near 2^32 us and far past it too.
    uint64_t now = *rc::gen::elementOf(std::vector<uint64_t>{0, (1ull << 32) - 20000, 1ull << 40});
    std::vector<chatter_step> steps = *rc::gen::container<std::vector<chatter_step>>(
        step_gen(threshold_ms * 1000));
    scan_chatter chatter;
    scan_chatter_start(&chatter, threshold_ms);
    chatter_model m = model_start(threshold_ms);
    uint32_t active = 0;
    for (const chatter_step &step : steps) {
        if (step.kind == scripted::space) {
            scan_chatter_next_round(&chatter);
            ++m.round;
            for (model_input &in : m.inputs) {
                in.round_open = false;
            }
        } else {
            now += step.dt_us;
            // A failed scan may read anything; the bits past the inputs are no input.
            uint32_t read = step.kind == scripted::good ? active ^ step.toggle : step.toggle;
            active = step.kind == scripted::good ? read : active;
            bool ok = step.kind == scripted::good;
            scan_chatter_scan(&chatter, ok, read | (ok ? 1u << 19 : 0u), now);
            model_scan(&m, ok, read, now);
        }
        for (int i : pool) {
            expect_input(chatter, m, i);
        }
        RC_ASSERT(chatter.round == m.round);
        RC_ASSERT(scan_chatter_worst(&chatter) == model_worst(m));
    }
    for (int i = 0; i < check_input_count; ++i) {
        expect_input(chatter, m, i);
    }
    int pressed = 0;
    for (const model_input &in : m.inputs) {
        pressed += in.ever_pressed ? 1 : 0;
    }
    RC_ASSERT(scan_chatter_pressed_count(&chatter) == pressed);
    RC_ASSERT(scan_chatter_any(&chatter) == (model_worst(m) >= 0));
    RC_ASSERT(scan_chatter_passed(&chatter, m.failed) == (model_worst(m) < 0 && m.failed == 0));
    char total[chatter_line_size];
    scan_chatter_format_total(&chatter, 1210, total, sizeof total);
    RC_ASSERT(std::string(total) == model_total(m, 1210));
}

}  // namespace
