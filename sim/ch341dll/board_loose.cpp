#include "board_loose.h"

#include "board_demo.h"

namespace {

// A link trouble that comes back every period_us from first_us on, for lasts_us.
struct loose_trouble {
    uint64_t first_us;
    uint64_t period_us;
    uint64_t lasts_us;
};

// A step of the walk as the demo's at about 130 scans a second.
constexpr uint64_t loose_step_us = 250000;
// Transfers lost for 40 ms every 2 s: a cable that flickers.
constexpr loose_trouble loose_failing = {2000000, 2000000, 40000};
// The bridge gone for 1.5 s every 12 s: a cable that comes out.
constexpr loose_trouble loose_unplugged = {7000000, 12000000, 1500000};

static_assert(loose_failing.lasts_us < loose_failing.period_us &&
                  loose_unplugged.lasts_us < loose_unplugged.period_us,
              "each trouble ends before it comes again");

// Which occurrence (from 1) covers since_us, 0 for none; *left_us: until it ends.
uint64_t trouble_at(const loose_trouble &trouble, uint64_t since_us, uint64_t *left_us)
{
    if (since_us < trouble.first_us) {
        return 0;
    }
    uint64_t into = (since_us - trouble.first_us) % trouble.period_us;
    if (into >= trouble.lasts_us) {
        return 0;
    }
    *left_us = trouble.lasts_us - into;
    return (since_us - trouble.first_us) / trouble.period_us + 1;
}

}  // namespace

loose_moment board_loose_at(uint64_t since_load_us)
{
    loose_moment moment = {board_demo_step_frame(since_load_us / loose_step_us), loose_link::up, 0,
                           0};
    uint64_t left_us = 0;
    moment.unplug = trouble_at(loose_unplugged, since_load_us, &left_us);
    if (moment.unplug != 0) {
        moment.link = loose_link::unplugged;
        moment.unplug_left_us = left_us;
    } else if (trouble_at(loose_failing, since_load_us, &left_us) != 0) {
        moment.link = loose_link::failing;
    }
    return moment;
}
