// The CH341 stand-in's four calls: a simulated input board behind the bridge
// that serves frames from a script or a built-in board, at a bridge's pace,
// and a trace of every call.
// README.md beside this file describes the environment, the scripts and the trace.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "board_demo.h"
#include "board_script.h"
#include "board_worn.h"
#include "bridge_pace.h"
#include "ch341dll.h"
#include "sim_trace.h"

namespace {

constexpr const char *trace_variable = "CH341_SIM_TRACE";

// Any value but INVALID_HANDLE_VALUE; nobody looks inside it.
const HANDLE board_handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x341));

enum class board_kind { none, script, demo, worn };

// none while the device is closed or there is no bridge.
board_kind board = board_kind::none;
uint64_t address_writes_done = 0;
uint64_t data_reads_done = 0;
uint64_t scans_started = 0;  // scans whose first call has been made
uint64_t opened_us = 0;
uint32_t worn_frame = 0;     // the worn board's frame, read at its scan's first call
// The script's frame for the scan going on; null once the script has ended.
const board_frame *script_frame = nullptr;

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

// The first call of a scan, address write or data read, starts it: the
// script's pace holds it back, and the worn board shows the frame of that moment.
void scan_call(uint64_t scan)
{
    if (scan < scans_started) {
        return;
    }
    scans_started = scan + 1;
    uint32_t pace_us = board == board_kind::script ? board_script_pace_us() : 0;
    uint64_t started_us = bridge_pace_scan_start(pace_us);
    if (board == board_kind::worn) {
        worn_frame = board_worn_frame(started_us - opened_us);
    } else if (board == board_kind::script) {
        script_frame = board_script_scan(started_us);
    }
}

// A data read without the bridge's pace.
BOOL read_data(ULONG iIndex, PVOID oBuffer, PULONG ioLength)
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
    if (iIndex == ch341_bridge_index && board != board_kind::none && oBuffer != nullptr) {
        uint64_t scan = data_reads_done / board_frame_bytes;
        uint32_t byte = static_cast<uint32_t>(data_reads_done % board_frame_bytes);
        ++data_reads_done;
        scan_call(scan);
        uint32_t bit = 1u << byte;
        if (board == board_kind::demo) {
            data = board_demo_byte(scan, byte);
            result = TRUE;
            delivered = true;
        } else if (board == board_kind::worn) {
            data = static_cast<uint8_t>(worn_frame >> (8 * byte));
            result = TRUE;
            delivered = true;
        } else if (script_frame != nullptr) {
            data = script_frame->bytes[byte];
            result = (script_frame->failing_reads & bit) != 0 ? FALSE : TRUE;
            delivered = result && (script_frame->short_reads & bit) == 0;
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
        board = board_kind::none;
        address_writes_done = 0;
        data_reads_done = 0;
        scans_started = 0;
        opened_us = began_us;
        const char *board_setting = getenv("CH341_SIM_BOARD");
        bool paced = bridge_pace_open();
        if (board_setting == nullptr || board_setting[0] == '\0') {
            tell_no_board_once();
        } else if (paced) {
            if (strcmp(board_setting, "demo") == 0) {
                board = board_kind::demo;
            } else if (strcmp(board_setting, "worn") == 0) {
                board = board_kind::worn;
            } else if (board_script_load(board_setting)) {
                board = board_kind::script;
            }
        }
        opened = board != board_kind::none;
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
        board = board_kind::none;
    }
    sim_trace_line(trace_variable, "CH341CloseDevice(%lu)", static_cast<unsigned long>(iIndex));
    bridge_pace_call_end(began_us);
}

CH341DLL_API BOOL WINAPI CH341EppSetAddr(ULONG iIndex, UCHAR iAddr)
{
    uint64_t began_us = bridge_pace_call_begin();
    BOOL result = FALSE;
    if (iIndex == ch341_bridge_index && board != board_kind::none) {
        uint64_t scan = address_writes_done / board_address_writes_per_scan;
        uint32_t write = static_cast<uint32_t>(address_writes_done % board_address_writes_per_scan);
        ++address_writes_done;
        scan_call(scan);
        bool fails = board == board_kind::script &&
                     (script_frame == nullptr ||
                      (script_frame->failing_address_writes & (1u << write)) != 0);
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
    BOOL result = read_data(iIndex, oBuffer, ioLength);
    bridge_pace_call_end(began_us);
    return result;
}

}  // extern "C"
