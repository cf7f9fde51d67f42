// The CH341 stand-in: a simulated input board behind bridge 0 that serves
// frames from a script or a demo pattern, and a trace of every call.
// README.md beside this file describes the environment and script syntax.
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "ch341dll.h"
#include "sim_trace.h"

namespace {

constexpr const char *trace_variable = "CH341_SIM_TRACE";
constexpr uint32_t board_index = 0;
constexpr uint32_t frame_bytes = 3;
constexpr uint32_t address_writes_per_scan = 9;
constexpr uint32_t max_script_frames = 1024;
constexpr uint32_t max_script_line = 256;
constexpr uint32_t max_repeat = 1000000;

// Any value but INVALID_HANDLE_VALUE; nobody looks inside it.
const HANDLE board_handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(0x341));

// Which frame bit (of byte0 | byte1 << 8 | byte2 << 16) each panel button
// and system input is wired to on the board.
constexpr uint32_t demo_panel_wiring[16] = {
    0x0100, 0x0400, 0x1000, 0x4000, 0x0080, 0x0020, 0x0008, 0x0002,
    0x0200, 0x0800, 0x2000, 0x8000, 0x0040, 0x0010, 0x0004, 0x0001,
};
constexpr uint32_t demo_sys_wiring[3] = {0x20000, 0x10000, 0x80000};
constexpr uint32_t demo_scans_per_step = 32;

struct script_frame {
    uint8_t bytes[frame_bytes];
    uint32_t repeat;
    uint16_t failing_address_writes;  // bit n: address write n + 1 fails
    uint8_t failing_reads;            // bit n: data read n + 1 fails
    uint8_t short_reads;              // bit n: data read n + 1 comes back empty
};

enum class board_kind { none, script, demo };

// none while the device is closed or there is no bridge.
board_kind board = board_kind::none;
script_frame script[max_script_frames];
uint32_t script_frame_count = 0;
uint64_t script_scan_count = 0;  // scans in one pass of the script, repeats included
uint64_t address_writes_done = 0;
uint64_t data_reads_done = 0;

const char *bool_name(BOOL value)
{
    return value ? "TRUE" : "FALSE";
}

// Reports a script fault on stderr; always returns false.
bool script_error(const char *path, uint32_t line, const char *what)
{
    fprintf(stderr, "ch341 stand-in: %s:%u: %s\n", path, static_cast<unsigned>(line), what);
    return false;
}

// Reads a number in [low, high] from text, all of it decimal.
bool parse_count(const char *text, uint32_t low, uint32_t high, uint32_t *value)
{
    if (*text < '0' || *text > '9') {
        return false;
    }
    char *end = nullptr;
    unsigned long parsed = strtoul(text, &end, 10);
    if (*end != '\0' || parsed < low || parsed > high) {
        return false;
    }
    *value = static_cast<uint32_t>(parsed);
    return true;
}

// One or two hex digits, optionally after 0x.
bool parse_byte(const char *text, uint8_t *value)
{
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text += 2;
    }
    size_t length = strlen(text);
    if (length < 1 || length > 2) {
        return false;
    }
    uint32_t parsed = 0;
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        } else {
            return false;
        }
        parsed = parsed * 16 + digit;
    }
    *value = static_cast<uint8_t>(parsed);
    return true;
}

// Applies one word after the bytes, such as read-fail=2.
bool parse_frame_word(const char *word, script_frame *frame)
{
    uint32_t n = 0;
    if (strncmp(word, "repeat=", 7) == 0) {
        return parse_count(word + 7, 1, max_repeat, &frame->repeat);
    }
    if (strncmp(word, "addr-fail=", 10) == 0) {
        if (!parse_count(word + 10, 1, address_writes_per_scan, &n)) {
            return false;
        }
        frame->failing_address_writes =
            static_cast<uint16_t>(frame->failing_address_writes | (1u << (n - 1)));
        return true;
    }
    if (strncmp(word, "read-fail=", 10) == 0) {
        if (!parse_count(word + 10, 1, frame_bytes, &n)) {
            return false;
        }
        frame->failing_reads = static_cast<uint8_t>(frame->failing_reads | (1u << (n - 1)));
        return true;
    }
    if (strncmp(word, "short-read=", 11) == 0) {
        if (!parse_count(word + 11, 1, frame_bytes, &n)) {
            return false;
        }
        frame->short_reads = static_cast<uint8_t>(frame->short_reads | (1u << (n - 1)));
        return true;
    }
    return false;
}

// Fills script[] from the file; false (with a message) on any fault.
bool script_load(const char *path)
{
    script_frame_count = 0;
    script_scan_count = 0;
    FILE *file = fopen(path, "r");
    if (file == nullptr) {
        fprintf(stderr, "ch341 stand-in: cannot read frame script %s\n", path);
        return false;
    }
    char line[max_script_line];
    uint32_t line_number = 0;
    bool ok = true;
    while (ok && fgets(line, sizeof line, file) != nullptr) {
        ++line_number;
        size_t length = strlen(line);
        if (length == sizeof line - 1 && line[length - 1] != '\n' && !feof(file)) {
            ok = script_error(path, line_number, "line too long");
            break;
        }
        char *comment = strchr(line, '#');
        if (comment != nullptr) {
            *comment = '\0';
        }
        static const char separators[] = " \t\r\n";
        char *word = strtok(line, separators);
        if (word == nullptr) {
            continue;
        }
        if (script_frame_count == max_script_frames) {
            ok = script_error(path, line_number, "too many frames");
            break;
        }
        script_frame frame = {{0, 0, 0}, 1, 0, 0, 0};
        for (uint32_t i = 0; i < frame_bytes; ++i) {
            if (word == nullptr) {
                ok = script_error(path, line_number, "expected three frame bytes");
                break;
            }
            if (!parse_byte(word, &frame.bytes[i])) {
                ok = script_error(path, line_number, "a frame byte is one or two hex digits");
                break;
            }
            word = strtok(nullptr, separators);
        }
        for (; ok && word != nullptr; word = strtok(nullptr, separators)) {
            if (!parse_frame_word(word, &frame)) {
                ok = script_error(path, line_number, "unknown word or number out of range");
            }
        }
        if (ok) {
            script[script_frame_count++] = frame;
            script_scan_count += frame.repeat;
        }
    }
    fclose(file);
    if (ok && script_frame_count == 0) {
        fprintf(stderr, "ch341 stand-in: %s: no frames\n", path);
        ok = false;
    }
    return ok;
}

// The script line that serves scan, counting the script round and round.
const script_frame &script_frame_of_scan(uint64_t scan)
{
    uint64_t position = scan % script_scan_count;
    for (uint32_t i = 0; i < script_frame_count; ++i) {
        if (position < script[i].repeat) {
            return script[i];
        }
        position -= script[i].repeat;
    }
    return script[script_frame_count - 1];
}

uint8_t demo_frame_byte(uint64_t scan, uint32_t byte)
{
    uint64_t step = scan / demo_scans_per_step;
    uint32_t low_bits = demo_panel_wiring[step % 16];
    uint64_t sys_value = (step / 16) % 8;
    for (uint32_t i = 0; i < 3; ++i) {
        if (sys_value & (1u << i)) {
            low_bits |= demo_sys_wiring[i];
        }
    }
    uint32_t frame = ~low_bits;
    return static_cast<uint8_t>(frame >> (8 * byte));
}

}  // namespace

extern "C" {

CH341DLL_API HANDLE WINAPI CH341OpenDevice(ULONG iIndex)
{
    bool opened = false;
    if (iIndex == board_index) {
        board = board_kind::none;
        address_writes_done = 0;
        data_reads_done = 0;
        const char *board_setting = getenv("CH341_SIM_BOARD");
        if (board_setting != nullptr && board_setting[0] != '\0') {
            if (strcmp(board_setting, "demo") == 0) {
                board = board_kind::demo;
            } else if (script_load(board_setting)) {
                board = board_kind::script;
            }
        }
        opened = board != board_kind::none;
    }
    sim_trace_line(trace_variable, "CH341OpenDevice(%lu) -> %s", static_cast<unsigned long>(iIndex),
                   opened ? "handle" : "INVALID_HANDLE_VALUE");
    return opened ? board_handle : INVALID_HANDLE_VALUE;
}

CH341DLL_API void WINAPI CH341CloseDevice(ULONG iIndex)
{
    if (iIndex == board_index) {
        board = board_kind::none;
    }
    sim_trace_line(trace_variable, "CH341CloseDevice(%lu)", static_cast<unsigned long>(iIndex));
}

CH341DLL_API BOOL WINAPI CH341EppSetAddr(ULONG iIndex, UCHAR iAddr)
{
    BOOL result = FALSE;
    if (iIndex == board_index && board != board_kind::none) {
        uint64_t scan = address_writes_done / address_writes_per_scan;
        uint32_t write = static_cast<uint32_t>(address_writes_done % address_writes_per_scan);
        ++address_writes_done;
        bool fails = board == board_kind::script &&
                     (script_frame_of_scan(scan).failing_address_writes & (1u << write)) != 0;
        result = fails ? FALSE : TRUE;
    }
    sim_trace_line(trace_variable, "CH341EppSetAddr(%lu, 0x%02X) -> %s",
                   static_cast<unsigned long>(iIndex), static_cast<unsigned>(iAddr),
                   bool_name(result));
    return result;
}

CH341DLL_API BOOL WINAPI CH341EppReadData(ULONG iIndex, PVOID oBuffer, PULONG ioLength)
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
    if (iIndex == board_index && board != board_kind::none && oBuffer != nullptr) {
        uint64_t scan = data_reads_done / frame_bytes;
        uint32_t byte = static_cast<uint32_t>(data_reads_done % frame_bytes);
        ++data_reads_done;
        uint8_t bit = static_cast<uint8_t>(1u << byte);
        if (board == board_kind::demo) {
            data = demo_frame_byte(scan, byte);
            result = TRUE;
            delivered = true;
        } else {
            const script_frame &frame = script_frame_of_scan(scan);
            data = frame.bytes[byte];
            result = (frame.failing_reads & bit) != 0 ? FALSE : TRUE;
            delivered = result && (frame.short_reads & bit) == 0;
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

}  // extern "C"
