#include "plot_read.h"

#include <stdio.h>
#include <string.h>

#include "panel_inputs.h"
#include "script_line.h"
#include "script_read.h"
#include "script_statements.h"
#include "time_units.h"

namespace {

// The first line paneltest --record writes names the build that made it.
constexpr char version_comment[] = "# paneltest ";

plot_recording recording;
script_statements statements;

// A recording's version line, its first, without the "# ".
void read_version(const char *path)
{
    recording.version[0] = '\0';
    script_file file;
    if (!script_file_open(&file, path)) {
        return;
    }
    char line[script_line_size];
    if (script_line_read(&file, line) == script_line_status::line &&
        strncmp(line, version_comment, strlen(version_comment)) == 0) {
        // Cut to fit, as a longer line is no build's.
        size_t length = strlen(line + 2);
        length = length < sizeof recording.version ? length : sizeof recording.version - 1;
        memcpy(recording.version, line + 2, length);
        recording.version[length] = '\0';
    }
    script_file_close(&file);
}

// Keeps frame lines and unplugs; the other statements live in statements.
const char *read_line(char **words, uint32_t count, void *)
{
    script_statement statement = script_statements_read(&statements, words, count);
    const frame_line &frame = statement.frame;
    // The statements' limits leave room for every frame line and unplug.
    plot_line *line = &recording.lines[recording.line_count];
    if (statement.kind == script_statement_kind::unplug) {
        *line = {0, static_cast<uint32_t>(statement.gone_us / us_per_ms), 0, true, false};
        ++recording.line_count;
    } else if (statement.kind == script_statement_kind::frame) {
        if (!frame.decoded) {
            return "raw frame bytes: a recording is needed, replay them with --record first";
        }
        bool failed = (frame.failing_address_writes | frame.failing_reads | frame.short_reads) != 0;
        *line = {frame.at_us, frame.repeat, inputs_of(frame.panel, frame.system), false, failed};
        ++recording.line_count;
    }
    return statement.fault;
}

}  // namespace

bool plot_read(const char *path, const plot_window &window, plot_trace *trace,
               char (&fault)[plot_fault_size])
{
    recording.line_count = 0;
    script_statements_start(&statements);
    script_refusal refusal;
    if (!script_read(path, script_line_max_words, read_line, nullptr, &refusal)) {
        if (!refusal.opened) {
            snprintf(fault, sizeof fault, "Cannot read the recording %s: %s", path, refusal.what);
        } else {
            snprintf(fault, sizeof fault, "Cannot read the recording %s:%u: %s", path,
                     static_cast<unsigned>(refusal.line_number), refusal.what);
        }
        return false;
    }
    if (statements.frame_lines == 0) {
        snprintf(fault, sizeof fault, "Cannot read the recording %s: no frames", path);
        return false;
    }
    read_version(path);
    recording.timed = statements.timing == script_timing::timed;
    recording.pace_us = statements.pace_us;
    recording.ends = statements.ends;
    recording.end_at_us = statements.end_at_us;
    const char *problem = plot_build(&recording, window, trace);
    if (problem != nullptr) {
        snprintf(fault, sizeof fault, "Cannot plot the recording %s: %s", path, problem);
        return false;
    }
    return true;
}
