// The chatter counts on random presses, releases, failed scans and spaces,
// against the rule of the chatter view in paneltest/README.md.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

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
    bool ever_pressed = false,
         round_open = false;  // round_open: false from a space to its next press
    uint32_t presses = 0, chatter = 0, earlier = 0;
    uint64_t gap = none, hold = none, pressed_at = none, released_at = none;
};

void model_edge(model_input *in, bool press, uint64_t now, uint64_t threshold_us)
{
    if (press && !in->round_open) {
        // A round starts with this press alone.
        *in = {true, true, 1, 0, in->earlier + in->chatter, none, none, now, none};
    } else if (press) {
        uint64_t gap = in->released_at == none ? none : now - in->released_at;
        in->presses += 1;
        in->chatter += gap < threshold_us ? 1 : 0;
        in->gap = std::min(in->gap, gap);
        in->pressed_at = now;
    } else if (in->round_open) {
        in->hold = std::min(in->hold, now - in->pressed_at);
        in->released_at = now;
    }
}

std::string ms_text(uint64_t us)
{
    uint64_t tenths = (us + 50) / 100;
    return us == none ? "--"
                      : std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " ms";
}

std::string model_line(const model_input &in, int i)
{
    input_name name = input_name_of(i);
    std::string earlier = ", earlier rounds " + std::to_string(in.earlier) + " chatter";
    return std::string(name.group) + " " + std::to_string(name.number) + ": " +
           std::to_string(in.presses) + " presses, " + std::to_string(in.chatter) +
           " chatter, shortest gap " + ms_text(in.gap) + ", shortest hold " + ms_text(in.hold) +
           (in.earlier == 0 ? "" : earlier);
}

void expect_input(const scan_chatter &chatter, const model_input &in, int i)
{
    // The grid's cell is the current round's presses/chatter.
    RC_ASSERT(chatter.inputs[i].presses == in.presses);
    RC_ASSERT(chatter.inputs[i].chatters == in.chatter);
    char line[chatter_line_size];
    scan_chatter_format_input(&chatter, i, line, sizeof line);
    RC_ASSERT(std::string(line) == model_line(in, i));
    scan_chatter_format_round(&chatter, i, line, sizeof line);
    RC_ASSERT(std::string(line) == model_line(in, i).substr(0, model_line(in, i).find(", ea")));
}

// Toggles some inputs of the pool at a good scan; a failed scan reads them.
struct chatter_step {
    scripted kind;
    uint32_t toggle;
    uint64_t dt_us;  // since the previous scan
};

std::ostream &operator<<(std::ostream &out, const chatter_step &s)
{
    return out << "{" << int(s.kind) << ",0x" << std::hex << s.toggle << std::dec << "," << s.dt_us
               << "}";
}

RC_GTEST_PROP(ScanChatterModel, CountsFollowTheRoundsOfTheReadme, ())
{
    uint32_t threshold_ms = *rc::gen::elementOf(std::vector<uint32_t>{30, 30, 30, 1, 1000});
    uint64_t threshold_us = threshold_ms * 1000ull;
    // Times near 2^32 us and far past it too.
    uint64_t now = *rc::gen::elementOf(std::vector<uint64_t>{0, (1ull << 32) - 20000, 1ull << 40});
    // Gaps at the threshold, bounces, a clock that steps 10 to 16 ms, and a person's taps.
    auto dt = rc::gen::oneOf(rc::gen::elementOf(std::vector<uint64_t>{
                                 threshold_us - 1, threshold_us, threshold_us + 1, 0}),
                             rc::gen::inRange<uint64_t>(1, 4000),
                             rc::gen::inRange<uint64_t>(10000, 16001),
                             rc::gen::inRange<uint64_t>(40000, 300000));
    auto one = rc::gen::map(rc::gen::elementOf(pool), input_bit);
    auto toggle = rc::gen::oneOf(
        one, one, rc::gen::map(rc::gen::pair(one, one), [](auto p) { return p.first | p.second; }));
    auto kind = rc::gen::weightedElement<scripted>(
        {{8, scripted::good}, {2, scripted::failed}, {2, scripted::space}});
    auto steps = *rc::gen::container<std::vector<chatter_step>>(
        rc::gen::construct<chatter_step>(kind, toggle, dt));
    scan_chatter chatter;
    scan_chatter_start(&chatter, threshold_ms);
    model_input m[input_count];
    uint32_t active = 0, round = 1, failed = 0;
    for (const chatter_step &step : steps) {
        bool ok = step.kind == scripted::good;
        if (step.kind == scripted::space) {
            scan_chatter_next_round(&chatter);
            ++round;
            for (model_input &in : m) {
                in.round_open = false;
            }
        } else {
            now += step.dt_us;
            // The bits past the inputs are no input; a failed scan changes none.
            scan_chatter_scan(&chatter, ok, ok ? (active ^ step.toggle) | 1u << 19 : step.toggle,
                              now);
            for (int i = 0; i < input_count && ok; ++i) {
                if ((step.toggle & input_bit(i)) != 0) {
                    model_edge(&m[i], (active & input_bit(i)) == 0, now, threshold_us);
                }
            }
            active ^= ok ? step.toggle : 0;
            failed += ok ? 0 : 1;
        }
        // The most chatter: the latest rounds' most, the first on a tie, -1 for none.
        int worst = -1, chattering = 0, pressed = 0;
        for (int i = 0; i < input_count; ++i) {
            worst = m[i].chatter > (worst < 0 ? 0 : m[worst].chatter) ? i : worst;
            chattering += m[i].chatter > 0 ? 1 : 0;
            pressed += m[i].ever_pressed ? 1 : 0;
        }
        // The lines of the inputs the step touched; of every input at the end.
        for (int i = 0; i < input_count; ++i) {
            if ((step.toggle & input_bit(i)) != 0 || &step == &steps.back()) {
                expect_input(chatter, m[i], i);
            }
        }
        RC_ASSERT(chatter.round == round);
        RC_ASSERT(scan_chatter_worst(&chatter) == worst);
        RC_ASSERT(scan_chatter_passed(&chatter, 0) == (worst < 0));
        RC_ASSERT(scan_chatter_passed(&chatter, failed) == (worst < 0 && failed == 0));
        char total[chatter_line_size];
        scan_chatter_format_total(&chatter, 1210, total, sizeof total);
        RC_ASSERT(std::string(total) == "chatter: " + std::to_string(chattering) + " of " +
                                            std::to_string(pressed) +
                                            " pressed inputs chatter, threshold " +
                                            std::to_string(threshold_ms) + " ms, sampling 1210 us");
    }
}

}  // namespace
