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

struct model_line {
    bool unplug;
    uint32_t count;  // repeat=, or an unplug's ms
    uint32_t inputs;
    bool failed;
    uint64_t at_us;
};

struct model_recording {
    bool timed, ends;
    uint32_t pace_us;
    uint64_t end_at_us;
    std::vector<model_line> lines;
};

std::ostream &operator<<(std::ostream &out, const model_line &l)
{
    return out << (l.unplug   ? "unplug "
                   : l.failed ? "failed "
                              : "good ")
               << l.count << " 0x" << std::hex << l.inputs << std::dec << " @" << l.at_us;
}

std::ostream &operator<<(std::ostream &out, const model_recording &r)
{
    out << (r.timed ? "timed" : "untimed") << " pace " << r.pace_us;
    out << (r.ends ? " end @" + std::to_string(r.end_at_us) : " cut short") << ":";
    for (const model_line &l : r.lines) {
        out << "\n  " << l;
    }
    return out;
}

// Each line's start and the length, as the README lays them out.
struct model_layout {
    std::vector<uint64_t> starts;
    uint64_t length;
    uint64_t period;
};

model_layout lay_out(const model_recording &r)
{
    model_layout m{{}, 0, r.pace_us ? r.pace_us : 5000u};
    uint64_t clock = 0, unplugged_until = 0, last_scan_end = 0;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        const model_line &l = r.lines[i];
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
            start = std::max({due, unplugged_until, m.starts.empty() ? 0 : m.starts.back()});
        }
        uint64_t span = l.unplug ? l.count * 1000ull : l.count * m.period;
        if (l.unplug) {
            unplugged_until = start + span;
        } else {
            last_scan_end = start + span;
        }
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
    size_t at = 0;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        at = m.starts[i] <= t ? i : at;
    }
    const model_line &l = r.lines[at];
    if (!l.unplug && !l.failed) {
        return {t, l.inputs, true};
    }
    size_t first = at;
    while (first > 0 && (r.lines[first - 1].unplug || r.lines[first - 1].failed)) {
        --first;
    }
    uint32_t held = first > 0 ? r.lines[first - 1].inputs : 0;
    return {t, t < m.starts[first] + hold_us ? held : 0, false};
}

rc::Gen<model_recording> recordings()
{
    return rc::gen::exec([] {
        model_recording r{};
        r.timed = *rc::gen::arbitrary<bool>();
        r.ends = *rc::gen::arbitrary<bool>();
        r.pace_us = *rc::gen::elementOf(std::vector<uint32_t>{0, 1000, 2500, 20000});
        // Equal times, bounces under the threshold, gaps about the 50 ms hold.
        auto dt = rc::gen::oneOf(rc::gen::just<uint64_t>(0), rc::gen::inRange<uint64_t>(1, 8000),
                                 rc::gen::inRange<uint64_t>(40000, 70000));
        auto inputs =
            rc::gen::elementOf(std::vector<uint32_t>{0, 1, 1u << 5, 1 | 1u << 18, 1u << 18});
        uint64_t at = *rc::gen::elementOf(std::vector<uint64_t>{0, 0, 3000});
        size_t count = *rc::gen::inRange<size_t>(1, 12);
        for (size_t i = 0; i < count; ++i) {
            bool unplug = *rc::gen::inRange(0, 6) == 0;
            uint32_t n = unplug ? *rc::gen::inRange(1u, 120u)
                                : *rc::gen::elementOf(std::vector<uint32_t>{1, 1, 2, 5});
            r.lines.push_back(
                {unplug, n, unplug ? 0 : *inputs, !unplug && *rc::gen::inRange(0, 4) == 0, at});
            at += unplug ? 0 : *dt;
        }
        r.lines[*rc::gen::inRange<size_t>(0, count)].unplug = false;  // a frame line at least
        if (r.lines.back().count == 0) {
            r.lines.back().count = 1;
        }
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
    for (model_line &l : r.lines) {
        l.count = l.count == 0 ? 1 : l.count;
    }
    model_layout m = lay_out(r);
    uint64_t from =
        *rc::gen::oneOf(rc::gen::just<uint64_t>(0), rc::gen::inRange<uint64_t>(0, m.length + 5));
    uint64_t to =
        *rc::gen::oneOf(rc::gen::just(end), rc::gen::inRange<uint64_t>(from + 1, m.length + 10));
    uint32_t threshold_ms = *rc::gen::elementOf(std::vector<uint32_t>{1, 5, 30});
    recording = {};
    recording.timed = r.timed;
    recording.pace_us = r.pace_us;
    recording.ends = r.ends;
    recording.end_at_us = r.end_at_us;
    for (const model_line &l : r.lines) {
        recording.lines[recording.line_count++] = {l.at_us, l.count, l.inputs, l.unplug, l.failed};
    }
    const char *fault = plot_build(&recording, {from, to, threshold_ms}, &trace);
    RC_ASSERT((fault != nullptr) == (from >= m.length));
    if (fault != nullptr) {
        return;
    }
    to = std::min(to, m.length);
    RC_ASSERT(trace.length_us == m.length);
    RC_ASSERT(trace.from_us == from && trace.to_us == to);
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
        if (t < from || t >= to) {
            continue;
        }
        uint32_t i = trace.step_count;
        while (trace.steps[i - 1].at_us > t) {
            --i;
        }
        plot_step want = seen_at(r, m, t);
        RC_ASSERT(trace.steps[i - 1].inputs == want.inputs &&
                  trace.steps[i - 1].link_up == want.link_up);
        pressed |= want.inputs;
    }
    RC_ASSERT(trace.pressed == pressed);

    // Scans: an untimed line's a period apart, a timed line's where it starts.
    uint32_t scans = 0, failed = 0;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        for (uint32_t k = 0; k < r.lines[i].count && !r.lines[i].unplug; ++k) {
            uint64_t t = m.starts[i] + (r.timed ? 0 : k * m.period);
            scans += t >= from && t < to ? 1 : 0;
            failed += t >= from && t < to && r.lines[i].failed ? 1 : 0;
        }
    }
    RC_ASSERT(trace.scans == scans && trace.failed_scans == failed);

    // Drop-outs: runs of failed lines and unplugs, that start in the window or go on into it.
    std::vector<std::pair<uint64_t, uint64_t>> dropouts, traced;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        bool down = r.lines[i].unplug || r.lines[i].failed;
        if (!down || (i > 0 && (r.lines[i - 1].unplug || r.lines[i - 1].failed))) {
            continue;
        }
        size_t next = i;
        while (next < r.lines.size() && (r.lines[next].unplug || r.lines[next].failed)) {
            ++next;
        }
        uint64_t d = m.starts[i], e = next < r.lines.size() ? m.starts[next] : m.length;
        if ((d >= from && d < to) || (d < from && e > from)) {
            dropouts.push_back({std::max(d, from), std::min(e, to)});
        }
    }
    for (uint32_t i = 0; i < trace.dropout_count; ++i) {
        traced.push_back({trace.dropouts[i].from_us, trace.dropouts[i].to_us});
    }
    RC_ASSERT(traced == dropouts);

    // Chatter: a good frame line's press within the threshold of the same input's last
    // release, lines before the window included; counted and marked in the window.
    uint32_t level = 0, presses[19] = {}, chatters[19] = {};
    uint64_t released[19];
    std::fill(released, released + 19, end);
    std::vector<std::vector<uint64_t>> marks, traced_marks;
    for (size_t i = 0; i < r.lines.size(); ++i) {
        const model_line &l = r.lines[i];
        uint64_t s = m.starts[i];
        if (l.unplug || l.failed || s >= to) {
            continue;
        }
        for (int in = 0; in < 19; ++in) {
            bool was = level >> in & 1, is = l.inputs >> in & 1;
            bool counted = s >= from && is && !was;
            presses[in] += counted ? 1 : 0;
            if (counted && released[in] != end && s - released[in] < threshold_ms * 1000ull) {
                ++chatters[in];
                marks.push_back({s, s - released[in], uint64_t(in)});
            }
            released[in] = was && !is ? s : released[in];
        }
        level = l.inputs;
    }
    for (uint32_t i = 0; i < trace.chatter_count; ++i) {
        const plot_chatter &c = trace.chatters[i];
        traced_marks.push_back({c.at_us, c.gap_us, c.input});
    }
    RC_ASSERT(traced_marks == marks);
    for (int in = 0; in < 19; ++in) {
        RC_ASSERT(trace.chatter.inputs[in].presses == presses[in]);
        RC_ASSERT(trace.chatter.inputs[in].chatters == chatters[in]);
    }
}
