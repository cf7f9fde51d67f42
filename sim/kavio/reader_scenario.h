// The scenario file that scripts the readers; README.md beside this file is its grammar.
#ifndef READER_SCENARIO_H
#define READER_SCENARIO_H

#include <stdint.h>

#include "io_callbacks.h"

constexpr const char *sim_module = "kavio";
constexpr int32_t sim_node_count = 2;
constexpr int32_t sim_card_id_size = 8;
constexpr int32_t sim_no_cycle = -1;
constexpr int sim_rows_per_node = 64;

// What a reader shows the host from one cycle-starting poll to the next.
struct sim_reader_view {
    uint16_t keypad;
    uint8_t sensor;
    bool has_card;
    uint8_t card_id[sim_card_id_size];
};

struct sim_scenario_row {
    int32_t from_cycle;
    sim_reader_view view;
};

struct sim_scenario_node {
    sim_scenario_row rows[sim_rows_per_node];
    int row_count;
    int32_t polls_fail_from;  // sim_no_cycle: never
    int32_t fatal_at;         // sim_no_cycle: never
};

struct sim_scenario {
    bool loaded;  // false: none is named and the demo plays
    bool init_fails;
    bool log_each_level;
    sim_scenario_node nodes[sim_node_count];
};

// Loads the file KAVIO_SIM_SCENARIO names, if any; false, with a W line, on a fault.
bool sim_scenario_load(sim_scenario *script, logger_fn warning);

// The node's row in force in cycle; null before its first row.
const sim_scenario_row *sim_scenario_row_at(const sim_scenario_node &node, int32_t cycle);

#endif
