#include "plot_file.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

const char *plot_file_replace(const char *written, const char *target)
{
    // POSIX rename replaces an existing target atomically.
    return rename(written, target) == 0 ? nullptr : strerror(errno);
}
