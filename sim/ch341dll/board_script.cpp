#include "board_script.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "frame_script_limits.h"
#include "script_line.h"

namespace {

// A word and the blank after it take two characters; more than fit is still refused.
constexpr uint32_t max_line_words = script_line_size / 2;
// Ten minutes: longer than any test or desk session waits for a bridge.
constexpr uint32_t max_unplug_ms = 600000;

// What a word after the frame bytes does with its number: repeat= sets the
// frame's scans, a fault word marks call N of the scan, at-us= times the line.
void set_repeat(board_frame *frame, uint64_t n)
{
    frame->repeat = static_cast<uint32_t>(n);
}
void mark_address_write(board_frame *frame, uint64_t n)
{
    frame->failing_address_writes |= 1u << (n - 1);
}
void mark_read(board_frame *frame, uint64_t n)
{
    frame->failing_reads |= 1u << (n - 1);
}
void mark_short_read(board_frame *frame, uint64_t n)
{
    frame->short_reads |= 1u << (n - 1);
}
void set_time(board_frame *frame, uint64_t n)
{
    frame->timed = true;
    frame->at_us = n;
}

// A word after the frame bytes: name=N with N in [low, high].
struct frame_word {
    const char *name;
    uint64_t low;
    uint64_t high;
    void (*apply)(board_frame *frame, uint64_t n);
};

constexpr frame_word frame_words[] = {
    {"repeat=", 1, frame_script_max_repeat, set_repeat},
    {"addr-fail=", 1, board_address_writes_per_scan, mark_address_write},
    {"read-fail=", 1, board_frame_bytes, mark_read},
    {"short-read=", 1, board_frame_bytes, mark_short_read},
    {"at-us=", 0, UINT64_MAX, set_time},
};
static_assert(board_address_writes_per_scan <= 32 && board_frame_bytes <= 32,
              "a fault field holds one bit per call of a scan");
constexpr const char *time_word = "at-us=";

// Whether the frame lines carry at-us=; a script holds one kind or the other.
enum class script_timing { not_known, timed, untimed };

board_frame script[frame_script_max_frame_lines];
uint32_t script_frame_count = 0;
script_timing timing = script_timing::not_known;
// The script's pace-us line: whether one was read, and its microseconds (0: none).
struct script_pace_line {
    bool read;
    uint32_t us;
};
script_pace_line script_pace = {false, 0};
// The script's end line: whether one was read, and its time in a timed script.
struct script_end_line {
    bool read;
    uint64_t at_us;
};
script_end_line end_line = {false, 0};
// The unplug-ms lines, in order, each before the frame line it names
// (script_frame_count: after the last, before the next pass).
struct script_unplug {
    uint32_t before_line;
    uint64_t gone_us;
};
script_unplug script_unplugs[frame_script_max_frame_lines];
uint32_t script_unplug_count = 0;

// Where the loaded script is: the frame line served, the scans it has
// served and the unplugs of this pass done; a timed script counts its time
// from the first scan of each pass.
struct script_play {
    bool started;
    uint32_t line;
    uint64_t served;
    uint32_t unplugs_done;
    uint64_t pass_start_us;
};
script_play play = {false, 0, 0, 0, 0};

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

// Applies one word after the bytes, such as read-fail=2; false, with a
// message naming it, on a fault.
bool parse_frame_word(const char *word, board_frame *frame, const char *path, uint32_t line_number)
{
    char what[script_line_size + 40];
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
            return script_error(path, line_number, what);
        }
        known.apply(frame, n);
        return true;
    }
    snprintf(what, sizeof what, "unknown word %s", word);
    return script_error(path, line_number, what);
}

// Frame lines and the end line are all timed or all untimed.
bool check_timing(bool timed, const char *path, uint32_t line_number)
{
    script_timing kind = timed ? script_timing::timed : script_timing::untimed;
    if (timing != script_timing::not_known && timing != kind) {
        return script_error(path, line_number, "timed and untimed lines in one script");
    }
    timing = kind;
    return true;
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
        if (!parse_frame_word(words[i], frame, path, line_number)) {
            return false;
        }
    }
    return check_timing(frame->timed, path, line_number);
}

// "pace-us 1210": one number of microseconds, once a script.
bool parse_pace(char **words, uint32_t count, const char *path, uint32_t line_number)
{
    if (script_pace.read) {
        return script_error(path, line_number, "more than one pace-us line");
    }
    script_pace.read = true;
    if (count != 2 ||
        !script_line_number(words[1], 10, 0, frame_script_max_pace_us, &script_pace.us)) {
        return script_error(path, line_number, "pace-us takes microseconds, 0 to 1000000");
    }
    return true;
}

// "end", or "end at-us=N" in a timed script: the bridge is gone for good after it.
bool parse_end(char **words, uint32_t count, const char *path, uint32_t line_number)
{
    board_frame times = {};
    if (count > 2 || (count == 2 && strncmp(words[1], time_word, strlen(time_word)) != 0)) {
        return script_error(path, line_number, "end takes nothing but at-us=");
    }
    if (count == 2 && !parse_frame_word(words[1], &times, path, line_number)) {
        return false;
    }
    end_line = {true, times.at_us};
    return check_timing(times.timed, path, line_number);
}

// "unplug-ms 300": milliseconds, among the frames.
bool parse_unplug(char **words, uint32_t count, const char *path, uint32_t line_number)
{
    uint32_t ms = 0;
    if (count != 2 || !script_line_number(words[1], 10, 1, max_unplug_ms, &ms)) {
        return script_error(path, line_number, "unplug-ms takes milliseconds, 1 to 600000");
    }
    if (script_unplug_count == frame_script_max_frame_lines) {
        return script_error(path, line_number, "too many unplug-ms lines");
    }
    script_unplugs[script_unplug_count++] = {script_frame_count, uint64_t{ms} * 1000};
    return true;
}

// A line of its own that is no frame: its first word and its parser.
struct script_statement {
    const char *name;
    bool (*parse)(char **words, uint32_t count, const char *path, uint32_t line_number);
};

constexpr script_statement statements[] = {
    {"pace-us", parse_pace},
    {"unplug-ms", parse_unplug},
    {"end", parse_end},
};

const script_statement *statement_of(const char *word)
{
    for (const script_statement &statement : statements) {
        if (strcmp(word, statement.name) == 0) {
            return &statement;
        }
    }
    return nullptr;
}

// Whether the frame line served has had its time: a scan at least, then in
// a timed script until the next line's time (or the end line's), otherwise,
// and for the last line of a timed script without an end, for its repeat
// count of scans.
bool line_done(uint64_t now_us)
{
    if (play.served == 0) {
        return false;
    }
    bool last = play.line + 1 == script_frame_count;
    if (timing == script_timing::timed && !(last && !end_line.read)) {
        uint64_t next_us = last ? end_line.at_us : script[play.line + 1].at_us;
        return now_us - play.pass_start_us >= next_us;
    }
    return play.served >= script[play.line].repeat;
}

}  // namespace

bool board_script_load(const char *path)
{
    script_frame_count = 0;
    timing = script_timing::not_known;
    script_pace = {false, 0};
    end_line = {false, 0};
    script_unplug_count = 0;
    play = {false, 0, 0, 0, 0};
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
        if (end_line.read) {
            ok = script_error(path, file.line_number, "a line after end");
            break;
        }
        const script_statement *statement = statement_of(words[0]);
        if (statement != nullptr) {
            ok = statement->parse(words, count, path, file.line_number);
            continue;
        }
        if (script_frame_count == frame_script_max_frame_lines) {
            ok = script_error(path, file.line_number, "too many frames");
            break;
        }
        board_frame frame = {{0, 0, 0}, 1, 0, 0, 0, false, 0};
        ok = parse_frame(words, count, &frame, path, file.line_number);
        if (ok) {
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
    return timing == script_timing::timed ? 0 : script_pace.us;
}

uint64_t board_script_next_scan(uint64_t now_us)
{
    if (!play.started) {
        play = {true, 0, 0, 0, now_us};
    } else if (line_done(now_us)) {
        ++play.line;
        play.served = 0;
    }
    bool unplug_due = play.unplugs_done < script_unplug_count &&
                      script_unplugs[play.unplugs_done].before_line == play.line;
    if (unplug_due) {
        return script_unplugs[play.unplugs_done++].gone_us;
    }
    if (play.line < script_frame_count) {
        return 0;
    }
    if (end_line.read) {
        return board_script_gone_for_good;
    }
    // The next pass, on a clock of its own.
    play = {true, 0, 0, 0, now_us};
    return board_script_next_scan(now_us);
}

const board_frame &board_script_scan()
{
    ++play.served;
    return script[play.line];
}
