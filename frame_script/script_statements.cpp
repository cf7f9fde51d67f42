#include "script_statements.h"

#include <string.h>

#include "frame_script_limits.h"
#include "script_line.h"

namespace {

// Ten minutes: longer than any test or desk session waits for a bridge.
constexpr uint32_t max_unplug_ms = 600000;

script_statement fault(const char *what)
{
    script_statement statement = {};
    statement.kind = script_statement_kind::fault;
    statement.fault = what;
    return statement;
}

// Frame lines and the end line are all timed or all untimed, and times never go back.
const char *check_timing(script_statements *statements, const frame_line &times)
{
    script_timing kind = times.timed ? script_timing::timed : script_timing::untimed;
    if (statements->timing != script_timing::not_known && statements->timing != kind) {
        return "timed and untimed lines in one script";
    }
    statements->timing = kind;
    if (times.timed) {
        if (times.at_us < statements->last_at_us) {
            return "at-us= goes back in time";
        }
        statements->last_at_us = times.at_us;
    }
    return nullptr;
}

// "pace-us 1210": one number of microseconds, once a script.
const char *parse_pace(script_statements *statements, char **words, uint32_t count)
{
    if (statements->paced) {
        return "more than one pace-us line";
    }
    statements->paced = true;
    if (count != 2 ||
        !script_line_number(words[1], 10, 0, frame_script_max_pace_us, &statements->pace_us)) {
        return "pace-us takes microseconds, 0 to 1000000";
    }
    return nullptr;
}

// "end", or "end at-us=N" in a timed script: the bridge is gone for good after it.
const char *parse_end(script_statements *statements, char **words, uint32_t count)
{
    frame_line times = {};
    if (count > 2 || (count == 2 &&
                      strncmp(words[1], frame_line_time_word, strlen(frame_line_time_word)) != 0)) {
        return "end takes nothing but at-us=";
    }
    const char *problem = count == 2 ? frame_line_word(words[1], &times) : nullptr;
    if (problem != nullptr) {
        return problem;
    }
    statements->ends = true;
    statements->end_at_us = times.at_us;
    return check_timing(statements, times);
}

// "unplug-ms 300": milliseconds, among the frames.
const char *parse_unplug(script_statements *statements, char **words, uint32_t count,
                         uint64_t *gone_us)
{
    uint32_t ms = 0;
    if (count != 2 || !script_line_number(words[1], 10, 1, max_unplug_ms, &ms)) {
        return "unplug-ms takes milliseconds, 1 to 600000";
    }
    if (statements->unplug_lines == frame_script_max_frame_lines) {
        return "too many unplug-ms lines";
    }
    ++statements->unplug_lines;
    *gone_us = uint64_t{ms} * 1000;
    return nullptr;
}

const char *parse_frame(script_statements *statements, char **words, uint32_t count,
                        frame_line *frame)
{
    if (statements->frame_lines == frame_script_max_frame_lines) {
        return "too many frames";
    }
    const char *problem = frame_line_parse(words, count, frame);
    problem = problem != nullptr ? problem : check_timing(statements, *frame);
    if (problem == nullptr) {
        ++statements->frame_lines;
    }
    return problem;
}

}  // namespace

void script_statements_start(script_statements *statements)
{
    *statements = {};
    statements->timing = script_timing::not_known;
}

script_statement script_statements_read(script_statements *statements, char **words, uint32_t count)
{
    if (statements->ends) {
        return fault("a line after end");
    }
    script_statement statement = {};
    const char *problem = nullptr;
    if (strcmp(words[0], "pace-us") == 0) {
        statement.kind = script_statement_kind::pace;
        problem = parse_pace(statements, words, count);
    } else if (strcmp(words[0], "unplug-ms") == 0) {
        statement.kind = script_statement_kind::unplug;
        problem = parse_unplug(statements, words, count, &statement.gone_us);
    } else if (strcmp(words[0], "end") == 0) {
        statement.kind = script_statement_kind::end;
        problem = parse_end(statements, words, count);
    } else {
        statement.kind = script_statement_kind::frame;
        problem = parse_frame(statements, words, count, &statement.frame);
    }
    return problem != nullptr ? fault(problem) : statement;
}
