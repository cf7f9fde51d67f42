#include "script_line.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>

script_line_status script_line_read(FILE *file, char *line, int size)
{
    if (fgets(line, size, file) == nullptr) {
        return script_line_status::end;
    }
    // A full buffer without its newline is a longer line, unless the file ends there.
    size_t length = strlen(line);
    bool cut =
        length + 1 == static_cast<size_t>(size) && strchr(line, '\n') == nullptr && !feof(file);
    return cut ? script_line_status::too_long : script_line_status::line;
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
