#include "board_script_play.h"

#include "board_script_load.h"

namespace {

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

// Whether the frame line served has had its time: a scan at least, then in
// a timed script until the next line's time (or the end line's), otherwise,
// and for the last line of a timed script without an end, for its repeat
// count of scans.
bool line_done(const loaded_script &script, uint64_t now_us)
{
    if (play.served == 0) {
        return false;
    }
    bool last = play.line + 1 == script.frame_count;
    if (script.set.timing == script_timing::timed && !(last && !script.set.ends)) {
        uint64_t next_us = last ? script.set.end_at_us : script.frames[play.line + 1].at_us;
        return now_us - play.pass_start_us >= next_us;
    }
    return play.served >= script.frames[play.line].repeat;
}

}  // namespace

void board_script_rewind()
{
    play = {false, 0, 0, 0, 0};
}

uint64_t board_script_next_scan(uint64_t now_us)
{
    const loaded_script &script = board_script_loaded();
    if (!play.started) {
        play = {true, 0, 0, 0, now_us};
    } else if (line_done(script, now_us)) {
        ++play.line;
        play.served = 0;
    }
    bool unplug_due = play.unplugs_done < script.unplug_count &&
                      script.unplugs[play.unplugs_done].before_line == play.line;
    if (unplug_due) {
        return script.unplugs[play.unplugs_done++].gone_us;
    }
    if (play.line < script.frame_count) {
        return 0;
    }
    if (script.set.ends) {
        return board_script_gone_for_good;
    }
    // The next pass, on a clock of its own.
    play = {true, 0, 0, 0, now_us};
    return board_script_next_scan(now_us);
}

const frame_line &board_script_scan()
{
    ++play.served;
    return board_script_loaded().frames[play.line];
}
