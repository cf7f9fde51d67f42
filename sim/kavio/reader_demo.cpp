#include "reader_demo.h"

#include <string.h>

#include <atomic>

#include "monotonic_clock.h"

namespace {

// The hardware thread republishes the demo's state this often.
constexpr uint32_t sim_hardware_step_ms = 5;

// The demo's card; bytes above 0x7F show that a reader prints them unsigned.
constexpr uint8_t sim_demo_card_id[sim_card_id_size] = {0x8A, 0xF3, 0x00, 0x12,
                                                        0xC4, 0x7E, 0x9B, 0xFF};
constexpr uint8_t sim_sensor_back = 0x02;

constexpr uint32_t sim_demo_period_ms = 6000;

struct sim_demo_step {
    uint32_t from_ms;
    uint32_t until_ms;
    int32_t node;
    uint16_t keypad;
    uint8_t sensor;
};

// Reader 0: a card at the front, in at the back (read), out past the front.
// Reader 1: keys 1, 2, 3, 4 and then _ (bits 1, 5, 9, 2, 8).
constexpr sim_demo_step sim_demo_timeline[] = {
    {1000, 1800, 0, 0x0000, 0x01}, {1800, 3200, 0, 0x0000, 0x02}, {3200, 4000, 0, 0x0000, 0x01},
    {1000, 1300, 1, 0x0002, 0x00}, {1600, 1900, 1, 0x0020, 0x00}, {2200, 2500, 1, 0x0200, 0x00},
    {2800, 3100, 1, 0x0004, 0x00}, {3600, 4200, 1, 0x0100, 0x00},
};

// Shared with the hardware thread: keypad in bits 0-15, sensors in bits 16-23.
std::atomic<uint32_t> sim_live_frame[sim_node_count];
std::atomic<bool> sim_stop_requested{false};
uint64_t sim_demo_start_ms = 0;

void sim_demo_publish(uint64_t elapsed_ms)
{
    uint32_t at_ms = static_cast<uint32_t>(elapsed_ms % sim_demo_period_ms);
    uint32_t frame[sim_node_count] = {};
    for (const sim_demo_step &step : sim_demo_timeline) {
        if (at_ms >= step.from_ms && at_ms < step.until_ms) {
            frame[step.node] |= step.keypad | static_cast<uint32_t>(step.sensor) << 16;
        }
    }
    for (int32_t node = 0; node < sim_node_count; ++node) {
        sim_live_frame[node].store(frame[node]);
    }
}

}  // namespace

void sim_demo_start()
{
    sim_demo_start_ms = monotonic_clock_ms();
    sim_demo_publish(0);
    sim_stop_requested.store(false);
}

int IO_CALL sim_hardware_run(void *)
{
    while (!sim_stop_requested.load()) {
        sim_demo_publish(monotonic_clock_ms() - sim_demo_start_ms);
        monotonic_clock_sleep_ms(sim_hardware_step_ms);
    }
    return 0;
}

void sim_hardware_stop()
{
    sim_stop_requested.store(true);
}

sim_reader_view sim_demo_view(int32_t node)
{
    uint32_t frame = sim_live_frame[node].load();
    sim_reader_view view = {};
    view.keypad = static_cast<uint16_t>(frame & 0xFFFFu);
    view.sensor = static_cast<uint8_t>((frame >> 16) & 0xFFu);
    // In the demo a card can be read only while it sits at the back sensor.
    view.has_card = (view.sensor & sim_sensor_back) != 0;
    memcpy(view.card_id, sim_demo_card_id, sizeof view.card_id);
    return view;
}
