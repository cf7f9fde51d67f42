// The panel I/O interface: 16 panel buttons and 3 system inputs read through
// a CH341 bridge. The parameter lists are the host's; every argument is
// accepted and ignored, and cdecl keeps a host that passes others safe.
#ifndef WZIO_H
#define WZIO_H

#include <stdint.h>

#include "io_callbacks.h"

#ifdef WZIO_BUILDING
#define WZIO_API IO_EXPORT
#else
#define WZIO_API IO_IMPORT
#endif

// How long a failed scan keeps the last good scan's inputs, in ms from the
// first failed scan of its link drop-out (see wz_io_read_inputs).
#define WZ_IO_LINK_HOLD_MS 50

#ifdef __cplusplus
extern "C" {
#endif

// Opens bridge 0. Returns false when no bridge can be opened; the scans
// open it again all the same, until wz_io_fini.
WZIO_API bool IO_CALL wz_io_init(thread_start_fn thread_start, thread_join_fn thread_join,
                                 thread_close_fn thread_close);

// Closes bridge 0; from now on no scan opens it.
WZIO_API void IO_CALL wz_io_fini(void);

// Scans the inputs once: twelve bridge calls, and no clock read on a good
// scan. Returns false when the bridge failed. A failed scan after wz_io_init
// and a good scan since keeps the last good scan's inputs while its link
// drop-out (the run of failed scans) is under WZ_IO_LINK_HOLD_MS old, then
// reports every input inactive until a good scan; otherwise every input is
// inactive at once. From the third failed scan in a row since wz_io_init,
// and at least 250 ms after the last open, it closes bridge 0 and opens it
// again after its last call (not after wz_io_fini), so inputs come back once
// the bridge does.
WZIO_API bool IO_CALL wz_io_read_inputs(void);

// Panel buttons of the last scan, bit i = button i (0 before the first scan).
WZIO_API uint16_t IO_CALL wz_io_get_panel_inputs(void);

// System inputs of the last scan in bits 0..2 (0 before the first scan).
WZIO_API uint8_t IO_CALL wz_io_get_sys_inputs(void);

// Accepted and ignored; returns true.
WZIO_API bool IO_CALL wz_io_set_panel_mode(uint8_t mode);

// Accepted and ignored; returns true.
WZIO_API bool IO_CALL wz_io_set_coin_blocker(bool open);

// Accepted and ignored (no lamp is driven); returns true.
WZIO_API bool IO_CALL wz_io_write_lights(uint32_t lamp_mask);

// Accepted and ignored.
WZIO_API void IO_CALL wz_io_set_rgb_led(uint8_t unit, uint8_t red, uint8_t green, uint8_t blue);

// Accepted and ignored; the library never logs.
WZIO_API void IO_CALL wz_io_set_loggers(logger_fn misc, logger_fn info, logger_fn warning,
                                        logger_fn fatal);

#ifdef __cplusplus
}
#endif

#endif
