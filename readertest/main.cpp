// readertest: tries out the card reader library by hand. Shows both readers'
// keypads, card sensors and last card read, drives their card slots, and
// ends when Escape is held.
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "console.h"
#include "kavio.h"
#include "log.h"
#include "thread.h"

// The screen goes through the runtime's own printf, the same one the console
// log writer uses; mingw would otherwise swap in its own formatter.
#ifdef _WIN32
#define screen_printf __ms_printf
#else
#define screen_printf printf
#endif

namespace {

constexpr int32_t reader_node_count = 2;
constexpr int32_t card_id_size = 8;

constexpr int exit_init_failed = -1;
constexpr int exit_poll_failed = -2;
constexpr int exit_done = 0;

constexpr uint8_t sensor_front_bit = 0;
constexpr uint8_t sensor_back_bit = 1;
constexpr uint8_t sensor_back = 1u << sensor_back_bit;

constexpr uint16_t key_underscore = 1u << 8;

constexpr int32_t slot_command_halt = 0;
constexpr int32_t slot_command_accept = 1;
constexpr int32_t slot_command_eject = 2;
constexpr int32_t slot_command_read = 3;

// Keypad bits in screen order: 7 8 9 / 4 5 6 / 1 2 3 / 0 O _.
constexpr int keypad_screen_bits[] = {3, 7, 11, 2, 6, 10, 1, 5, 9, 0, 4, 8};
constexpr int keypad_key_count = sizeof keypad_screen_bits / sizeof keypad_screen_bits[0];

constexpr char reader_block_format[] =
    "Press escape to quit\nReader %d\n------------------\n |7: %d|8: %d|9: %d|\n |4: %d|5: "
    "%d|6: %d|\n |1: %d|2: %d|3: %d|\n |0: %d|O: %d|_: %d|\n------------------\n|front: %d "
    "back: %d|\n------------------\n|%02X%02X%02X%02X%02X%02X%02X%02X|\n------------------\n";

int bit_of(unsigned int value, int bit)
{
    return static_cast<int>((value >> bit) & 1u);
}

void print_reader_block(int32_t node, uint16_t keypad, uint8_t sensor, const uint8_t *card_id)
{
    int key[keypad_key_count];
    for (int i = 0; i < keypad_key_count; ++i) {
        key[i] = bit_of(keypad, keypad_screen_bits[i]);
    }
    // The identifier bytes are unsigned, so 0x80 prints as 80.
    screen_printf(reader_block_format, static_cast<int>(node), key[0], key[1], key[2], key[3],
                  key[4], key[5], key[6], key[7], key[8], key[9], key[10], key[11],
                  bit_of(sensor, sensor_front_bit), bit_of(sensor, sensor_back_bit),
                  static_cast<unsigned int>(card_id[0]), static_cast<unsigned int>(card_id[1]),
                  static_cast<unsigned int>(card_id[2]), static_cast<unsigned int>(card_id[3]),
                  static_cast<unsigned int>(card_id[4]), static_cast<unsigned int>(card_id[5]),
                  static_cast<unsigned int>(card_id[6]), static_cast<unsigned int>(card_id[7]));
}

// The first matching rule only: a card at the back is read; an empty slot is
// cleared and reopened; anything else is left alone. Results are not examined.
void drive_card_slot(int32_t node, uint8_t sensor, uint8_t *card_id)
{
    if ((sensor & sensor_back) != 0) {
        kav_io_card_slot_cmd(node, slot_command_halt);
        kav_io_poll(node);
        kav_io_card_slot_cmd(node, slot_command_read);
        kav_io_poll(node);
        kav_io_read_card(node, card_id, card_id_size);
    } else if (sensor == 0) {
        memset(card_id, 0, card_id_size);
        kav_io_card_slot_cmd(node, slot_command_halt);
        kav_io_poll(node);
        kav_io_card_slot_cmd(node, slot_command_accept);
    }
}

// A held Escape goes on repeating after the cycle that saw it: what is still
// typed goes with the cycles, so that none of it reaches the shell.
void end_cycles()
{
    console_discard_typed_keys();
    console_end_cycles();
}

}  // namespace

int main()
{
    log_bind_writer(log_writer_console, nullptr);
    // A level-F line ends the process past every exit handler: give the terminal back first.
    log_set_fatal_cleanup(console_end_cycles);
    // The library takes its loggers least severe first.
    kav_io_set_loggers(logger_table[log_level_misc], logger_table[log_level_info],
                       logger_table[log_level_warning], logger_table[log_level_fatal]);
    if (!kav_io_init(host_thread_start, host_thread_join, host_thread_close)) {
        puts("Initializing kavio failed");
        return exit_init_failed;
    }
    puts(">>> Initializing kavio successful, press enter to continue <<<");
    console_begin_prompt();
    if (getchar() != '\n') {
        return exit_done;
    }

    uint16_t prev_keypad[reader_node_count] = {0, 0};
    uint8_t card_id[reader_node_count][card_id_size] = {};

    console_begin_cycles();
    for (;;) {
        console_clear();
        if (console_escape_held()) {
            kav_io_fini();
            end_cycles();
            return exit_done;
        }
        for (int32_t node = 0; node < reader_node_count; ++node) {
            if (!kav_io_poll(node)) {
                screen_printf("ERROR: Polling node %d failed", static_cast<int>(node));
                end_cycles();
                return exit_poll_failed;
            }
            uint16_t keypad = kav_io_get_keypad_state(node);
            uint16_t newly_pressed = static_cast<uint16_t>(keypad & ~prev_keypad[node]);
            uint8_t sensor = kav_io_get_sensor_state(node);
            // The block shows the identifier as it was before this cycle's read.
            print_reader_block(node, keypad, sensor, card_id[node]);
            drive_card_slot(node, sensor, card_id[node]);
            if ((newly_pressed & key_underscore) != 0) {
                kav_io_card_slot_cmd(node, slot_command_eject);
            }
            prev_keypad[node] = keypad;
        }
        console_pause();
    }
}
