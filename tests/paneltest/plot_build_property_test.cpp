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

constexpr uint64_t hold_us = 50000, end = UINT64_MAX;

struct model_recording {
    bool timed, ends;
    uint32_t pace_us;
    uint64_t end_at_us;
    std::vector<plot_line> lines;  // count: repeat=, or an unplug's ms
};

std::ostream &operator<<(std::ostream &out, const model_recording &r)
{
    out << (r.timed ? "timed" : "untimed") << " pace " << r.pace_us << " end " << r.ends << " @"
        << r.end_at_us;
    for (const plot_line &l : r.lines) {
        out << "\n  "
            << (l.unplug   ? "unplug "
                : l.failed ? "failed "
                           : "good ")
            << l.count << " 0x" << std::hex << l.inputs << std::dec << " @" << l.at_us;
    }
    return out;
}

bool down(const plot_line &l)
{
    return l.unplug || l.failed;
}

// Each line's start and the length, as the README lays them out.
struct model_layout {
    std::vector<uint64_t> starts;
    uint64_t length, period;
};

model_layout lay_out(const model_recording &r)
{
    model_layout m{{}, 0, r.pace_us ? r.pace_us : 5000u};
    uint64_t clock = 0, unplugged_until = 0, last_scan_end = 0;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        const plot_line &l = r.lines[i];
        uint64_t start = clock;
        if (i == 0) {
            start = 0;  // whatever its time: the stand-in serves it at the first scan
        } else if (r.timed && !l.unplug) {
            start = std::max(l.at_us, unplugged_until);
        } else if (r.timed && r.lines[i - 1].unplug) {
            start = unplugged_until;  // unplugs in a row follow one another
        } else if (r.timed) {
            // Due with the next frame line, or the end; not before the unplug before it ends.
            uint64_t due = r.ends ? r.end_at_us : last_scan_end;
            for (size_t j = r.lines.size(); j-- > i + 1;) {
                due = r.lines[j].unplug ? due : r.lines[j].at_us;
            }
            start = std::max({due, unplugged_until, m.starts.back()});
        }
        uint64_t span = l.count * (l.unplug ? 1000ull : m.period);
        (l.unplug ? unplugged_until : last_scan_end) = start + span;
        clock = start + span;
        m.starts.push_back(start);
    }
    m.length = r.timed ? std::max(r.ends ? r.end_at_us : last_scan_end, unplugged_until) : clock;
    return m;
}

// What a game saw at t: the last line started by then, through a drop-out the last good
// line's inputs for its first 50 ms (none before any good line), then none.
plot_step seen_at(const model_recording &r, const model_layout &m, uint64_t t)
{
    size_t at = 0, first = 0;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        at = m.starts[i] <= t ? i : at;
    }
    if (!down(r.lines[at])) {
        return {t, r.lines[at].inputs, true};
    }
    for (first = at; first > 0 && down(r.lines[first - 1]); --first) {
    }
    uint32_t held = first > 0 ? r.lines[first - 1].inputs : 0;
    return {t, t < m.starts[first] + hold_us ? held : 0, false};
}

rc::Gen<model_recording> recordings()
{
    return rc::gen::exec([] {
        model_recording r{*rc::gen::arbitrary<bool>(),
                          *rc::gen::arbitrary<bool>(),
                          *rc::gen::elementOf(std::vector<uint32_t>{0, 1000, 2500, 20000}),
                          0,
                          {}};
        // Equal times, bounces under the threshold, gaps about the 50 ms hold.
        auto dt = rc::gen::oneOf(rc::gen::just<uint64_t>(0), rc::gen::inRange<uint64_t>(1, 8000),
                                 rc::gen::inRange<uint64_t>(40000, 70000));
        auto inputs = rc::gen::elementOf(std::vector<uint32_t>{0, 1, 1 << 5, 1 | 1 << 18, 1 << 18});
        auto repeat = rc::gen::elementOf(std::vector<uint32_t>{1, 1, 2, 5});
        uint64_t at = *rc::gen::elementOf(std::vector<uint64_t>{0, 0, 3000, 200000});
        size_t count = *rc::gen::inRange<size_t>(1, 12);
        for (size_t i = 0; i < count; ++i) {
            bool unplug = *rc::gen::inRange(0, 6) == 0, failed = *rc::gen::inRange(0, 4) == 0;
            r.lines.push_back({at, unplug ? *rc::gen::inRange(1u, 120u) : *repeat,
                               unplug ? 0 : *inputs, unplug, !unplug && failed});
            at += unplug ? 0 : *dt;
        }
        r.lines[*rc::gen::inRange<size_t>(0, count)].unplug = false;  // a frame line at least
        r.end_at_us = at + *dt;
        return r;
    });
}

}  // namespace

RC_GTEST_PROP(PlotBuildModel, TheTraceFollowsTheReadme, ())
{
    static plot_recording recording;
    static plot_trace trace;
    model_recording r = *recordings();
    model_layout m = lay_out(r);
    uint64_t from =
        *rc::gen::oneOf(rc::gen::just<uint64_t>(0), rc::gen::inRange<uint64_t>(0, m.length + 5));
    uint64_t to =
        *rc::gen::oneOf(rc::gen::just(end), rc::gen::inRange<uint64_t>(from + 1, m.length + 10));
    uint32_t threshold_ms = *rc::gen::elementOf(std::vector<uint32_t>{1, 5, 30});
    recording = {{}, r.timed, r.pace_us, r.ends, r.end_at_us, static_cast<uint32_t>(r.lines.size()),
                 {}};
    std::copy(r.lines.begin(), r.lines.end(), recording.lines);
    const char *fault = plot_build(&recording, {from, to, threshold_ms}, &trace);
    RC_ASSERT((fault != nullptr) == (from >= m.length));
    if (fault != nullptr) {
        return;
    }
    to = std::min(to, m.length);
    RC_ASSERT(trace.length_us == m.length && trace.from_us == from && trace.to_us == to);
    RC_ASSERT(trace.cut_short == !r.ends);
    RC_ASSERT(trace.default_pace == (r.pace_us == 0) && trace.pace_us == m.period);

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
    for (uint64_t start : m.starts) {
        times.insert({start, start - 1, start + hold_us, start + hold_us - 1});
    }
    uint32_t pressed = 0;
    for (uint64_t t : times) {
        uint32_t i = trace.step_count;
        for (; t >= from && t < to && trace.steps[i - 1].at_us > t; --i) {
        }
        plot_step want = seen_at(r, m, t);
        RC_ASSERT((t < from || t >= to) || (trace.steps[i - 1].inputs == want.inputs &&
                                            trace.steps[i - 1].link_up == want.link_up));
        pressed |= t < from || t >= to ? 0 : want.inputs;
    }
    RC_ASSERT(trace.pressed == pressed);

    // Scans: an untimed line's a period apart, a timed line's where it starts. Drop-outs:
    // runs of failed lines and unplugs, that start in the window or go on into it.
    uint32_t scans = 0, failed = 0;
    std::vector<std::pair<uint64_t, uint64_t>> dropouts, traced;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        for (uint32_t k = 0; k < r.lines[i].count && !r.lines[i].unplug; ++k) {
            uint64_t t = m.starts[i] + (r.timed ? 0 : k * m.period);
            scans += t >= from && t < to ? 1 : 0;
            failed += t >= from && t < to && r.lines[i].failed ? 1 : 0;
        }
        size_t next = i;
        for (; next < r.lines.size() && down(r.lines[next]); ++next) {
        }
        uint64_t d = m.starts[i], e = next < r.lines.size() ? m.starts[next] : m.length;
        bool starts = down(r.lines[i]) && (i == 0 || !down(r.lines[i - 1]));
        if (starts && ((d >= from && d < to) || (d < from && e > from))) {
            dropouts.push_back({std::max(d, from), std::min(e, to)});
        }
    }
    RC_ASSERT(trace.scans == scans && trace.failed_scans == failed);
    for (uint32_t i = 0; i < trace.dropout_count; ++i) {
        traced.push_back({trace.dropouts[i].from_us, trace.dropouts[i].to_us});
    }
    RC_ASSERT(traced == dropouts);

    // Chatter: a good frame line's press within the threshold of the same input's last
    // release, lines before the window included; counted and marked in the window.
    uint32_t level = 0, presses[19] = {}, chatters[19] = {};
    std::vector<uint64_t> released(19, end);
    std::vector<std::vector<uint64_t>> marks, traced_marks;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        uint64_t s = m.starts[i];
        for (int in = 0; in < 19 && !down(r.lines[i]) && s < to; ++in) {
            bool was = level >> in & 1, is = r.lines[i].inputs >> in & 1,
                 counted = s >= from && is && !was;
            presses[in] += counted ? 1 : 0;
            if (counted && released[in] != end && s - released[in] < threshold_ms * 1000ull) {
                ++chatters[in];
                marks.push_back({s, s - released[in], uint64_t(in)});
            }
            released[in] = was && !is ? s : released[in];
        }
        level = down(r.lines[i]) || s >= to ? level : r.lines[i].inputs;
    }
    for (uint32_t i = 0; i < trace.chatter_count; ++i) {
        traced_marks.push_back(
            {trace.chatters[i].at_us, trace.chatters[i].gap_us, trace.chatters[i].input});
    }
    RC_ASSERT(traced_marks == marks);
    for (int in = 0; in < 19; ++in) {
        RC_ASSERT(trace.chatter.inputs[in].presses == presses[in] &&
                  trace.chatter.inputs[in].chatters == chatters[in]);
    }
}
