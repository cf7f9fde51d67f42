// The simulated card readers' eight calls and the reader model behind them: two
// readers (nodes 0 and 1) that play the demo or follow a scenario file.
// README.md beside this file describes the demo, the scenario file and the trace.
#define KAVIO_BUILDING
#include "kavio.h"

#include <string.h>

#include "reader_demo.h"
#include "reader_scenario.h"
#include "sim_trace.h"

namespace {

constexpr const char *sim_trace_variable = "KAVIO_SIM_TRACE";

constexpr int32_t sim_command_halt = 0;
constexpr int32_t sim_command_read = 3;
constexpr int32_t sim_command_count = 4;

// One reader: its cycle, whether its next poll carries out a command, and what it shows.
struct sim_reader {
    int32_t cycle;
    bool command_pending;
    sim_reader_view view;
};

void IO_CALL sim_log_nothing(const char *, const char *, ...) {}

logger_fn sim_log_misc = sim_log_nothing;
logger_fn sim_log_info = sim_log_nothing;
logger_fn sim_log_warning = sim_log_nothing;
logger_fn sim_log_fatal = sim_log_nothing;

thread_join_fn sim_thread_join = nullptr;
thread_close_fn sim_thread_close = nullptr;
int sim_thread_id = 0;
bool sim_running = false;

sim_scenario sim_script;
sim_reader sim_readers[sim_node_count];

const char *sim_callback_name(bool present)
{
    return present ? "fn" : "null";
}

// The reader a call names; null, with a W line, without a real node and a running library.
sim_reader *sim_reader_for(const char *call, int32_t node)
{
    if (node < 0 || node >= sim_node_count) {
        sim_log_warning(sim_module, "%s: no reader at node %d", call, static_cast<int>(node));
        return nullptr;
    }
    if (!sim_running) {
        sim_log_warning(sim_module, "%s: called before kav_io_init", call);
        return nullptr;
    }
    return &sim_readers[node];
}

// A new cycle: the reader reports what the scenario or the demo hardware shows now.
void sim_reader_latch(int32_t node)
{
    sim_reader &reader = sim_readers[node];
    if (!sim_script.loaded) {
        reader.view = sim_demo_view(node);
        return;
    }
    const sim_scenario_row *row = sim_scenario_row_at(sim_script.nodes[node], reader.cycle);
    reader.view = row != nullptr ? row->view : sim_reader_view{};
}

bool sim_poll(int32_t node)
{
    sim_reader *reader = sim_reader_for("kav_io_poll", node);
    if (reader == nullptr) {
        return false;
    }
    const sim_scenario_node &plan = sim_script.nodes[node];
    if (reader->command_pending) {
        reader->command_pending = false;
    } else {
        ++reader->cycle;
        if (sim_script.loaded && plan.fatal_at == reader->cycle) {
            // Traced first: a host's level-F logger does not return.
            sim_trace_line(sim_trace_variable, "kav_io_poll(%d) logs a level-F line",
                           static_cast<int>(node));
            sim_log_fatal(sim_module, "reader %d lost its link in cycle %d", static_cast<int>(node),
                          static_cast<int>(reader->cycle));
            return false;
        }
        if (plan.polls_fail_from == sim_no_cycle || reader->cycle < plan.polls_fail_from) {
            sim_reader_latch(node);
        }
    }
    return plan.polls_fail_from == sim_no_cycle || reader->cycle < plan.polls_fail_from;
}

}  // namespace

extern "C" {

KAVIO_API void IO_CALL kav_io_set_loggers(logger_fn misc, logger_fn info, logger_fn warning,
                                          logger_fn fatal)
{
    sim_trace_line(sim_trace_variable, "kav_io_set_loggers(%s, %s, %s, %s)",
                   sim_callback_name(misc != nullptr), sim_callback_name(info != nullptr),
                   sim_callback_name(warning != nullptr), sim_callback_name(fatal != nullptr));
    // A missing logger stays silent rather than crashing the first log call.
    sim_log_misc = misc != nullptr ? misc : sim_log_nothing;
    sim_log_info = info != nullptr ? info : sim_log_nothing;
    sim_log_warning = warning != nullptr ? warning : sim_log_nothing;
    sim_log_fatal = fatal != nullptr ? fatal : sim_log_nothing;
}

KAVIO_API bool IO_CALL kav_io_init(thread_start_fn thread_start, thread_join_fn thread_join,
                                   thread_close_fn thread_close)
{
    sim_trace_line(
        sim_trace_variable, "kav_io_init(%s, %s, %s)", sim_callback_name(thread_start != nullptr),
        sim_callback_name(thread_join != nullptr), sim_callback_name(thread_close != nullptr));
    if (sim_running) {
        sim_log_warning(sim_module, "kav_io_init: already running");
        return false;
    }
    if (thread_start == nullptr || thread_join == nullptr || thread_close == nullptr) {
        sim_log_warning(sim_module, "kav_io_init: a thread callback is missing");
        return false;
    }
    if (!sim_scenario_load(&sim_script, sim_log_warning)) {
        return false;
    }
    if (sim_script.init_fails) {
        sim_log_warning(sim_module, "kav_io_init: no reader answers");
        return false;
    }
    for (sim_reader &reader : sim_readers) {
        reader = {sim_no_cycle, false, {}};
    }
    sim_demo_start();

    int thread_id = thread_start(sim_hardware_run, nullptr, 0);
    sim_trace_line(sim_trace_variable, "host_thread_start(0) = %s",
                   thread_id != 0 ? "ok" : "failed");
    if (thread_id == 0) {
        sim_log_warning(sim_module, "kav_io_init: cannot start the reader thread");
        return false;
    }
    sim_thread_id = thread_id;
    sim_thread_join = thread_join;
    sim_thread_close = thread_close;
    sim_running = true;

    if (sim_script.log_each_level) {
        sim_log_misc(sim_module, "level %s", "M");
        sim_log_info(sim_module, "level %s", "I");
        sim_log_warning(sim_module, "level %s", "W");
    }
    sim_log_info(sim_module, "simulated readers ready (%s)",
                 sim_script.loaded ? "scenario" : "demo");
    return true;
}

KAVIO_API bool IO_CALL kav_io_poll(int32_t node)
{
    bool polled = sim_poll(node);
    sim_trace_line(sim_trace_variable, "kav_io_poll(%d) = %d", static_cast<int>(node),
                   polled ? 1 : 0);
    return polled;
}

KAVIO_API uint16_t IO_CALL kav_io_get_keypad_state(int32_t node)
{
    const sim_reader *reader = sim_reader_for("kav_io_get_keypad_state", node);
    uint16_t keypad = reader != nullptr ? reader->view.keypad : 0;
    sim_trace_line(sim_trace_variable, "kav_io_get_keypad_state(%d) = %04X", static_cast<int>(node),
                   static_cast<unsigned int>(keypad));
    return keypad;
}

KAVIO_API uint8_t IO_CALL kav_io_get_sensor_state(int32_t node)
{
    const sim_reader *reader = sim_reader_for("kav_io_get_sensor_state", node);
    uint8_t sensor = reader != nullptr ? reader->view.sensor : 0;
    sim_trace_line(sim_trace_variable, "kav_io_get_sensor_state(%d) = %02X", static_cast<int>(node),
                   static_cast<unsigned int>(sensor));
    return sensor;
}

KAVIO_API bool IO_CALL kav_io_card_slot_cmd(int32_t node, int32_t command)
{
    bool accepted = false;
    sim_reader *reader = sim_reader_for("kav_io_card_slot_cmd", node);
    if (reader != nullptr) {
        if (command < 0 || command >= sim_command_count) {
            sim_log_warning(sim_module, "kav_io_card_slot_cmd: unknown command %d",
                            static_cast<int>(command));
        } else {
            // Halt and read finish during the node's next poll.
            reader->command_pending = command == sim_command_halt || command == sim_command_read;
            accepted = true;
        }
    }
    sim_trace_line(sim_trace_variable, "kav_io_card_slot_cmd(%d, %d) = %d", static_cast<int>(node),
                   static_cast<int>(command), accepted ? 1 : 0);
    return accepted;
}

KAVIO_API bool IO_CALL kav_io_read_card(int32_t node, uint8_t *card_id, int32_t capacity)
{
    bool read = false;
    const sim_reader *reader = sim_reader_for("kav_io_read_card", node);
    if (reader != nullptr) {
        if (card_id == nullptr || capacity < sim_card_id_size) {
            sim_log_warning(sim_module, "kav_io_read_card: need room for %d bytes, got %d",
                            static_cast<int>(sim_card_id_size),
                            card_id == nullptr ? 0 : static_cast<int>(capacity));
        } else if (reader->view.has_card) {
            memcpy(card_id, reader->view.card_id, sim_card_id_size);
            read = true;
        }
    }
    sim_trace_line(sim_trace_variable, "kav_io_read_card(%d, %d) = %d", static_cast<int>(node),
                   static_cast<int>(capacity), read ? 1 : 0);
    return read;
}

KAVIO_API void IO_CALL kav_io_fini(void)
{
    sim_trace_line(sim_trace_variable, "kav_io_fini()");
    if (!sim_running) {
        sim_log_warning(sim_module, "kav_io_fini: not running");
        return;
    }
    sim_hardware_stop();
    int exit_code = -1;
    sim_thread_join(sim_thread_id, &exit_code);
    sim_trace_line(sim_trace_variable, "host_thread_join = %d", exit_code);
    sim_thread_close(sim_thread_id);
    sim_trace_line(sim_trace_variable, "host_thread_close");
    sim_thread_id = 0;
    sim_running = false;
    sim_log_info(sim_module, "simulated readers stopped");
}

}  // extern "C"
