#include "script_read.h"

#include <errno.h>
#include <string.h>

#include "script_line.h"

bool script_read(const char *path, uint32_t max_words, script_statement_reader read_statement,
                 void *context, script_refusal *refusal)
{
    script_file file;
    if (!script_file_open(&file, path)) {
        *refusal = {false, 0, strerror(errno)};
        return false;
    }
    char line[script_line_size];
    char *words[script_line_max_words];
    const char *problem = nullptr;
    while (problem == nullptr) {
        script_line_status status = script_line_read(&file, line);
        if (status == script_line_status::end) {
            break;
        }
        if (status != script_line_status::line) {
            problem = script_line_fault(&file, status);
            break;
        }
        uint32_t count = script_line_split(line, words, max_words);
        if (count > max_words) {
            problem = "too many words";
        } else if (count > 0) {
            problem = read_statement(words, count, context);
        }
    }
    script_file_close(&file);
    *refusal = {true, file.line_number, problem};
    return problem == nullptr;
}
