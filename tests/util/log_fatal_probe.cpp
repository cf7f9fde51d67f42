// Binds the console writer, prints a line of its own and dies through the
// level-F logger, so a test can read what reached a redirected stdout.
#include <stdio.h>

#include "log.h"

int main()
{
    log_bind_writer(log_writer_console, nullptr);
    log_writer_console(nullptr, "before\n", 7);
    logger_table[log_level_fatal]("probe", "fatal %d", 42);
}
