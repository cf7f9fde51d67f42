#include "plot_file.h"

#include <stdio.h>
#include <windows.h>

const char *plot_file_replace(const char *written, const char *target)
{
    // rename() on Windows fails when the target exists; MoveFileEx replaces it.
    if (MoveFileExA(written, target, MOVEFILE_REPLACE_EXISTING) != 0) {
        return nullptr;
    }
    static char reason[48];
    snprintf(reason, sizeof reason, "Windows error %lu",
             static_cast<unsigned long>(GetLastError()));
    return reason;
}
