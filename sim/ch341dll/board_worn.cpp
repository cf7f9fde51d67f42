#include "board_worn.h"

#include "board_wiring.h"

namespace {

// A button pressed for held_us every period_us from first_press_us on. Press
// n (counting from 1) bounces as it closes when n is a multiple of
// press_bounce_every, and as it opens when n is one of release_bounce_every;
// 0: never.
struct worn_button {
    uint32_t button;  // panel button
    uint32_t first_press_us;
    uint32_t period_us;
    uint32_t held_us;
    uint32_t press_bounce_every;
    uint32_t release_bounce_every;
};

// One bounce: the contact opens (or, on a release, stays open) this long,
// then closes for bounce_closed_us, before it settles.
constexpr uint32_t bounce_open_us = 2000;
constexpr uint32_t bounce_closed_us = 1500;

// Button 5 is a fire button gone worn, hammered three times a second: its
// third press bounces as it is let go, its fifth as it closes. Button 10 is
// a good one beside it.
constexpr worn_button worn_buttons[] = {
    {5, 40000, 300000, 120000, 5, 3},
    {10, 180000, 700000, 150000, 0, 0},
};

constexpr bool bounces_fit(const worn_button &worn)
{
    uint32_t bounce = bounce_open_us + bounce_closed_us;
    return worn.button < board_panel_buttons && worn.held_us > bounce &&
           worn.period_us - worn.held_us > bounce;
}
static_assert(bounces_fit(worn_buttons[0]) && bounces_fit(worn_buttons[1]),
              "a bounce ends before the contact changes again");

bool is_pressed(const worn_button &worn, uint64_t since_open_us)
{
    if (since_open_us < worn.first_press_us) {
        return false;
    }
    uint64_t since_first = since_open_us - worn.first_press_us;
    uint64_t press = since_first / worn.period_us + 1;
    uint64_t into = since_first % worn.period_us;
    // A press bounce closes, opens and closes again; a release bounce the other way round.
    bool closed_first = into < worn.held_us;
    uint64_t into_edge = closed_first ? into : into - worn.held_us;
    uint32_t every = closed_first ? worn.press_bounce_every : worn.release_bounce_every;
    uint64_t first_part = closed_first ? bounce_closed_us : bounce_open_us;
    uint64_t second_part = closed_first ? bounce_open_us : bounce_closed_us;
    bool bouncing = every != 0 && press % every == 0 && into_edge >= first_part &&
                    into_edge < first_part + second_part;
    return closed_first != bouncing;
}

}  // namespace

uint32_t board_worn_frame(uint64_t since_open_us)
{
    uint32_t panel = 0;
    for (const worn_button &worn : worn_buttons) {
        if (is_pressed(worn, since_open_us)) {
            panel |= 1u << worn.button;
        }
    }
    return board_frame_of(panel, 0);
}
