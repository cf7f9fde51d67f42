// The link rule with the ticks given: when a failed scan holds the inputs and when it reopens.
#include <gtest/gtest.h>

#include <stdint.h>
#include <stdlib.h>

#include <sstream>
#include <string>

#include "link_rule.h"

namespace {

// Steps: iT init at tick T, x fini, g a good scan, oT reopened at T, and fT a
// failed scan at T whose verdict follows: h holds, r reopens, hr both, - neither.
// clang-format off
const char *const link_cases[][2] = {
    {"held under 50 ms from the first failed scan, released from 50 ms, held again after a good scan", "i0 g f1000h f1049h f1050r f1040r g f2000h"},
    {"reopens from the third failed scan in a row, then 250 ms after its own open", "i0 g f300h f310h f320hr o321 f330h f570- f571r"},
    {"no reopen within 250 ms of wz_io_init's open", "i1000 g f1100h f1110h f1120h f1249- f1250r"},
    {"single failed scans between good ones never reopen", "i0 g f1000h g f1001h f1002h g f1003h"},
    {"before wz_io_init: nothing held, nothing opened", "g f1000- f1001- f1002- f5000-"},
    {"after wz_io_fini: nothing held, nothing opened", "i0 g x f1000- f1001- f1002-"},
    {"a failed wz_io_init still wants the bridge; no good scan since it holds nothing", "g i0 f300- f301- f302r"},
    {"the tick's wrap: the age rides over it, and a later wrap brings no press back", "i4294967040 g f4294967280h f33h f34r o34 f4294967285r"},
};
// clang-format on

}  // namespace

TEST(WzioLinkRule, HoldAndReopenOverTicks)
{
    for (const auto &c : link_cases) {
        SCOPED_TRACE(c[0]);
        link_state link = {false, false, false, 0, 0, 0};
        std::istringstream steps(c[1]);
        for (std::string step; steps >> step;) {
            char *verdict = nullptr;
            uint32_t ms = static_cast<uint32_t>(strtoul(step.c_str() + 1, &verdict, 10));
            if (step[0] == 'i' || step[0] == 'o') {
                (step[0] == 'i' ? link_init : link_reopened)(&link, ms);
            } else if (step[0] == 'x' || step[0] == 'g') {
                (step[0] == 'x' ? link_fini : link_good_scan)(&link);
            } else {
                link_verdict v = link_failed_scan(&link, ms);
                EXPECT_EQ(std::string(v.hold_inputs ? "h" : "") + (v.reopen ? "r" : ""),
                          std::string(verdict) == "-" ? "" : verdict)
                    << step;
            }
        }
    }
}
