#include "board_script.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "script_line.h"

namespace {

// A recording of paneltest holds up to this many frame lines.
constexpr uint32_t max_script_frames = 65536;
// A word and the blank after it take two characters; more than fit is still refused.
constexpr uint32_t max_line_words = script_line_size / 2;
constexpr uint32_t max_repeat = 1000000;
// A recording's median scan period; a second is more than any view takes.
constexpr const char *pace_statement = "pace-us";
constexpr uint32_t max_pace_us = 1000000;
// Ten minutes: longer than any test or desk session waits for a bridge.
constexpr const char *unplug_statement = "unplug-ms";
constexpr uint32_t max_unplug_ms = 600000;

// A word after the frame bytes: name=N with N in [low, high]. A fault word
// marks bit N - 1 of its field; repeat= sets its field to N.
struct frame_word {
    const char *name;
    uint32_t low;
    uint32_t high;
    uint32_t board_frame::*field;
    bool marks_bit;
};

constexpr frame_word frame_words[] = {
    {"repeat=", 1, max_repeat, &board_frame::repeat, false},
    {"addr-fail=", 1, board_address_writes_per_scan, &board_frame::failing_address_writes, true},
    {"read-fail=", 1, board_frame_bytes, &board_frame::failing_reads, true},
    {"short-read=", 1, board_frame_bytes, &board_frame::short_reads, true},
};
static_assert(board_address_writes_per_scan <= 32 && board_frame_bytes <= 32,
              "a fault field holds one bit per call of a scan");

board_frame script[max_script_frames];
// Scans in one pass of the script up to and including each frame, repeats included.
uint64_t script_scans_through[max_script_frames];
uint32_t script_frame_count = 0;
uint64_t script_scan_count = 0;  // scans in one pass of the script
// The script's pace-us line: whether one was read, and its microseconds (0: none).
struct script_pace_line {
    bool read;
    uint32_t us;
};
script_pace_line script_pace = {false, 0};
// The unplug-ms lines of one pass, each at the scans in the pass before it.
board_unplug script_unplugs[max_script_frames];
uint32_t script_unplug_count = 0;

// Reports a script fault on stderr; always returns false.
bool script_error(const char *path, uint32_t line, const char *what)
{
    fprintf(stderr, "ch341 stand-in: %s:%u: %s\n", path, static_cast<unsigned>(line), what);
    return false;
}

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

// The decoded form, "panel=0x0020 sys=0x1": the inputs, encoded through the board's wiring.
bool parse_decoded_frame(char **words, uint32_t count, board_frame *frame, const char *path,
                         uint32_t line_number)
{
    uint32_t panel = 0;
    uint32_t system = 0;
    if (!parse_decoded(words[0], "panel=", 4, 0xFFFF, &panel)) {
        return script_error(path, line_number, "panel= takes four hex digits");
    }
    if (count < 2 || !parse_decoded(words[1], "sys=", 1, 0x7, &system)) {
        return script_error(path, line_number,
                            "sys= follows panel= and takes one hex digit, 0 to 7");
    }
    uint32_t bits = board_frame_of(panel, system);
    for (uint32_t i = 0; i < board_frame_bytes; ++i) {
        frame->bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    return true;
}

// Applies one word after the bytes, such as read-fail=2.
bool parse_frame_word(const char *word, board_frame *frame)
{
    for (const frame_word &known : frame_words) {
        size_t name_length = strlen(known.name);
        uint32_t n = 0;
        if (strncmp(word, known.name, name_length) != 0) {
            continue;
        }
        if (!script_line_number(word + name_length, 10, known.low, known.high, &n)) {
            return false;
        }
        uint32_t &field = frame->*known.field;
        field = known.marks_bit ? field | (1u << (n - 1)) : n;
        return true;
    }
    return false;
}

// Parses one frame line of count words, raw or decoded; false (with a message) on a fault.
bool parse_frame(char **words, uint32_t count, board_frame *frame, const char *path,
                 uint32_t line_number)
{
    bool decoded = strncmp(words[0], "panel=", 6) == 0;
    if (decoded && !parse_decoded_frame(words, count, frame, path, line_number)) {
        return false;
    }
    uint32_t first_word = decoded ? 2 : board_frame_bytes;
    for (uint32_t i = 0; !decoded && i < board_frame_bytes; ++i) {
        if (i == count) {
            return script_error(path, line_number, "expected three frame bytes");
        }
        if (!parse_byte(words[i], &frame->bytes[i])) {
            return script_error(path, line_number, "a frame byte is one or two hex digits");
        }
    }
    for (uint32_t i = first_word; i < count; ++i) {
        if (!parse_frame_word(words[i], frame)) {
            return script_error(path, line_number, "unknown word or number out of range");
        }
    }
    return true;
}

// "pace-us 1210": one number of microseconds, once a script.
bool parse_pace(char **words, uint32_t count, const char *path, uint32_t line_number)
{
    if (script_pace.read) {
        return script_error(path, line_number, "more than one pace-us line");
    }
    script_pace.read = true;
    if (count != 2 || !script_line_number(words[1], 10, 0, max_pace_us, &script_pace.us)) {
        return script_error(path, line_number, "pace-us takes microseconds, 0 to 1000000");
    }
    return true;
}

// "unplug-ms 300": milliseconds, among the frames.
bool parse_unplug(char **words, uint32_t count, const char *path, uint32_t line_number)
{
    uint32_t ms = 0;
    if (count != 2 || !script_line_number(words[1], 10, 1, max_unplug_ms, &ms)) {
        return script_error(path, line_number, "unplug-ms takes milliseconds, 1 to 600000");
    }
    if (script_unplug_count == max_script_frames) {
        return script_error(path, line_number, "too many unplug-ms lines");
    }
    script_unplugs[script_unplug_count++] = {script_scan_count, uint64_t{ms} * 1000};
    return true;
}

}  // namespace

bool board_script_load(const char *path)
{
    script_frame_count = 0;
    script_scan_count = 0;
    script_pace = {false, 0};
    script_unplug_count = 0;
    script_file file;
    if (!script_file_open(&file, path)) {
        fprintf(stderr, "ch341 stand-in: cannot read frame script %s: %s\n", path, strerror(errno));
        return false;
    }
    char line[script_line_size];
    char *words[max_line_words];
    bool ok = true;
    while (ok) {
        script_line_status status = script_line_read(&file, line);
        if (status == script_line_status::end) {
            break;
        }
        if (status != script_line_status::line) {
            ok = script_error(path, file.line_number, script_line_fault(&file, status));
            break;
        }
        uint32_t count = script_line_split(line, words, max_line_words);
        if (count > max_line_words) {
            ok = script_error(path, file.line_number, "too many words");
            break;
        }
        if (count == 0) {
            continue;
        }
        if (strcmp(words[0], pace_statement) == 0) {
            ok = parse_pace(words, count, path, file.line_number);
            continue;
        }
        if (strcmp(words[0], unplug_statement) == 0) {
            ok = parse_unplug(words, count, path, file.line_number);
            continue;
        }
        if (script_frame_count == max_script_frames) {
            ok = script_error(path, file.line_number, "too many frames");
            break;
        }
        board_frame frame = {{0, 0, 0}, 1, 0, 0, 0};
        ok = parse_frame(words, count, &frame, path, file.line_number);
        if (ok) {
            script_scan_count += frame.repeat;
            script_scans_through[script_frame_count] = script_scan_count;
            script[script_frame_count++] = frame;
        }
    }
    script_file_close(&file);
    if (ok && script_frame_count == 0) {
        fprintf(stderr, "ch341 stand-in: %s: no frames\n", path);
        ok = false;
    }
    return ok;
}

uint32_t board_script_pace_us()
{
    return script_pace.us;
}

const board_frame &board_script_frame(uint64_t scan)
{
    // Every call of a scan asks, so a long script is searched, not walked.
    uint64_t position = scan % script_scan_count;
    const uint64_t *through =
        std::upper_bound(script_scans_through, script_scans_through + script_frame_count, position);
    return script[through - script_scans_through];
}

bool board_script_unplugs()
{
    return script_unplug_count != 0;
}

board_unplug board_script_unplug(uint64_t k)
{
    board_unplug unplug = script_unplugs[k % script_unplug_count];
    unplug.before_scan += k / script_unplug_count * script_scan_count;
    return unplug;
}
