// The ten panel I/O exports. The host's arguments are accepted and never read.
#include "wzio.h"

#include "ch341dll.h"
#include "input_scan.h"
#include "link_rule.h"
#include "link_tick.h"

namespace {

// The inputs of the last scan; written only by wz_io_read_inputs.
uint16_t panel_state = 0;
uint8_t sys_state = 0;
link_state bridge_link = {false, false, false, 0, 0, 0};

// After a failed scan's last call, as a bridge back from a drop-out is a new
// device that answers only a new open. Whether it opened, the scans say.
void bridge_reopen()
{
    CH341CloseDevice(ch341_bridge_index);
    CH341OpenDevice(ch341_bridge_index);
    link_reopened(&bridge_link, link_tick_ms());
}

}  // namespace

extern "C" {

WZIO_API bool IO_CALL wz_io_init(thread_start_fn, thread_join_fn, thread_close_fn)
{
    // The bridge is always addressed by index, so the handle is only a verdict.
    bool opened = CH341OpenDevice(ch341_bridge_index) != INVALID_HANDLE_VALUE;
    // Failed or not, the host wants the bridge: the scans open it again.
    link_init(&bridge_link, link_tick_ms());
    return opened;
}

WZIO_API void IO_CALL wz_io_fini(void)
{
    CH341CloseDevice(ch341_bridge_index);
    link_fini(&bridge_link);
}

WZIO_API bool IO_CALL wz_io_read_inputs(void)
{
    uint16_t panel = 0;
    uint8_t sys = 0;
    if (input_scan(&panel, &sys)) {
        link_good_scan(&bridge_link);
        panel_state = panel;
        sys_state = sys;
        return true;
    }
    link_verdict verdict = link_failed_scan(&bridge_link, link_tick_ms());
    if (!verdict.hold_inputs) {
        panel_state = 0;
        sys_state = 0;
    }
    if (verdict.reopen) {
        bridge_reopen();
    }
    return false;
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
