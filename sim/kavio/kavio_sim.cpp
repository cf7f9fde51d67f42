// Simulated card readers behind the kav_io_ interface, for trying readertest
// without hardware and for its tests. Two readers (nodes 0 and 1), each with
// a twelve-key keypad, a front and a back card sensor and a card slot.
//
// With no scenario the readers play a demo paced by the wall clock. With
// KAVIO_SIM_SCENARIO naming a file, each node steps through the file's rows,
// one row per poll cycle. The file is plain text, one statement per line,
// '#' starts a comment:
//
//   init fails                  kav_io_init reports failure
//   log-each-level              kav_io_init also logs one line at levels M, I and W
//   node N cycle C keypad K sensor S card ID
//                               from node N's cycle C on (until its next row) the
//                               keypad reads K and the sensors S (hexadecimal), and a
//                               read returns ID (16 hexadecimal digits), or fails
//                               when ID is '-'; rows come in rising cycle order and
//                               before the first row a node reports nothing
//   node N poll-fails-from C    node N's polls fail from its cycle C on
//   node N fatal-at C           the poll that starts node N's cycle C logs a level-F line
//
// A poll cycle of a node starts with each of its polls, except a poll that
// directly follows card slot command 0 (halt) or 3 (read): that poll carries
// the command out and stays in the current cycle. Cycles count from 0.
//
// KAVIO_SIM_TRACE names a file that receives one line per call with its
// arguments and result, flushed at once because the host may end through
// _exit or ExitProcess.

#define KAVIO_BUILDING
#include "kavio.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "sim_clock.h"
#include "sim_trace.h"

namespace {

constexpr const char *sim_module = "kavio";
constexpr const char *sim_scenario_variable = "KAVIO_SIM_SCENARIO";
constexpr const char *sim_trace_variable = "KAVIO_SIM_TRACE";

constexpr int32_t sim_node_count = 2;
constexpr int32_t sim_card_id_size = 8;
constexpr int32_t sim_command_halt = 0;
constexpr int32_t sim_command_read = 3;
constexpr int32_t sim_command_count = 4;
constexpr uint8_t sim_sensor_back = 0x02;

constexpr int sim_rows_per_node = 64;
constexpr int sim_scenario_line_size = 256;
constexpr int sim_scenario_max_tokens = 12;
constexpr int32_t sim_no_cycle = -1;

// The hardware thread republishes the demo's state this often.
constexpr uint32_t sim_hardware_step_ms = 5;

// The demo's card; bytes above 0x7F show that a reader prints them unsigned.
constexpr uint8_t sim_demo_card_id[sim_card_id_size] = {0x8A, 0xF3, 0x00, 0x12,
                                                        0xC4, 0x7E, 0x9B, 0xFF};

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

struct sim_scenario_row {
    int32_t from_cycle;
    uint16_t keypad;
    uint8_t sensor;
    bool has_card;
    uint8_t card_id[sim_card_id_size];
};

struct sim_scenario_node {
    sim_scenario_row rows[sim_rows_per_node];
    int row_count;
    int32_t polls_fail_from;
    int32_t fatal_at;
};

struct sim_scenario {
    bool loaded;
    bool init_fails;
    bool log_each_level;
    sim_scenario_node nodes[sim_node_count];
};

// What the host sees of one reader since its last cycle-starting poll.
struct sim_reader {
    int32_t cycle;
    bool command_pending;
    uint16_t keypad;
    uint8_t sensor;
    bool has_card;
    uint8_t card_id[sim_card_id_size];
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

// Shared with the hardware thread: keypad in bits 0-15, sensors in bits 16-23.
std::atomic<uint32_t> sim_live_frame[sim_node_count];
std::atomic<bool> sim_stop_requested{false};
uint32_t sim_demo_start_ms = 0;

const char *sim_callback_name(bool present)
{
    return present ? "fn" : "null";
}

bool sim_node_valid(const char *call, int32_t node)
{
    if (node >= 0 && node < sim_node_count) {
        return true;
    }
    sim_log_warning(sim_module, "%s: no reader at node %d", call, static_cast<int>(node));
    return false;
}

bool sim_check_running(const char *call)
{
    if (sim_running) {
        return true;
    }
    sim_log_warning(sim_module, "%s: called before kav_io_init", call);
    return false;
}

// A call that names a node needs a real node and a running library.
bool sim_node_call_allowed(const char *call, int32_t node)
{
    return sim_node_valid(call, node) && sim_check_running(call);
}

uint32_t sim_pack_frame(uint16_t keypad, uint8_t sensor)
{
    return static_cast<uint32_t>(keypad) | (static_cast<uint32_t>(sensor) << 16);
}

void sim_demo_publish(uint32_t elapsed_ms)
{
    uint32_t at_ms = elapsed_ms % sim_demo_period_ms;
    uint16_t keypad[sim_node_count] = {};
    uint8_t sensor[sim_node_count] = {};
    for (const sim_demo_step &step : sim_demo_timeline) {
        if (at_ms >= step.from_ms && at_ms < step.until_ms) {
            keypad[step.node] = static_cast<uint16_t>(keypad[step.node] | step.keypad);
            sensor[step.node] = static_cast<uint8_t>(sensor[step.node] | step.sensor);
        }
    }
    for (int32_t node = 0; node < sim_node_count; ++node) {
        sim_live_frame[node].store(sim_pack_frame(keypad[node], sensor[node]));
    }
}

uint32_t sim_demo_elapsed_ms()
{
    // Unsigned subtraction stays right across the clock's wrap.
    return sim_clock_ms() - sim_demo_start_ms;
}

// The readers' hardware: in the demo it moves the card and presses the keys.
int IO_CALL sim_hardware_run(void *)
{
    while (!sim_stop_requested.load()) {
        if (!sim_script.loaded) {
            sim_demo_publish(sim_demo_elapsed_ms());
        }
        sim_sleep_ms(sim_hardware_step_ms);
    }
    return 0;
}

// Splits line in place at blanks; returns the number of tokens.
int sim_split(char *line, char **tokens)
{
    int count = 0;
    char *cursor = line;
    while (*cursor != '\0') {
        while (*cursor == ' ' || *cursor == '\t' || *cursor == '\r' || *cursor == '\n') {
            *cursor++ = '\0';
        }
        if (*cursor == '\0' || *cursor == '#') {
            break;
        }
        if (count == sim_scenario_max_tokens) {
            return count + 1;
        }
        tokens[count++] = cursor;
        while (*cursor != '\0' && *cursor != ' ' && *cursor != '\t' && *cursor != '\r' &&
               *cursor != '\n') {
            ++cursor;
        }
    }
    return count;
}

bool sim_parse_number(const char *text, int base, unsigned long limit, unsigned long *value)
{
    if (text[0] == '\0' || text[0] == '-' || text[0] == '+') {
        return false;
    }
    char *end = nullptr;
    unsigned long parsed = strtoul(text, &end, base);
    if (*end != '\0' || parsed > limit) {
        return false;
    }
    *value = parsed;
    return true;
}

bool sim_parse_cycle(const char *text, int32_t *cycle)
{
    unsigned long value = 0;
    if (!sim_parse_number(text, 10, 0x7FFFFFFFul, &value)) {
        return false;
    }
    *cycle = static_cast<int32_t>(value);
    return true;
}

int sim_hex_digit(char digit)
{
    if (digit >= '0' && digit <= '9') {
        return digit - '0';
    }
    if (digit >= 'a' && digit <= 'f') {
        return digit - 'a' + 10;
    }
    if (digit >= 'A' && digit <= 'F') {
        return digit - 'A' + 10;
    }
    return -1;
}

bool sim_parse_card(const char *text, sim_scenario_row *row)
{
    if (strcmp(text, "-") == 0) {
        row->has_card = false;
        return true;
    }
    if (strlen(text) != 2 * sim_card_id_size) {
        return false;
    }
    for (int32_t i = 0; i < sim_card_id_size; ++i) {
        int high = sim_hex_digit(text[2 * i]);
        int low = sim_hex_digit(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        row->card_id[i] = static_cast<uint8_t>(high * 16 + low);
    }
    row->has_card = true;
    return true;
}

// Returns null when the statement is good, else what is wrong with it.
const char *sim_parse_statement(char **tokens, int count, sim_scenario *script)
{
    if (count == 2 && strcmp(tokens[0], "init") == 0 && strcmp(tokens[1], "fails") == 0) {
        script->init_fails = true;
        return nullptr;
    }
    if (count == 1 && strcmp(tokens[0], "log-each-level") == 0) {
        script->log_each_level = true;
        return nullptr;
    }
    if (count < 2 || strcmp(tokens[0], "node") != 0) {
        return "unknown statement";
    }
    unsigned long node_number = 0;
    if (!sim_parse_number(tokens[1], 10, sim_node_count - 1, &node_number)) {
        return "node must be 0 or 1";
    }
    sim_scenario_node &node = script->nodes[node_number];
    if (count == 4 && strcmp(tokens[2], "poll-fails-from") == 0) {
        return sim_parse_cycle(tokens[3], &node.polls_fail_from) ? nullptr : "bad cycle";
    }
    if (count == 4 && strcmp(tokens[2], "fatal-at") == 0) {
        return sim_parse_cycle(tokens[3], &node.fatal_at) ? nullptr : "bad cycle";
    }
    if (count != 10 || strcmp(tokens[2], "cycle") != 0 || strcmp(tokens[4], "keypad") != 0 ||
        strcmp(tokens[6], "sensor") != 0 || strcmp(tokens[8], "card") != 0) {
        return "expected: node N cycle C keypad K sensor S card ID";
    }
    if (node.row_count == sim_rows_per_node) {
        return "too many rows for this node";
    }
    sim_scenario_row row = {};
    unsigned long keypad = 0;
    unsigned long sensor = 0;
    if (!sim_parse_cycle(tokens[3], &row.from_cycle)) {
        return "bad cycle";
    }
    if (node.row_count > 0 && row.from_cycle <= node.rows[node.row_count - 1].from_cycle) {
        return "rows must come in rising cycle order";
    }
    if (!sim_parse_number(tokens[5], 16, 0xFFFF, &keypad)) {
        return "keypad must be 0 to FFFF";
    }
    if (!sim_parse_number(tokens[7], 16, 0xFF, &sensor)) {
        return "sensor must be 0 to FF";
    }
    if (!sim_parse_card(tokens[9], &row)) {
        return "card must be 16 hexadecimal digits or -";
    }
    row.keypad = static_cast<uint16_t>(keypad);
    row.sensor = static_cast<uint8_t>(sensor);
    node.rows[node.row_count++] = row;
    return nullptr;
}

void sim_scenario_reset(sim_scenario *script)
{
    memset(script, 0, sizeof *script);
    for (sim_scenario_node &node : script->nodes) {
        node.polls_fail_from = sim_no_cycle;
        node.fatal_at = sim_no_cycle;
    }
}

// Loads the scenario file, or leaves the demo in place when none is named.
bool sim_scenario_load(sim_scenario *script)
{
    sim_scenario_reset(script);
    const char *path = getenv(sim_scenario_variable);
    if (path == nullptr || path[0] == '\0') {
        return true;
    }
    FILE *file = fopen(path, "r");
    if (file == nullptr) {
        sim_log_warning(sim_module, "cannot open scenario %s", path);
        return false;
    }
    char line[sim_scenario_line_size];
    int line_number = 0;
    const char *problem = nullptr;
    while (problem == nullptr && fgets(line, sizeof line, file) != nullptr) {
        ++line_number;
        if (strchr(line, '\n') == nullptr && !feof(file)) {
            problem = "line too long";
            break;
        }
        char *tokens[sim_scenario_max_tokens];
        int count = sim_split(line, tokens);
        if (count > sim_scenario_max_tokens) {
            problem = "too many words";
        } else if (count > 0) {
            problem = sim_parse_statement(tokens, count, script);
        }
    }
    bool read_failed = ferror(file) != 0;
    fclose(file);
    if (problem != nullptr) {
        sim_log_warning(sim_module, "scenario %s line %d: %s", path, line_number, problem);
        return false;
    }
    if (read_failed) {
        sim_log_warning(sim_module, "cannot read scenario %s", path);
        return false;
    }
    script->loaded = true;
    return true;
}

const sim_scenario_row *sim_scenario_row_at(const sim_scenario_node &node, int32_t cycle)
{
    const sim_scenario_row *found = nullptr;
    for (int i = 0; i < node.row_count && node.rows[i].from_cycle <= cycle; ++i) {
        found = &node.rows[i];
    }
    return found;
}

// A new cycle: the reader reports what the scenario or the demo hardware shows now.
void sim_reader_latch(int32_t node)
{
    sim_reader &reader = sim_readers[node];
    if (sim_script.loaded) {
        const sim_scenario_row *row = sim_scenario_row_at(sim_script.nodes[node], reader.cycle);
        sim_scenario_row nothing = {};
        if (row == nullptr) {
            row = &nothing;
        }
        reader.keypad = row->keypad;
        reader.sensor = row->sensor;
        reader.has_card = row->has_card;
        memcpy(reader.card_id, row->card_id, sizeof reader.card_id);
        return;
    }
    uint32_t frame = sim_live_frame[node].load();
    reader.keypad = static_cast<uint16_t>(frame & 0xFFFFu);
    reader.sensor = static_cast<uint8_t>((frame >> 16) & 0xFFu);
    // In the demo a card can be read only while it sits at the back sensor.
    reader.has_card = (reader.sensor & sim_sensor_back) != 0;
    memcpy(reader.card_id, sim_demo_card_id, sizeof reader.card_id);
}

bool sim_poll(int32_t node)
{
    if (!sim_node_call_allowed("kav_io_poll", node)) {
        return false;
    }
    sim_reader &reader = sim_readers[node];
    const sim_scenario_node &plan = sim_script.nodes[node];
    if (reader.command_pending) {
        reader.command_pending = false;
    } else {
        ++reader.cycle;
        if (sim_script.loaded && plan.fatal_at == reader.cycle) {
            // Traced first: a host's level-F logger does not return.
            sim_trace_line(sim_trace_variable, "kav_io_poll(%d) logs a level-F line",
                           static_cast<int>(node));
            sim_log_fatal(sim_module, "reader %d lost its link in cycle %d", static_cast<int>(node),
                          static_cast<int>(reader.cycle));
            return false;
        }
        if (plan.polls_fail_from == sim_no_cycle || reader.cycle < plan.polls_fail_from) {
            sim_reader_latch(node);
        }
    }
    return plan.polls_fail_from == sim_no_cycle || reader.cycle < plan.polls_fail_from;
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
    if (!sim_scenario_load(&sim_script)) {
        return false;
    }
    if (sim_script.init_fails) {
        sim_log_warning(sim_module, "kav_io_init: no reader answers");
        return false;
    }
    memset(sim_readers, 0, sizeof sim_readers);
    for (sim_reader &reader : sim_readers) {
        reader.cycle = sim_no_cycle;
    }
    sim_demo_start_ms = sim_clock_ms();
    sim_demo_publish(0);
    sim_stop_requested.store(false);

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
    uint16_t keypad = 0;
    if (sim_node_call_allowed("kav_io_get_keypad_state", node)) {
        keypad = sim_readers[node].keypad;
    }
    sim_trace_line(sim_trace_variable, "kav_io_get_keypad_state(%d) = %04X", static_cast<int>(node),
                   static_cast<unsigned int>(keypad));
    return keypad;
}

KAVIO_API uint8_t IO_CALL kav_io_get_sensor_state(int32_t node)
{
    uint8_t sensor = 0;
    if (sim_node_call_allowed("kav_io_get_sensor_state", node)) {
        sensor = sim_readers[node].sensor;
    }
    sim_trace_line(sim_trace_variable, "kav_io_get_sensor_state(%d) = %02X", static_cast<int>(node),
                   static_cast<unsigned int>(sensor));
    return sensor;
}

KAVIO_API bool IO_CALL kav_io_card_slot_cmd(int32_t node, int32_t command)
{
    bool accepted = false;
    if (sim_node_call_allowed("kav_io_card_slot_cmd", node)) {
        if (command < 0 || command >= sim_command_count) {
            sim_log_warning(sim_module, "kav_io_card_slot_cmd: unknown command %d",
                            static_cast<int>(command));
        } else {
            // Halt and read finish during the node's next poll.
            sim_readers[node].command_pending =
                command == sim_command_halt || command == sim_command_read;
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
    if (sim_node_call_allowed("kav_io_read_card", node)) {
        const sim_reader &reader = sim_readers[node];
        if (card_id == nullptr || capacity < sim_card_id_size) {
            sim_log_warning(sim_module, "kav_io_read_card: need room for %d bytes, got %d",
                            static_cast<int>(sim_card_id_size),
                            card_id == nullptr ? 0 : static_cast<int>(capacity));
        } else if (reader.has_card) {
            memcpy(card_id, reader.card_id, sim_card_id_size);
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
    sim_stop_requested.store(true);
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
