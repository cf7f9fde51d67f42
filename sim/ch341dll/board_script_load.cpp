#include "board_script_load.h"

#include <stdio.h>

#include "board_script_play.h"
#include "board_wiring.h"
#include "script_line.h"
#include "script_read.h"

namespace {

static_assert(frame_line_bytes == board_frame_bytes &&
                  frame_line_address_writes == board_address_writes_per_scan,
              "a frame line holds the board's scan");

loaded_script script;

// A frame line, whose decoded form the board's wiring encodes, or an unplug
// before the next one; the other statements live in script.set.
const char *parse_line(char **words, uint32_t count, void *)
{
    script_statement statement = script_statements_read(&script.set, words, count);
    if (statement.kind == script_statement_kind::unplug) {
        script.unplugs[script.unplug_count++] = {script.frame_count, statement.gone_us};
    } else if (statement.kind == script_statement_kind::frame) {
        frame_line &frame = script.frames[script.frame_count++];
        frame = statement.frame;
        if (frame.decoded) {
            uint32_t bits = board_frame_of(frame.panel, frame.system);
            for (uint32_t i = 0; i < board_frame_bytes; ++i) {
                frame.bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
            }
        }
    }
    return statement.fault;
}

}  // namespace

bool board_script_load(const char *path)
{
    script.frame_count = 0;
    script.unplug_count = 0;
    script_statements_start(&script.set);
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
    return script.set.timing == script_timing::timed ? 0 : script.set.pace_us;
}

const loaded_script &board_script_loaded()
{
    return script;
}
