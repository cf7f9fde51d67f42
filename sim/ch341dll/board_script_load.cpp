#include "board_script_load.h"

#include <stdio.h>
#include <string.h>

#include "board_script_play.h"
#include "board_wiring.h"
#include "script_line.h"
#include "script_read.h"

namespace {

// Ten minutes: longer than any test or desk session waits for a bridge.
constexpr uint32_t max_unplug_ms = 600000;

static_assert(frame_line_bytes == board_frame_bytes &&
                  frame_line_address_writes == board_address_writes_per_scan,
              "a frame line holds the board's scan");

loaded_script script;

// Frame lines and the end line are all timed or all untimed.
const char *check_timing(bool timed)
{
    script_timing kind = timed ? script_timing::timed : script_timing::untimed;
    if (script.timing != script_timing::not_known && script.timing != kind) {
        return "timed and untimed lines in one script";
    }
    script.timing = kind;
    return nullptr;
}

// "pace-us 1210": one number of microseconds, once a script.
const char *parse_pace(char **words, uint32_t count)
{
    if (script.paced) {
        return "more than one pace-us line";
    }
    script.paced = true;
    if (count != 2 ||
        !script_line_number(words[1], 10, 0, frame_script_max_pace_us, &script.pace_us)) {
        return "pace-us takes microseconds, 0 to 1000000";
    }
    return nullptr;
}

// "end", or "end at-us=N" in a timed script: the bridge is gone for good after it.
const char *parse_end(char **words, uint32_t count)
{
    frame_line times = {};
    if (count > 2 || (count == 2 &&
                      strncmp(words[1], frame_line_time_word, strlen(frame_line_time_word)) != 0)) {
        return "end takes nothing but at-us=";
    }
    const char *fault = count == 2 ? frame_line_word(words[1], &times) : nullptr;
    if (fault != nullptr) {
        return fault;
    }
    script.ends = true;
    script.end_at_us = times.at_us;
    return check_timing(times.timed);
}

// "unplug-ms 300": milliseconds, among the frames.
const char *parse_unplug(char **words, uint32_t count)
{
    uint32_t ms = 0;
    if (count != 2 || !script_line_number(words[1], 10, 1, max_unplug_ms, &ms)) {
        return "unplug-ms takes milliseconds, 1 to 600000";
    }
    if (script.unplug_count == frame_script_max_frame_lines) {
        return "too many unplug-ms lines";
    }
    script.unplugs[script.unplug_count++] = {script.frame_count, uint64_t{ms} * 1000};
    return nullptr;
}

// A line of its own that is no frame: its first word and its parser.
struct script_statement {
    const char *name;
    const char *(*parse)(char **words, uint32_t count);
};

constexpr script_statement statements[] = {
    {"pace-us", parse_pace},
    {"unplug-ms", parse_unplug},
    {"end", parse_end},
};

// A frame line, whose decoded form the board's wiring encodes.
const char *parse_frame(char **words, uint32_t count)
{
    if (script.frame_count == frame_script_max_frame_lines) {
        return "too many frames";
    }
    frame_line frame;
    const char *fault = frame_line_parse(words, count, &frame);
    fault = fault != nullptr ? fault : check_timing(frame.timed);
    if (fault != nullptr) {
        return fault;
    }
    if (frame.decoded) {
        uint32_t bits = board_frame_of(frame.panel, frame.system);
        for (uint32_t i = 0; i < board_frame_bytes; ++i) {
            frame.bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
        }
    }
    script.frames[script.frame_count++] = frame;
    return nullptr;
}

const char *parse_line(char **words, uint32_t count, void *)
{
    if (script.ends) {
        return "a line after end";
    }
    for (const script_statement &statement : statements) {
        if (strcmp(words[0], statement.name) == 0) {
            return statement.parse(words, count);
        }
    }
    return parse_frame(words, count);
}

}  // namespace

bool board_script_load(const char *path)
{
    script.frame_count = 0;
    script.timing = script_timing::not_known;
    script.paced = false;
    script.pace_us = 0;
    script.ends = false;
    script.end_at_us = 0;
    script.unplug_count = 0;
    board_script_rewind();
    script_refusal refusal;
    if (!script_read(path, script_line_max_words, parse_line, nullptr, &refusal)) {
        if (!refusal.opened) {
            fprintf(stderr, "ch341 stand-in: cannot read frame script %s: %s\n", path,
                    refusal.what);
        } else {
            fprintf(stderr, "ch341 stand-in: %s:%u: %s\n", path,
                    static_cast<unsigned>(refusal.line_number), refusal.what);
        }
        return false;
    }
    if (script.frame_count == 0) {
        fprintf(stderr, "ch341 stand-in: %s: no frames\n", path);
        return false;
    }
    return true;
}

uint32_t board_script_pace_us()
{
    return script.timing == script_timing::timed ? 0 : script.pace_us;
}

const loaded_script &board_script_loaded()
{
    return script;
}
