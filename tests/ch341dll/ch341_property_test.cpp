// The stand-in against a model of sim/ch341dll/README.md on random frame
// scripts and random calls, on a clock this test sets: each call begins at
// the time the test gives it, and a wait of the bridge's pace moves the clock
// to its end at once, so a pace shows as the exact time a call returns.
// Left out: the parser's messages, the built-in boards, the trace.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "bridge_clock.h"
#include "ch341dll.h"
#include "program_run.h"

static uint64_t clock_us = 0;

uint64_t bridge_clock_us()
{
    return clock_us;
}

void bridge_clock_wait_until(uint64_t deadline_us)
{
    clock_us = std::max(clock_us, deadline_us);
}

namespace {

// unplug_ms 0: a frame line, whose bytes are byte0 | byte1 << 8 | byte2 << 16;
// bit n of a fault field: call n + 1.
struct line {
    uint32_t unplug_ms, bytes, repeat, addr_fails, read_fails, short_reads;
    uint64_t at_us;
};

struct script {
    std::vector<line> lines;
    bool timed, ends;
    uint64_t end_at_us;
    uint32_t pace_us;
};

std::string text_of(const script &s)
{
    std::string text = "pace-us " + std::to_string(s.pace_us) + "\n";
    for (const line &l : s.lines) {
        char frame[64];
        snprintf(frame, sizeof frame, "%X 0x%x %02X repeat=%u", l.bytes & 0xFF, l.bytes >> 8 & 0xFF,
                 l.bytes >> 16, l.repeat);
        text += l.unplug_ms ? "unplug-ms " + std::to_string(l.unplug_ms) : frame;
        for (uint32_t n = 0; n < 9 && !l.unplug_ms; ++n) {
            text += l.addr_fails >> n & 1 ? " addr-fail=" + std::to_string(n + 1) : "";
            text += l.read_fails >> n & 1 ? " read-fail=" + std::to_string(n + 1) : "";
            text += l.short_reads >> n & 1 ? " short-read=" + std::to_string(n + 1) : "";
        }
        text += s.timed && !l.unplug_ms ? " at-us=" + std::to_string(l.at_us) + "\n" : "\n";
    }
    text += s.ends ? "end" : "";
    return text + (s.ends && s.timed ? " at-us=" + std::to_string(s.end_at_us) + "\n" : "\n");
}

enum class device_state { closed, open, dead };
constexpr uint64_t forever = UINT64_MAX;

// The bridge and its board as the README tells them: gone until back_us. playing: a scan has come
// to the script since the load; current: the line played, served: the scans it has been served;
// shown: the frame line of the last scan started; pass_us: the first call of the pass's first scan;
// paced: a scan has started since the open.
struct model {
    script s;
    uint32_t call_us = 0, served = 0;
    device_state device = device_state::closed;
    uint64_t back_us = 0, writes = 0, reads = 0, scans = 0, pass_us = 0, last_start_us = 0;
    bool playing = false, paced = false;
    size_t current = 0;
    const line *shown = nullptr;

    // Whether the next scan is served the line played again.
    bool stays(uint64_t now_us) const
    {
        const line &l = s.lines[current];
        if (l.unplug_ms || !s.timed) {
            return !l.unplug_ms && served < l.repeat;
        }
        for (size_t next = current + 1; next < s.lines.size(); ++next) {
            if (!s.lines[next].unplug_ms) {
                return now_us - pass_us < s.lines[next].at_us;
            }
        }
        return s.ends ? now_us - pass_us < s.end_at_us : served < l.repeat;
    }
    // The first call of a scan at now_us: the unplug due before it, or 0 and the line served.
    uint64_t next_scan(uint64_t now_us)
    {
        if (!playing || !stays(now_us)) {
            current = playing ? current + 1 : 0;
            playing = true;
            served = 0;
            if (current == s.lines.size() && s.ends) {
                return forever;
            }
            current = current == s.lines.size() ? 0 : current;
            pass_us = current == 0 ? now_us : pass_us;
            if (s.lines[current].unplug_ms) {
                return s.lines[current].unplug_ms * 1000ull;
            }
        }
        ++served;
        shown = &s.lines[current];
        return 0;
    }
    // A call that takes a place in count, per_scan places a scan; false: it fails first.
    bool place(uint64_t &count, uint64_t per_scan, uint64_t &now_us)
    {
        if (device != device_state::open || now_us < back_us) {
            return false;
        }
        if (count / per_scan >= scans) {
            uint64_t gone_us = next_scan(now_us);
            if (gone_us) {
                back_us = gone_us == forever ? forever : now_us + gone_us;
                device = device_state::dead;
                return false;
            }
            scans = count / per_scan + 1;
            now_us = std::max(now_us, paced && !s.timed ? last_start_us + s.pace_us : 0);
            paced = true;
            last_start_us = now_us;
        }
        ++count;
        return true;
    }
};

// others: the calls to bridge 1 and those with a null pointer.
enum class call { scan, open, close, addr, read, read_empty, others };
struct step {
    call what;
    uint64_t gap_us;  // from the end of the call before
};
void showValue(const step &st, std::ostream &out)
{
    const char *const names[] = {"scan", "open", "close", "addr", "read", "read 0", "others"};
    out << "+" << st.gap_us << "us " << names[static_cast<int>(st.what)];
}
void showValue(const script &s, std::ostream &out)
{
    out << text_of(s);
}

// Runs one call on both and compares what it returns and when it returns.
void run_call(model &m, call what, uint64_t gap_us)
{
    clock_us += gap_us;
    const uint64_t began_us = clock_us;
    uint64_t now_us = clock_us, calls = 1;
    ULONG length = what == call::read_empty ? 0 : 1, expected_length = 1;
    uint8_t byte = 0xAA, expected_byte = 0xAA;
    bool ok = false, expected = false;
    uint64_t write = m.writes % 9, read = m.reads % 3;
    switch (what) {
    case call::scan:
        for (int n = 1; n <= 9; ++n) {
            run_call(m, call::addr, 0);
            if (n == 4 || n == 6 || n == 8) {
                run_call(m, call::read, 0);
            }
        }
        return;
    case call::open:
        ok = CH341OpenDevice(0) != INVALID_HANDLE_VALUE;
        m.paced = false;
        if (m.device != device_state::dead) {
            m.device = now_us < m.back_us ? device_state::closed : device_state::open;
        }
        expected = m.device == device_state::open;
        break;
    case call::close:
        CH341CloseDevice(0);
        m.device = device_state::closed;
        break;
    case call::addr:
        ok = CH341EppSetAddr(0, 0x5A) != FALSE;
        expected = m.place(m.writes, 9, now_us) && !(m.shown->addr_fails >> write & 1);
        break;
    case call::read:
    case call::read_empty:
        ok = CH341EppReadData(0, &byte, &length) != FALSE;
        expected = m.place(m.reads, 3, now_us) && !(m.shown->read_fails >> read & 1);
        expected_length = expected && !(m.shown->short_reads >> read & 1) && what == call::read;
        expected_byte = uint8_t(expected_length ? m.shown->bytes >> 8 * read : 0xAAu);
        break;
    case call::others:
        ok = CH341OpenDevice(1) != INVALID_HANDLE_VALUE;
        CH341CloseDevice(1);
        ok = CH341EppSetAddr(1, 0x5A) || CH341EppReadData(0, &byte, nullptr) || ok;
        ok = CH341EppReadData(0, nullptr, &length) || CH341EppReadData(1, &byte, &length) || ok;
        calls = 6;
        expected_length = 0;
        break;
    }
    RC_ASSERT(ok == expected);
    RC_ASSERT(length == expected_length);
    RC_ASSERT(byte == expected_byte);
    // Each call takes its time from when it began, a paced scan from its start.
    RC_ASSERT(clock_us == std::max(now_us, began_us + calls * m.call_us));
}

// Whole tenths of a millisecond land on a timed line's time, an unplug's end or a pace.
rc::Gen<uint64_t> tenths_us(uint64_t most)
{
    return rc::gen::map(rc::gen::inRange<uint64_t>(0, most / 100 + 1),
                        [](uint64_t tenths) { return tenths * 100; });
}

template <typename T> rc::Gen<T> mostly(T usual, T edge, rc::Gen<T> other)
{
    return rc::gen::weightedOneOf<T>(
        {{3, rc::gen::just(usual)}, {1, rc::gen::just(edge)}, {1, std::move(other)}});
}

rc::Gen<script> scripts()
{
    return rc::gen::exec([] {
        const auto fault_bits = [](uint32_t calls) {
            return mostly(0u, 1u << (calls - 1), rc::gen::inRange(0u, 1u << calls));
        };
        script s{};
        s.timed = *rc::gen::arbitrary<bool>();
        s.ends = *rc::gen::arbitrary<bool>();
        s.pace_us = *mostly(0u, 1000u, rc::gen::inRange(0u, 2500u));
        uint64_t at_us = *mostly<uint64_t>(0, 0, tenths_us(2000));
        size_t count = *rc::gen::inRange<size_t>(1, 7);
        for (size_t i = 0; i < count; ++i) {
            // clang-format off
            s.lines.push_back({*mostly(0u, 1000u, rc::gen::inRange(1u, 4u)), *rc::gen::inRange(0u, 1u << 24),
                               *mostly(1u, 1000000u, rc::gen::inRange(1u, 4u)), *fault_bits(9), *fault_bits(3), *fault_bits(3), at_us});
            // clang-format on
            at_us += *tenths_us(3000);
        }
        s.lines[*rc::gen::inRange<size_t>(0, count)].unplug_ms = 0;  // a frame at least
        s.end_at_us = at_us;
        return s;
    });
}

}  // namespace

RC_GTEST_PROP(Ch341StandInModel, CallsAndScansFollowTheReadme, ())
{
    static int run = 0;
    model m;
    m.s = *scripts();
    m.call_us = *mostly(0u, 100u, rc::gen::inRange(0u, 400u));
    // clang-format off
    const auto calls = rc::gen::weightedElement<call>({{12, call::scan}, {3, call::open}, {3, call::close}, {3, call::addr}, {3, call::read}, {1, call::read_empty}, {1, call::others}});
    const auto gaps = rc::gen::weightedOneOf<uint64_t>({{4, rc::gen::just<uint64_t>(0)}, {3, tenths_us(3500)}, {2, rc::gen::inRange<uint64_t>(0, 3500)}, {1, rc::gen::inRange<uint64_t>(999990, 1000010)}});
    // clang-format on
    // Up to 40 calls or scans a run: a few passes of a script, a few seconds under asan.
    std::vector<step> steps =
        *rc::gen::container<std::vector<step>>(*rc::gen::inRange<size_t>(0, 41), rc::gen::exec([=] {
            return step{*calls, *gaps};
        }));
    RC_TAG(m.s.timed ? "timed" : "untimed");
    clock_us = *rc::gen::elementOf(std::vector<uint64_t>{0, 0xFFFFFF00ull, 0xFFFFFFFFFFull});
    // A new name, so the open loads it as a new bridge; a new file, as rewriting
    // one file in place ran ten times slower here.
    remove(("ch341_property_" + std::to_string(run) + ".frames").c_str());
    std::string path = "ch341_property_" + std::to_string(++run) + ".frames";
    write_file(path, text_of(m.s));
    scoped_environment board("CH341_SIM_BOARD", path);
    scoped_environment call_time("CH341_SIM_CALL_US", std::to_string(m.call_us));
    run_call(m, call::open, 0);
    for (const step &st : steps) {
        run_call(m, st.what, st.gap_us);
    }
}
