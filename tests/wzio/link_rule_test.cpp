// The link rule with the ticks given: when a failed scan holds the inputs and when it reopens.
#include <gtest/gtest.h>

#include <stdint.h>

#include <vector>

#include "link_rule.h"

namespace {

enum class link_event { init, fini, good, failed, reopened };

// A failed step is checked against its verdict; the others only happen.
struct link_step {
    link_event event;
    uint32_t ms;
    bool hold;
    bool reopen;
};

struct link_case {
    const char *name;
    std::vector<link_step> steps;
};

constexpr link_event init = link_event::init, fini = link_event::fini, good = link_event::good,
                     failed = link_event::failed, reopened = link_event::reopened;

// The table keeps the layout it was given by hand.
// clang-format off
const link_case link_cases[] = {
    {"held under 50 ms from the first failed scan, released from 50 ms, held again after a good scan",
     {{init, 0, 0, 0}, {good, 0, 0, 0}, {failed, 1000, 1, 0}, {failed, 1049, 1, 0},
      {failed, 1050, 0, 1}, {failed, 1040, 0, 1}, {good, 0, 0, 0}, {failed, 2000, 1, 0}}},
    {"reopens from the third failed scan in a row, then 250 ms after its own open",
     {{init, 0, 0, 0}, {good, 0, 0, 0}, {failed, 300, 1, 0}, {failed, 310, 1, 0},
      {failed, 320, 1, 1}, {reopened, 321, 0, 0}, {failed, 330, 1, 0}, {failed, 570, 0, 0},
      {failed, 571, 0, 1}}},
    {"no reopen within 250 ms of wz_io_init's open",
     {{init, 1000, 0, 0}, {good, 0, 0, 0}, {failed, 1100, 1, 0}, {failed, 1110, 1, 0},
      {failed, 1120, 1, 0}, {failed, 1249, 0, 0}, {failed, 1250, 0, 1}}},
    {"single failed scans between good ones never reopen",
     {{init, 0, 0, 0}, {good, 0, 0, 0}, {failed, 1000, 1, 0}, {good, 0, 0, 0},
      {failed, 1001, 1, 0}, {failed, 1002, 1, 0}, {good, 0, 0, 0}, {failed, 1003, 1, 0}}},
    {"before wz_io_init: nothing held, nothing opened",
     {{good, 0, 0, 0}, {failed, 1000, 0, 0}, {failed, 1001, 0, 0}, {failed, 1002, 0, 0},
      {failed, 5000, 0, 0}}},
    {"after wz_io_fini: nothing held, nothing opened",
     {{init, 0, 0, 0}, {good, 0, 0, 0}, {fini, 0, 0, 0}, {failed, 1000, 0, 0},
      {failed, 1001, 0, 0}, {failed, 1002, 0, 0}}},
    {"a failed wz_io_init still wants the bridge; no good scan since it holds nothing",
     {{good, 0, 0, 0}, {init, 0, 0, 0}, {failed, 300, 0, 0}, {failed, 301, 0, 0},
      {failed, 302, 0, 1}}},
    {"the tick's wrap: the age rides over it, and a later wrap brings no press back",
     {{init, 0xFFFFFF00, 0, 0}, {good, 0, 0, 0}, {failed, 0xFFFFFFF0, 1, 0},
      {failed, 0x00000021, 1, 0}, {failed, 0x00000022, 0, 1}, {reopened, 0x22, 0, 0},
      {failed, 0xFFFFFFF5, 0, 1}}},
};
// clang-format on

}  // namespace

TEST(WzioLinkRule, HoldAndReopenOverTicks)
{
    for (const link_case &c : link_cases) {
        SCOPED_TRACE(c.name);
        link_state link = {false, false, false, 0, 0, 0};
        int step_number = 0;
        for (const link_step &step : c.steps) {
            ++step_number;
            switch (step.event) {
            case link_event::init:
                link_init(&link, step.ms);
                break;
            case link_event::fini:
                link_fini(&link);
                break;
            case link_event::good:
                link_good_scan(&link);
                break;
            case link_event::reopened:
                link_reopened(&link, step.ms);
                break;
            case link_event::failed: {
                link_verdict verdict = link_failed_scan(&link, step.ms);
                EXPECT_EQ(verdict.hold_inputs, step.hold) << "step " << step_number;
                EXPECT_EQ(verdict.reopen, step.reopen) << "step " << step_number;
                break;
            }
            }
        }
    }
}
