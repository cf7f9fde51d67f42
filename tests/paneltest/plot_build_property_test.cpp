// A recording's trace on random timed and untimed lines, failing lines,
// unplugs and windows, against the rules of paneltest/README.md ("The picture
// of a recording"): the steps as a game saw the inputs, the drop-outs, the
// scans and failed scans, every chatter and the counts.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "plot_build.h"

namespace {

namespace gen = rc::gen;
constexpr uint64_t hold_us = 50000, end = UINT64_MAX;

struct model_recording {
    bool timed, ends;
    uint32_t pace_us;
    uint64_t end_at_us;
    std::vector<plot_line> lines;  // count: repeat=, or an unplug's ms
    std::vector<uint64_t> starts;  // each line's start, as the README lays them out
    uint64_t length, period;
};

std::ostream &operator<<(std::ostream &out, const model_recording &r)
{
    out << "timed " << r.timed << " pace " << r.pace_us << " end " << r.ends << " @" << r.end_at_us;
    for (const plot_line &l : r.lines) {
        out << "\n  unplug " << l.unplug << " failed " << l.failed << " count " << l.count
            << " inputs 0x" << std::hex << l.inputs << std::dec << " @" << l.at_us;
    }
    return out;
}

bool down(const plot_line &l)
{
    return l.unplug || l.failed;
}

void lay_out(model_recording &r)
{
    r.period = r.pace_us ? r.pace_us : 5000u;
    uint64_t clock = 0, unplugged_until = 0, last_scan_end = 0;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        const plot_line &l = r.lines[i];
        // An unplug is due with the next frame line, or the end.
        uint64_t start = clock, due = r.ends ? r.end_at_us : last_scan_end;
        for (size_t j = r.lines.size(); j-- > i + 1;) {
            due = r.lines[j].unplug ? due : r.lines[j].at_us;
        }
        // The first line at 0, whatever its time: the stand-in serves it at the first scan.
        // No line starts before the unplug before it ends; unplugs in a row follow one another.
        if (r.timed && i > 0) {
            start = !l.unplug               ? std::max(l.at_us, unplugged_until)
                    : r.lines[i - 1].unplug ? unplugged_until
                                            : std::max({due, unplugged_until, r.starts.back()});
        }
        clock = start + l.count * (l.unplug ? 1000ull : r.period);
        (l.unplug ? unplugged_until : last_scan_end) = clock;
        r.starts.push_back(start);
    }
    r.length = r.timed ? std::max(r.ends ? r.end_at_us : last_scan_end, unplugged_until) : clock;
}

// What a game saw at t: the last line started by then, through a drop-out the last good
// line's inputs for its first 50 ms (none before any good line), then none.
plot_step seen_at(const model_recording &r, uint64_t t)
{
    size_t at = 0, first = 0;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        at = r.starts[i] <= t ? i : at;
    }
    for (first = at; first > 0 && down(r.lines[first - 1]); --first) {
    }
    uint32_t held = first > 0 ? r.lines[first - 1].inputs : 0;
    bool up = !down(r.lines[at]);
    return {t, up ? r.lines[at].inputs : t < r.starts[first] + hold_us ? held : 0, up};
}

rc::Gen<model_recording> recordings()
{
    return gen::exec([] {
        uint32_t pace_us = *gen::elementOf(std::vector<uint32_t>{0, 1000, 2500, 20000});
        model_recording r{
            *gen::arbitrary<bool>(), *gen::arbitrary<bool>(), pace_us, 0, {}, {}, 0, 0};
        // Equal times, bounces under the threshold, gaps about the 50 ms hold.
        auto dt = gen::oneOf(gen::just<uint64_t>(0), gen::inRange<uint64_t>(1, 8000),
                             gen::inRange<uint64_t>(40000, 70000));
        auto inputs = gen::elementOf(std::vector<uint32_t>{0, 1, 1 << 5, 1 | 1 << 18, 1 << 18});
        auto repeat = gen::elementOf(std::vector<uint32_t>{1, 1, 2, 5});
        uint64_t at = *gen::elementOf(std::vector<uint64_t>{0, 0, 3000, 200000});
        size_t count = *gen::inRange<size_t>(1, 12);
        for (size_t i = 0; i < count; ++i) {
            bool unplug = *gen::inRange(0, 6) == 0, failed = *gen::inRange(0, 4) == 0;
            r.lines.push_back({at, unplug ? *gen::inRange(1u, 120u) : *repeat, unplug ? 0 : *inputs,
                               unplug, !unplug && failed});
            at += unplug ? 0 : *dt;
        }
        r.lines[*gen::inRange<size_t>(0, count)].unplug = false;  // a frame line at least
        r.end_at_us = at + *dt;
        lay_out(r);
        return r;
    });
}

}  // namespace

RC_GTEST_PROP(PlotBuildModel, TheTraceFollowsTheReadme, ())
{
    static plot_recording recording;
    static plot_trace trace;
    model_recording r = *recordings();
    // A window may start where a line does, as where a drop-out ends.
    uint64_t from = *gen::oneOf(gen::just<uint64_t>(0), gen::inRange<uint64_t>(0, r.length + 5),
                                gen::elementOf(r.starts));
    uint64_t to = *gen::oneOf(gen::just(end), gen::inRange<uint64_t>(from + 1, r.length + 10));
    uint32_t threshold_ms = *gen::elementOf(std::vector<uint32_t>{1, 5, 30});
    recording = {{}, r.timed, r.pace_us, r.ends, r.end_at_us, uint32_t(r.lines.size()), {}};
    std::copy(r.lines.begin(), r.lines.end(), recording.lines);
    const char *fault = plot_build(&recording, {from, to, threshold_ms}, &trace);
    RC_ASSERT((fault != nullptr) == (from >= r.length));
    if (fault != nullptr) {
        return;
    }
    to = std::min(to, r.length);
    RC_ASSERT(trace.length_us == r.length && trace.from_us == from && trace.to_us == to);
    RC_ASSERT(trace.cut_short == !r.ends && trace.default_pace == (r.pace_us == 0) &&
              trace.pace_us == r.period);

    // The steps: from the window's start, rising, each a change, and the model's level at
    // every time where one of them could change, and just before it.
    RC_ASSERT(trace.step_count > 0 && trace.steps[0].at_us == from);
    std::set<uint64_t> times = {from};
    for (uint32_t i = 0; i < trace.step_count; ++i) {
        const plot_step &s = trace.steps[i], &before = trace.steps[i > 0 ? i - 1 : 0];
        RC_ASSERT(s.at_us < to);
        RC_ASSERT(i == 0 || (before.at_us < s.at_us &&
                             (before.inputs != s.inputs || before.link_up != s.link_up)));
        times.insert({s.at_us, s.at_us - 1});
    }
    for (uint64_t start : r.starts) {
        times.insert({start, start - 1, start + hold_us, start + hold_us - 1});
    }
    uint32_t pressed = 0;
    for (uint64_t t : times) {
        uint32_t i = trace.step_count;
        for (; t >= from && t < to && trace.steps[i - 1].at_us > t; --i) {
        }
        plot_step want = seen_at(r, t);
        RC_ASSERT((t < from || t >= to) || (trace.steps[i - 1].inputs == want.inputs &&
                                            trace.steps[i - 1].link_up == want.link_up));
        pressed |= t < from || t >= to ? 0 : want.inputs;
    }
    RC_ASSERT(trace.pressed == pressed);

    // Scans: an untimed line's a period apart, a timed line's where it starts. Drop-outs:
    // runs of failed lines and unplugs, that start in the window or go on into it. Chatter:
    // a good frame line's press within the threshold of the same input's last release,
    // lines before the window included; counted and marked in the window.
    uint32_t scans = 0, failed = 0, level = 0, presses[19] = {}, chatters[19] = {};
    std::vector<uint64_t> released(19, end);
    std::vector<std::vector<uint64_t>> dropouts, traced, marks, traced_marks;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        const plot_line &l = r.lines[i];
        uint64_t s = r.starts[i];
        for (uint32_t k = 0; k < l.count && !l.unplug; ++k) {
            uint64_t t = s + (r.timed ? 0 : k * r.period);
            scans += t >= from && t < to ? 1 : 0;
            failed += t >= from && t < to && l.failed ? 1 : 0;
        }
        size_t next = i;
        for (; next < r.lines.size() && down(r.lines[next]); ++next) {
        }
        uint64_t e = next < r.lines.size() ? r.starts[next] : r.length;
        if (down(l) && (i == 0 || !down(r.lines[i - 1])) && (s >= from ? s < to : e > from)) {
            dropouts.push_back({std::max(s, from), std::min(e, to)});
        }
        for (int in = 0; in < 19 && !down(l) && s < to; ++in) {
            bool was = level >> in & 1, is = l.inputs >> in & 1, counted = s >= from && is && !was;
            presses[in] += counted ? 1 : 0;
            if (counted && released[in] != end && s - released[in] < threshold_ms * 1000ull) {
                ++chatters[in];
                marks.push_back({s, s - released[in], uint64_t(in)});
            }
            released[in] = was && !is ? s : released[in];
        }
        level = down(l) || s >= to ? level : l.inputs;
    }
    RC_ASSERT(trace.scans == scans && trace.failed_scans == failed);
    for (uint32_t i = 0; i < trace.dropout_count; ++i) {
        traced.push_back({trace.dropouts[i].from_us, trace.dropouts[i].to_us});
    }
    RC_ASSERT(traced == dropouts);
    for (uint32_t i = 0; i < trace.chatter_count; ++i) {
        const plot_chatter &c = trace.chatters[i];
        traced_marks.push_back({c.at_us, c.gap_us, c.input});
    }
    RC_ASSERT(traced_marks == marks);
    for (int in = 0; in < 19; ++in) {
        RC_ASSERT(trace.chatter.inputs[in].presses == presses[in] &&
                  trace.chatter.inputs[in].chatters == chatters[in]);
    }
}
