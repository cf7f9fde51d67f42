#include "script_line.h"

#include <ctype.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>

namespace {

// Editors that save UTF-8 may put this in front of line 1.
constexpr unsigned char utf8_mark[] = {0xEF, 0xBB, 0xBF};

// The next byte of the file, refilling the buffer once it is used up; EOF at
// the end or on a read error.
int script_byte(script_file *script)
{
    if (script->next == script->filled) {
        script->next = 0;
        script->filled = fread(script->buffer, 1, sizeof script->buffer, script->file);
        if (script->filled == 0) {
            script->read_error = ferror(script->file) != 0 ? errno : 0;
            return EOF;
        }
    }
    return script->buffer[script->next++];
}

// A byte-order mark, or a NUL beside an ASCII character in the first two
// bytes: what a Windows editor saves as "Unicode".
bool looks_like_utf16(const unsigned char *bytes, size_t count)
{
    if (count < 2) {
        return false;
    }
    unsigned first = bytes[0];
    unsigned second = bytes[1];
    bool mark = (first == 0xFF && second == 0xFE) || (first == 0xFE && second == 0xFF);
    return mark || ((first == 0) != (second == 0) && (first | second) < 0x80);
}

}  // namespace

bool script_file_open(script_file *script, const char *path)
{
    script->line_number = 0;
    script->read_error = 0;
    script->next = 0;
    script->filled = 0;
    script->file = fopen(path, "rb");
    return script->file != nullptr;
}

void script_file_close(script_file *script)
{
    fclose(script->file);
}

script_line_status script_line_read(script_file *script, char (&line)[script_line_size])
{
    ++script->line_number;
    // Line 1 is judged with the file's first bytes in the buffer, none of them used up yet.
    if (script->line_number == 1 && script_byte(script) != EOF) {
        script->next = 0;
        if (looks_like_utf16(script->buffer, script->filled)) {
            return script_line_status::utf16;
        }
        if (script->filled >= sizeof utf8_mark &&
            memcmp(script->buffer, utf8_mark, sizeof utf8_mark) == 0) {
            script->next = sizeof utf8_mark;
        }
    }
    // Up to script_line_size bytes are kept, the last of them perhaps the CR of a CRLF.
    size_t length = 0;
    int byte = script_byte(script);
    for (; byte != EOF && byte != '\n'; byte = script_byte(script)) {
        if (byte == '\0') {
            return script_line_status::nul_byte;
        }
        if (length == script_line_size) {
            return script_line_status::too_long;
        }
        line[length++] = static_cast<char>(byte);
    }
    if (byte == EOF && ferror(script->file) != 0) {
        return script_line_status::read_error;
    }
    if (byte == EOF && length == 0) {
        return script_line_status::end;
    }
    if (byte == '\n' && length > 0 && line[length - 1] == '\r') {
        --length;
    }
    if (length > script_line_max) {
        return script_line_status::too_long;
    }
    line[length] = '\0';
    return script_line_status::line;
}

const char *script_line_fault(const script_file *script, script_line_status status)
{
    static char cannot_read[96];
    switch (status) {
    case script_line_status::too_long:
        return "line too long";
    case script_line_status::nul_byte:
        return "a NUL byte in the line";
    case script_line_status::utf16:
        return "the file looks like UTF-16: save it as plain text";
    case script_line_status::read_error:
        snprintf(cannot_read, sizeof cannot_read, "cannot read: %s", strerror(script->read_error));
        return cannot_read;
    case script_line_status::line:
    case script_line_status::end:
        break;
    }
    return nullptr;
}

uint32_t script_line_split(char *line, char **words, uint32_t capacity)
{
    line[strcspn(line, "#")] = '\0';
    static const char blanks[] = " \t\r\n";
    uint32_t count = 0;
    for (char *cursor = line + strspn(line, blanks); *cursor != '\0';
         cursor += strspn(cursor, blanks)) {
        if (count == capacity) {
            return capacity + 1;
        }
        words[count++] = cursor;
        cursor += strcspn(cursor, blanks);
        if (*cursor != '\0') {
            *cursor++ = '\0';
        }
    }
    return count;
}

bool script_line_number(const char *text, int base, uint32_t low, uint32_t high, uint32_t *value)
{
    // strtoul would skip blanks and take a sign; a script number starts with a digit.
    if (isalnum(static_cast<unsigned char>(text[0])) == 0) {
        return false;
    }
    char *end = nullptr;
    unsigned long parsed = strtoul(text, &end, base);
    if (*end != '\0' || parsed < low || parsed > high) {
        return false;
    }
    *value = static_cast<uint32_t>(parsed);
    return true;
}

bool script_line_number64(const char *text, uint64_t low, uint64_t high, uint64_t *value)
{
    if (isdigit(static_cast<unsigned char>(text[0])) == 0) {
        return false;
    }
    // strtoull gives its largest value for any number past it, and says so only in errno.
    errno = 0;
    char *end = nullptr;
    unsigned long long parsed = strtoull(text, &end, 10);
    if (*end != '\0' || errno == ERANGE || parsed < low || parsed > high) {
        return false;
    }
    *value = static_cast<uint64_t>(parsed);
    return true;
}
