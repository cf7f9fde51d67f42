// The ten panel I/O exports. The host's arguments are accepted and never read.
#include "wzio.h"

#include "ch341dll.h"
#include "input_scan.h"

namespace {

// The inputs of the last scan; written only by wz_io_read_inputs.
uint16_t panel_state = 0;
uint8_t sys_state = 0;

}  // namespace

extern "C" {

WZIO_API bool IO_CALL wz_io_init(thread_start_fn, thread_join_fn, thread_close_fn)
{
    // The bridge is always addressed by index, so the handle is only a verdict.
    return CH341OpenDevice(ch341_bridge_index) != INVALID_HANDLE_VALUE;
}

WZIO_API void IO_CALL wz_io_fini(void)
{
    CH341CloseDevice(ch341_bridge_index);
}

WZIO_API bool IO_CALL wz_io_read_inputs(void)
{
    return input_scan(&panel_state, &sys_state);
}

WZIO_API uint16_t IO_CALL wz_io_get_panel_inputs(void)
{
    return panel_state;
}

WZIO_API uint8_t IO_CALL wz_io_get_sys_inputs(void)
{
    return sys_state;
}

WZIO_API bool IO_CALL wz_io_set_panel_mode(uint8_t)
{
    return true;
}

WZIO_API bool IO_CALL wz_io_set_coin_blocker(bool)
{
    return true;
}

WZIO_API bool IO_CALL wz_io_write_lights(uint32_t)
{
    return true;
}

WZIO_API void IO_CALL wz_io_set_rgb_led(uint8_t, uint8_t, uint8_t, uint8_t) {}

WZIO_API void IO_CALL wz_io_set_loggers(logger_fn, logger_fn, logger_fn, logger_fn) {}

}  // extern "C"
