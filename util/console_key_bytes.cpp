// Keys from bytes, the same on every platform: what a terminal, a pipe or a
// file sends for Escape and Space.
#include "console_key_bytes.h"

// A terminal sends Escape as ESC and Space as a space.
constexpr unsigned char console_escape_byte = 0x1B;
constexpr unsigned char console_space_byte = 0x20;

unsigned int console_keys_in_bytes(const unsigned char *bytes, long count)
{
    unsigned int keys = 0;
    for (long i = 0; i < count; ++i) {
        if (bytes[i] == console_escape_byte) {
            keys |= console_key_escape;
        } else if (bytes[i] == console_space_byte) {
            keys |= console_key_space;
        }
    }
    return keys;
}

// On a terminal other keys begin with ESC too: ESC [ and ESC O start a
// sequence (an arrow, a function key) that runs to its final byte, and ESC
// before any other byte is that key with Alt. Neither is a key here. ESC ESC,
// or an ESC that ends what was read, is Escape: a held Escape sends several.
constexpr unsigned char console_sequence_starts[] = {'[', 'O'};
constexpr unsigned char console_sequence_final_low = 0x40;
constexpr unsigned char console_sequence_final_high = 0x7E;

enum class console_terminal_bytes { key, after_escape, in_sequence };

unsigned int console_keys_in_terminal_bytes(const unsigned char *bytes, long count)
{
    unsigned int keys = 0;
    console_terminal_bytes state = console_terminal_bytes::key;
    for (long i = 0; i < count; ++i) {
        unsigned char byte = bytes[i];
        if (state == console_terminal_bytes::after_escape && byte == console_escape_byte) {
            keys |= console_key_escape;
        } else if (byte == console_escape_byte) {
            // An ESC cuts a broken sequence short, as the terminal itself takes it.
            state = console_terminal_bytes::after_escape;
        } else if (state == console_terminal_bytes::after_escape) {
            bool starts = byte == console_sequence_starts[0] || byte == console_sequence_starts[1];
            state = starts ? console_terminal_bytes::in_sequence : console_terminal_bytes::key;
        } else if (state == console_terminal_bytes::in_sequence) {
            bool final_byte =
                byte >= console_sequence_final_low && byte <= console_sequence_final_high;
            state = final_byte ? console_terminal_bytes::key : console_terminal_bytes::in_sequence;
        } else if (byte == console_space_byte) {
            keys |= console_key_space;
        }
    }
    if (state == console_terminal_bytes::after_escape) {
        keys |= console_key_escape;
    }
    return keys;
}
