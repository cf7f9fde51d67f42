// The keys found in random reads of bytes against the documented rule,
// written as a scan that looks ahead rather than as the reader's states.
#include <gtest/gtest.h>
#include <rapidcheck/gtest.h>

#include <string>
#include <vector>

#include "console.h"
#include "console_key_bytes.h"

namespace {

constexpr unsigned char esc = 0x1B;

// A pipe or a file: every ESC is Escape, every space Space.
unsigned int model_pipe_keys(const std::vector<unsigned char> &bytes)
{
    unsigned int keys = 0;
    for (unsigned char byte : bytes) {
        keys |= byte == esc ? console_key_escape : byte == ' ' ? console_key_space : 0u;
    }
    return keys;
}

// A terminal: ESC [ and ESC O start a sequence ignored up to its final byte
// (0x40 to 0x7E; another ESC cuts it short), ESC before any other byte is an
// Alt key, and Escape is an ESC followed by another ESC or by the read's end.
unsigned int model_terminal_keys(const std::vector<unsigned char> &bytes)
{
    unsigned int keys = 0;
    size_t i = 0;
    while (i < bytes.size()) {
        if (bytes[i] != esc) {
            keys |= bytes[i] == ' ' ? console_key_space : 0u;
            ++i;
        } else if (i + 1 == bytes.size() || bytes[i + 1] == esc) {
            keys |= console_key_escape;
            ++i;
        } else if (bytes[i + 1] == '[' || bytes[i + 1] == 'O') {
            i += 2;
            while (i < bytes.size() && bytes[i] != esc && (bytes[i] < 0x40 || bytes[i] > 0x7E)) {
                ++i;
            }
            if (i < bytes.size() && bytes[i] != esc) {
                ++i;  // the final byte
            }
        } else {
            i += 2;  // Alt and a key
        }
    }
    return keys;
}

// Reads made of what the rule turns on: ESC, the sequence starts, finals
// at both ends of their range and just outside it, Space.
rc::Gen<std::vector<unsigned char>> terminal_reads()
{
    const std::vector<std::string> pieces = {"\x1b", "\x1b[", "\x1bO", " ",    "@", "~",   "A",
                                             "1",    ";",     "?",     "\x7f", "x", "\x80"};
    return rc::gen::map(rc::gen::container<std::vector<std::string>>(rc::gen::elementOf(pieces)),
                        [](const std::vector<std::string> &chosen) {
                            std::vector<unsigned char> bytes;
                            for (const std::string &piece : chosen) {
                                bytes.insert(bytes.end(), piece.begin(), piece.end());
                            }
                            return bytes;
                        });
}

RC_GTEST_PROP(ConsoleKeyBytesModel, KeysOfAReadFollowTheRule, ())
{
    // What lies past the count was not read.
    std::vector<unsigned char> read = *terminal_reads(), bytes = read, unread = *terminal_reads();
    bytes.insert(bytes.end(), unread.begin(), unread.end());
    long n = static_cast<long>(read.size());
    RC_ASSERT(console_keys_in_bytes(bytes.data(), n) == model_pipe_keys(read));
    RC_ASSERT(console_keys_in_terminal_bytes(bytes.data(), n) == model_terminal_keys(read));
}

}  // namespace
