#include "input_scan.h"

#include <stddef.h>

#include <iterator>

#include "ch341dll.h"

namespace {

// The address values the board expects, named for their place in the scan:
// 0xFF before every other value and last, 0x01 once at the start, 0x00
// before each data read.
constexpr UCHAR address_idle = 0xFF;
constexpr UCHAR address_scan_start = 0x01;
constexpr UCHAR address_byte_select = 0x00;

// Frame F is byte0 | byte1 << 8 | byte2 << 16 | byte3 << 24, active-low.
// Entry i is the frame bit of panel button i.
constexpr uint32_t panel_bit_map[16] = {
    0x0100, 0x0400, 0x1000, 0x4000,  // byte 1, even bits ascending
    0x0080, 0x0020, 0x0008, 0x0002,  // byte 0, odd bits descending
    0x0200, 0x0800, 0x2000, 0x8000,  // byte 1, odd bits ascending
    0x0040, 0x0010, 0x0004, 0x0001,  // byte 0, even bits descending
};

// Entry i is the frame bit of system input i; the first two are crossed on the board.
constexpr uint32_t sys_bit_map[3] = {0x20000, 0x10000, 0x80000};

void address_write(UCHAR value, bool *bus_ok)
{
    if (!CH341EppSetAddr(ch341_bridge_index, value)) {
        *bus_ok = false;
    }
}

// A read counts only when the bridge delivered exactly the one byte asked for.
void data_read(uint8_t *byte, bool *bus_ok)
{
    ULONG length = 1;
    if (!CH341EppReadData(ch341_bridge_index, byte, &length) || length != 1) {
        *bus_ok = false;
    }
}

// Bit i of the result is set when frame bit map[i] is 0 (inputs are active-low).
constexpr uint16_t decode_active_low(uint32_t frame, const uint32_t *map, size_t count)
{
    uint16_t active = 0;
    for (size_t i = 0; i < count; ++i) {
        if ((frame & map[i]) == 0) {
            active = static_cast<uint16_t>(active | (1u << i));
        }
    }
    return active;
}

// Every mask is one bit of one byte, so a frame decodes as the OR of what
// each byte decodes to with the others idle (0xFF). Precomputing that per
// byte value turns the decode into three lookups.
constexpr unsigned decoded_bytes = 3;  // byte 3 is covered by no mask

struct frame_byte_decode {
    uint16_t panel[decoded_bytes][256];
    uint8_t sys[decoded_bytes][256];
};

constexpr frame_byte_decode frame_byte_decode_build()
{
    frame_byte_decode table{};
    for (unsigned byte = 0; byte < decoded_bytes; ++byte) {
        for (uint32_t value = 0; value < 256; ++value) {
            uint32_t frame = ~(0xFFu << (8 * byte)) | value << (8 * byte);
            table.panel[byte][value] =
                decode_active_low(frame, panel_bit_map, std::size(panel_bit_map));
            table.sys[byte][value] =
                static_cast<uint8_t>(decode_active_low(frame, sys_bit_map, std::size(sys_bit_map)));
        }
    }
    return table;
}

constexpr frame_byte_decode frame_byte_decode_table = frame_byte_decode_build();

static_assert(frame_byte_decode_table.panel[0][0xFE] == 0x8000, "byte 0 bit 0 is panel bit 15");
static_assert(frame_byte_decode_table.panel[1][0xFE] == 0x0001, "byte 1 bit 0 is panel bit 0");
static_assert(frame_byte_decode_table.sys[2][0xFD] == 0x01, "byte 2 bit 1 is system input 0");

}  // namespace

bool input_scan(uint16_t *panel, uint8_t *sys)
{
    *panel = 0;
    *sys = 0;
    // The frame starts idle (every input inactive); byte 3 is never read.
    uint8_t frame[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    bool bus_ok = true;

    // Every call is made even after a failure, so every scan ends on address_idle.
    address_write(address_idle, &bus_ok);
    address_write(address_scan_start, &bus_ok);
    address_write(address_idle, &bus_ok);
    address_write(address_byte_select, &bus_ok);
    data_read(&frame[0], &bus_ok);
    address_write(address_idle, &bus_ok);
    address_write(address_byte_select, &bus_ok);
    data_read(&frame[1], &bus_ok);
    address_write(address_idle, &bus_ok);
    address_write(address_byte_select, &bus_ok);
    data_read(&frame[2], &bus_ok);
    address_write(address_idle, &bus_ok);

    // A half-read frame would report phantom presses: all or nothing.
    if (!bus_ok) {
        return false;
    }
    const frame_byte_decode &decode = frame_byte_decode_table;
    *panel = static_cast<uint16_t>(decode.panel[0][frame[0]] | decode.panel[1][frame[1]] |
                                   decode.panel[2][frame[2]]);
    *sys = static_cast<uint8_t>(decode.sys[0][frame[0]] | decode.sys[1][frame[1]] |
                                decode.sys[2][frame[2]]);
    return true;
}
