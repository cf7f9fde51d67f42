#include "reader_scenario.h"

#include <stdlib.h>
#include <string.h>

#include "script_line.h"
#include "script_read.h"

namespace {

constexpr const char *sim_scenario_variable = "KAVIO_SIM_SCENARIO";
constexpr uint32_t sim_scenario_max_words = 12;

bool sim_parse_cycle(const char *text, int32_t *cycle)
{
    uint32_t value = 0;
    if (!script_line_number(text, 10, 0, 0x7FFFFFFF, &value)) {
        return false;
    }
    *cycle = static_cast<int32_t>(value);
    return true;
}

bool sim_parse_card(const char *text, sim_reader_view *view)
{
    if (strcmp(text, "-") == 0) {
        view->has_card = false;
        return true;
    }
    if (strlen(text) != 2 * sim_card_id_size) {
        return false;
    }
    for (int32_t i = 0; i < sim_card_id_size; ++i) {
        const char digits[3] = {text[2 * i], text[2 * i + 1], '\0'};
        uint32_t value = 0;
        if (!script_line_number(digits, 16, 0, 0xFF, &value)) {
            return false;
        }
        view->card_id[i] = static_cast<uint8_t>(value);
    }
    view->has_card = true;
    return true;
}

// Returns null when the statement is good, else what is wrong with it.
const char *sim_parse_statement(char **words, uint32_t count, void *context)
{
    sim_scenario *script = static_cast<sim_scenario *>(context);
    if (count == 2 && strcmp(words[0], "init") == 0 && strcmp(words[1], "fails") == 0) {
        script->init_fails = true;
        return nullptr;
    }
    if (count == 1 && strcmp(words[0], "log-each-level") == 0) {
        script->log_each_level = true;
        return nullptr;
    }
    if (count < 2 || strcmp(words[0], "node") != 0) {
        return "unknown statement";
    }
    uint32_t node_number = 0;
    if (!script_line_number(words[1], 10, 0, sim_node_count - 1, &node_number)) {
        return "node must be 0 or 1";
    }
    sim_scenario_node &node = script->nodes[node_number];
    if (count == 4 && strcmp(words[2], "poll-fails-from") == 0) {
        return sim_parse_cycle(words[3], &node.polls_fail_from) ? nullptr : "bad cycle";
    }
    if (count == 4 && strcmp(words[2], "fatal-at") == 0) {
        return sim_parse_cycle(words[3], &node.fatal_at) ? nullptr : "bad cycle";
    }
    if (count != 10 || strcmp(words[2], "cycle") != 0 || strcmp(words[4], "keypad") != 0 ||
        strcmp(words[6], "sensor") != 0 || strcmp(words[8], "card") != 0) {
        return "expected: node N cycle C keypad K sensor S card ID";
    }
    if (node.row_count == sim_rows_per_node) {
        return "too many rows for this node";
    }
    sim_scenario_row row = {};
    uint32_t keypad = 0;
    uint32_t sensor = 0;
    if (!sim_parse_cycle(words[3], &row.from_cycle)) {
        return "bad cycle";
    }
    if (node.row_count > 0 && row.from_cycle <= node.rows[node.row_count - 1].from_cycle) {
        return "rows must come in rising cycle order";
    }
    if (!script_line_number(words[5], 16, 0, 0xFFFF, &keypad)) {
        return "keypad must be 0 to FFFF";
    }
    if (!script_line_number(words[7], 16, 0, 0xFF, &sensor)) {
        return "sensor must be 0 to FF";
    }
    if (!sim_parse_card(words[9], &row.view)) {
        return "card must be 16 hexadecimal digits or -";
    }
    row.view.keypad = static_cast<uint16_t>(keypad);
    row.view.sensor = static_cast<uint8_t>(sensor);
    node.rows[node.row_count++] = row;
    return nullptr;
}

}  // namespace

bool sim_scenario_load(sim_scenario *script, logger_fn warning)
{
    memset(script, 0, sizeof *script);
    for (sim_scenario_node &node : script->nodes) {
        node.polls_fail_from = sim_no_cycle;
        node.fatal_at = sim_no_cycle;
    }
    const char *path = getenv(sim_scenario_variable);
    if (path == nullptr || path[0] == '\0') {
        return true;
    }
    script_refusal refusal;
    if (!script_read(path, sim_scenario_max_words, sim_parse_statement, script, &refusal)) {
        if (!refusal.opened) {
            warning(sim_module, "cannot open scenario %s: %s", path, refusal.what);
        } else {
            warning(sim_module, "scenario %s line %u: %s", path,
                    static_cast<unsigned>(refusal.line_number), refusal.what);
        }
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
