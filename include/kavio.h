// The card reader library interface that readertest drives. Nodes are 0 and 1.
#ifndef KAVIO_H
#define KAVIO_H

#include <stdint.h>

#include "io_callbacks.h"

#ifdef KAVIO_BUILDING
#define KAVIO_API IO_EXPORT
#else
#define KAVIO_API IO_IMPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Hands the library its four loggers, least severe first.
KAVIO_API void IO_CALL kav_io_set_loggers(logger_fn misc, logger_fn info, logger_fn warning,
                                          logger_fn fatal);

// Starts the library on the host's thread services. Returns true on success.
KAVIO_API bool IO_CALL kav_io_init(thread_start_fn thread_start, thread_join_fn thread_join,
                                   thread_close_fn thread_close);

// Exchanges one cycle with the reader at node. Returns true on success.
KAVIO_API bool IO_CALL kav_io_poll(int32_t node);

// Keypad keys down at the last poll, one bit per key.
KAVIO_API uint16_t IO_CALL kav_io_get_keypad_state(int32_t node);

// Card sensors at the last poll: bit 0 front, bit 1 back.
KAVIO_API uint8_t IO_CALL kav_io_get_sensor_state(int32_t node);

// Sends card slot command 0..3. Returns true when the command was accepted.
KAVIO_API bool IO_CALL kav_io_card_slot_cmd(int32_t node, int32_t command);

// Writes the card identifier into card_id (capacity bytes, at least 8). Returns true on success.
KAVIO_API bool IO_CALL kav_io_read_card(int32_t node, uint8_t *card_id, int32_t capacity);

// Stops the library and its threads.
KAVIO_API void IO_CALL kav_io_fini(void);

#ifdef __cplusplus
}
#endif

#endif
