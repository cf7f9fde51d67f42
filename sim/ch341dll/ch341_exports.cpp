// The CH341 stand-in's four calls: a simulated input board behind the bridge
// that serves frames from a script or a built-in board, at a bridge's pace,
// and a trace of every call.
// README.md beside this file describes the environment, the scripts and the trace.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "board_demo.h"
#include "board_loose.h"
#include "board_script_load.h"
#include "board_script_play.h"
#include "board_wiring.h"
#include "board_worn.h"
#include "bridge_pace.h"
#include "ch341dll.h"
#include "sim_trace.h"

namespace {

constexpr const char *trace_variable = "CH341_SIM_TRACE";
constexpr const char *board_variable = "CH341_SIM_BOARD";

// Any value but INVALID_HANDLE_VALUE; nobody looks inside it.
const HANDLE board_handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x341));

enum class board_kind { none, script, demo, worn, loose };

// Bridge 0 as its user holds it. A dead open was made before an unplug:
// every call through it fails until it is closed and opened again.
enum class device_state { closed, open, dead };

// An unplug that never ends: the bridge stays gone.
constexpr uint64_t bridge_gone_forever = board_script_gone_for_good;

// The board behind the bridge, from its load: none before the first open
// and when the last load failed. Closing and opening the bridge leaves it alone.
board_kind board = board_kind::none;
// CH341_SIM_BOARD at the last load. A longer value never compares equal,
// so such a board loads again at every open.
char loaded_setting[4096];
uint64_t loaded_us = 0;
uint64_t address_writes_done = 0;
uint64_t data_reads_done = 0;
uint64_t scans_started = 0;  // scans whose first call has been made
uint32_t timed_frame = 0;    // the worn or loose board's frame, read at its scan's first call
frame_line script_frame;     // the script's frame, read at its scan's first call
uint64_t loose_unplugs_done = 0;

device_state device = device_state::closed;
uint64_t bridge_back_us = 0;  // the bridge is gone until then

// The stand-in never goes to a cabinet: whoever runs it without a board is
// told, once a process, what would give one.
void tell_no_board_once()
{
    static bool told = false;
    if (!told) {
        told = true;
        fprintf(stderr, "ch341 stand-in: CH341_SIM_BOARD is not set, so there is no bridge: "
                        "see sim/ch341dll/README.md\n");
    }
}

const char *bool_name(BOOL value)
{
    return value ? "TRUE" : "FALSE";
}

bool bridge_gone(uint64_t now_us)
{
    return now_us < bridge_back_us;
}

// The bridge goes away for gone_us (bridge_gone_forever: for good); an open dies with it.
void bridge_unplug(uint64_t now_us, uint64_t gone_us)
{
    bridge_back_us = gone_us == bridge_gone_forever ? bridge_gone_forever : now_us + gone_us;
    if (device == device_state::open) {
        device = device_state::dead;
    }
}

// A new board is a new bridge, plugged in, with nothing served yet.
void board_load(const char *setting, uint64_t now_us)
{
    snprintf(loaded_setting, sizeof loaded_setting, "%s", setting);
    board = board_kind::none;
    loaded_us = now_us;
    address_writes_done = 0;
    data_reads_done = 0;
    scans_started = 0;
    loose_unplugs_done = 0;
    device = device_state::closed;
    bridge_back_us = 0;
    if (setting[0] == '\0') {
        tell_no_board_once();
        return;
    }
    if (strcmp(setting, "demo") == 0) {
        board = board_kind::demo;
    } else if (strcmp(setting, "worn") == 0) {
        board = board_kind::worn;
    } else if (strcmp(setting, "loose") == 0) {
        board = board_kind::loose;
    } else if (board_script_load(setting)) {
        board = board_kind::script;
    }
}

// The loose board's time: an unplug of its own begins at the first call that falls in it.
void loose_time_passes(uint64_t now_us)
{
    if (board != board_kind::loose) {
        return;
    }
    loose_moment moment = board_loose_at(now_us - loaded_us);
    if (moment.link == loose_link::unplugged && moment.unplug != loose_unplugs_done) {
        loose_unplugs_done = moment.unplug;
        bridge_unplug(now_us, moment.unplug_left_us);
    }
}

// Whether a call at now_us reaches the board: the bridge is there and the
// open works; the loose board's link may be failing all the same.
bool bridge_answers(uint64_t now_us)
{
    loose_time_passes(now_us);
    return device == device_state::open;
}

bool loose_link_failing(uint64_t now_us)
{
    return board == board_kind::loose &&
           board_loose_at(now_us - loaded_us).link == loose_link::failing;
}

// A script's unplug-ms line, or its end, comes before the scan that this
// call would start: the bridge goes, and the call fails with the rest.
bool script_unplugs_before(uint64_t scan, uint64_t now_us)
{
    if (board != board_kind::script || scan < scans_started) {
        return false;
    }
    uint64_t gone_us = board_script_next_scan(now_us);
    if (gone_us == 0) {
        return false;
    }
    bridge_unplug(now_us, gone_us);
    return true;
}

// The first call of a scan, address write or data read, starts it: the
// script's pace holds it back, and a timed board shows the frame of that moment.
void scan_call(uint64_t scan)
{
    if (scan < scans_started) {
        return;
    }
    scans_started = scan + 1;
    uint32_t pace_us = board == board_kind::script ? board_script_pace_us() : 0;
    uint64_t started_us = bridge_pace_scan_start(pace_us);
    if (board == board_kind::worn) {
        timed_frame = board_worn_frame(started_us - loaded_us);
    } else if (board == board_kind::loose) {
        timed_frame = board_loose_at(started_us - loaded_us).frame;
    } else if (board == board_kind::script) {
        script_frame = board_script_scan();
    }
}

// A data read without the bridge's pace.
BOOL read_data(ULONG iIndex, PVOID oBuffer, PULONG ioLength, uint64_t now_us)
{
    if (ioLength == nullptr) {
        sim_trace_line(trace_variable, "CH341EppReadData(%lu, length null) -> FALSE",
                       static_cast<unsigned long>(iIndex));
        return FALSE;
    }
    unsigned long requested = static_cast<unsigned long>(*ioLength);
    BOOL result = FALSE;
    bool delivered = false;
    uint8_t data = 0xFF;
    if (iIndex == ch341_bridge_index && oBuffer != nullptr && bridge_answers(now_us) &&
        !script_unplugs_before(data_reads_done / board_frame_bytes, now_us)) {
        uint64_t scan = data_reads_done / board_frame_bytes;
        uint32_t byte = static_cast<uint32_t>(data_reads_done % board_frame_bytes);
        ++data_reads_done;
        scan_call(scan);
        uint32_t bit = 1u << byte;
        if (board == board_kind::demo) {
            data = board_demo_byte(scan, byte);
            result = TRUE;
            delivered = true;
        } else if (board == board_kind::worn || board == board_kind::loose) {
            data = static_cast<uint8_t>(timed_frame >> (8 * byte));
            result = loose_link_failing(now_us) ? FALSE : TRUE;
            delivered = result;
        } else {
            data = script_frame.bytes[byte];
            result = (script_frame.failing_reads & bit) != 0 ? FALSE : TRUE;
            delivered = result && (script_frame.short_reads & bit) == 0;
        }
        delivered = delivered && requested > 0;
    }
    if (delivered) {
        *static_cast<uint8_t *>(oBuffer) = data;
        *ioLength = 1;
        sim_trace_line(trace_variable,
                       "CH341EppReadData(%lu, length %lu) -> TRUE, length 1, data 0x%02X",
                       static_cast<unsigned long>(iIndex), requested, static_cast<unsigned>(data));
    } else {
        *ioLength = 0;
        sim_trace_line(trace_variable, "CH341EppReadData(%lu, length %lu) -> %s, length 0",
                       static_cast<unsigned long>(iIndex), requested, bool_name(result));
    }
    return result;
}

}  // namespace

extern "C" {

CH341DLL_API HANDLE WINAPI CH341OpenDevice(ULONG iIndex)
{
    // The call time comes with this open, so it is applied once it is read.
    uint64_t began_us = bridge_pace_call_begin();
    bool opened = false;
    if (iIndex == ch341_bridge_index) {
        const char *setting = getenv(board_variable);
        setting = setting != nullptr ? setting : "";
        bool paced = bridge_pace_open();
        if (paced && (board == board_kind::none || strcmp(setting, loaded_setting) != 0)) {
            board_load(setting, began_us);
        }
        loose_time_passes(began_us);
        // A dead open stays dead until it is closed.
        if (device != device_state::dead) {
            bool answers = paced && board != board_kind::none && !bridge_gone(began_us);
            device = answers ? device_state::open : device_state::closed;
        }
        opened = device == device_state::open;
    }
    sim_trace_line(trace_variable, "CH341OpenDevice(%lu) -> %s", static_cast<unsigned long>(iIndex),
                   opened ? "handle" : "INVALID_HANDLE_VALUE");
    bridge_pace_call_end(began_us);
    return opened ? board_handle : INVALID_HANDLE_VALUE;
}

CH341DLL_API void WINAPI CH341CloseDevice(ULONG iIndex)
{
    uint64_t began_us = bridge_pace_call_begin();
    if (iIndex == ch341_bridge_index) {
        device = device_state::closed;
    }
    sim_trace_line(trace_variable, "CH341CloseDevice(%lu)", static_cast<unsigned long>(iIndex));
    bridge_pace_call_end(began_us);
}

CH341DLL_API BOOL WINAPI CH341EppSetAddr(ULONG iIndex, UCHAR iAddr)
{
    uint64_t began_us = bridge_pace_call_begin();
    BOOL result = FALSE;
    if (iIndex == ch341_bridge_index && bridge_answers(began_us) &&
        !script_unplugs_before(address_writes_done / board_address_writes_per_scan, began_us)) {
        uint64_t scan = address_writes_done / board_address_writes_per_scan;
        uint32_t write = static_cast<uint32_t>(address_writes_done % board_address_writes_per_scan);
        ++address_writes_done;
        scan_call(scan);
        bool fails = board == board_kind::script
                         ? (script_frame.failing_address_writes & (1u << write)) != 0
                         : loose_link_failing(began_us);
        result = fails ? FALSE : TRUE;
    }
    sim_trace_line(trace_variable, "CH341EppSetAddr(%lu, 0x%02X) -> %s",
                   static_cast<unsigned long>(iIndex), static_cast<unsigned>(iAddr),
                   bool_name(result));
    bridge_pace_call_end(began_us);
    return result;
}

CH341DLL_API BOOL WINAPI CH341EppReadData(ULONG iIndex, PVOID oBuffer, PULONG ioLength)
{
    uint64_t began_us = bridge_pace_call_begin();
    BOOL result = read_data(iIndex, oBuffer, ioLength, began_us);
    bridge_pace_call_end(began_us);
    return result;
}

}  // extern "C"
