#include "frame_line.h"

#include <stdio.h>
#include <string.h>

#include "frame_script_limits.h"
#include "script_line.h"

namespace {

// What a word after the frame bytes does with its number: repeat= sets the
// frame's scans, a fault word marks call N of the scan, at-us= times the line.
void set_repeat(frame_line *line, uint64_t n)
{
    line->repeat = static_cast<uint32_t>(n);
}
void mark_address_write(frame_line *line, uint64_t n)
{
    line->failing_address_writes |= 1u << (n - 1);
}
void mark_read(frame_line *line, uint64_t n)
{
    line->failing_reads |= 1u << (n - 1);
}
void mark_short_read(frame_line *line, uint64_t n)
{
    line->short_reads |= 1u << (n - 1);
}
void set_time(frame_line *line, uint64_t n)
{
    line->timed = true;
    line->at_us = n;
}

// A word after the frame bytes: name=N with N in [low, high].
struct frame_word {
    const char *name;
    uint64_t low;
    uint64_t high;
    void (*apply)(frame_line *line, uint64_t n);
};

constexpr frame_word frame_words[] = {
    {"repeat=", 1, frame_script_max_repeat, set_repeat},
    {"addr-fail=", 1, frame_line_address_writes, mark_address_write},
    {"read-fail=", 1, frame_line_bytes, mark_read},
    {"short-read=", 1, frame_line_bytes, mark_short_read},
    {frame_line_time_word, 0, UINT64_MAX, set_time},
};
static_assert(frame_line_address_writes <= 32 && frame_line_bytes <= 32,
              "a fault field holds one bit per call of a scan");

// Hex numbers may carry a 0x in front.
const char *skip_hex_prefix(const char *text)
{
    return text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? text + 2 : text;
}

// One or two hex digits, optionally after 0x.
bool parse_byte(const char *text, uint8_t *value)
{
    text = skip_hex_prefix(text);
    uint32_t parsed = 0;
    if (strlen(text) > 2 || !script_line_number(text, 16, 0, 0xFF, &parsed)) {
        return false;
    }
    *value = static_cast<uint8_t>(parsed);
    return true;
}

// name= and then exactly `digits` hex digits, optionally after 0x, as a number up to high.
bool parse_decoded(const char *word, const char *name, size_t digits, uint32_t high,
                   uint32_t *value)
{
    size_t name_length = strlen(name);
    if (strncmp(word, name, name_length) != 0) {
        return false;
    }
    const char *text = skip_hex_prefix(word + name_length);
    // Exactly that many digits, then the end: strtoul alone takes fewer, or a second 0x.
    return strspn(text, "0123456789abcdefABCDEF") == digits &&
           script_line_number(text, 16, 0, high, value);
}

// The decoded form, "panel=0x0020 sys=0x1": the inputs, which the board's wiring encodes.
const char *parse_decoded_frame(char **words, uint32_t count, frame_line *line)
{
    uint32_t panel = 0;
    uint32_t system = 0;
    if (!parse_decoded(words[0], "panel=", 4, 0xFFFF, &panel)) {
        return "panel= takes four hex digits";
    }
    if (count < 2 || !parse_decoded(words[1], "sys=", 1, 0x7, &system)) {
        return "sys= follows panel= and takes one hex digit, 0 to 7";
    }
    line->decoded = true;
    line->panel = static_cast<uint16_t>(panel);
    line->system = static_cast<uint8_t>(system);
    return nullptr;
}

const char *parse_raw_frame(char **words, uint32_t count, frame_line *line)
{
    for (uint32_t i = 0; i < frame_line_bytes; ++i) {
        if (i == count) {
            return "expected three frame bytes";
        }
        if (!parse_byte(words[i], &line->bytes[i])) {
            return "a frame byte is one or two hex digits";
        }
    }
    return nullptr;
}

}  // namespace

const char *frame_line_parse(char **words, uint32_t count, frame_line *line)
{
    *line = {{0, 0, 0}, false, 0, 0, false, 1, 0, 0, 0, 0};
    bool decoded = strncmp(words[0], "panel=", 6) == 0;
    const char *fault =
        decoded ? parse_decoded_frame(words, count, line) : parse_raw_frame(words, count, line);
    for (uint32_t i = decoded ? 2 : frame_line_bytes; fault == nullptr && i < count; ++i) {
        fault = frame_line_word(words[i], line);
    }
    return fault;
}

const char *frame_line_word(const char *word, frame_line *line)
{
    static char what[script_line_size + 40];
    for (const frame_word &known : frame_words) {
        size_t name_length = strlen(known.name);
        uint64_t n = 0;
        if (strncmp(word, known.name, name_length) != 0) {
            continue;
        }
        if (!script_line_number64(word + name_length, known.low, known.high, &n)) {
            snprintf(what, sizeof what, "%s takes %llu to %llu", known.name,
                     static_cast<unsigned long long>(known.low),
                     static_cast<unsigned long long>(known.high));
            return what;
        }
        known.apply(line, n);
        return nullptr;
    }
    snprintf(what, sizeof what, "unknown word %s", word);
    return what;
}
