#include "plot_run.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "plot_file.h"
#include "plot_read.h"
#include "plot_svg.h"
#include "plot_vcd.h"

namespace {

// Beside OUT, so that the rename stays on its file system.
constexpr char partial_suffix[] = ".partial";
// Windows' MAX_PATH, which its ANSI calls keep to.
constexpr size_t path_size = 260;

plot_trace trace;
char fault[plot_fault_size];
char partial_path[path_size];

const char *write_fault(const char *out, const char *reason)
{
    snprintf(fault, sizeof fault, "Cannot write %.*s: %s", static_cast<int>(path_size), out,
             reason);
    return fault;
}

}  // namespace

const char *plot_run(const plot_settings &settings, uint32_t chatter_ms)
{
    plot_window window = {settings.from_us, settings.to_us, chatter_ms};
    if (!plot_read(settings.recording, window, &trace, fault)) {
        return fault;
    }
    const char *out = settings.out;
    if (strlen(out) + sizeof partial_suffix > sizeof partial_path) {
        return write_fault(out, "the name is too long");
    }
    snprintf(partial_path, sizeof partial_path, "%s%s", out, partial_suffix);
    // Binary: the same bytes on every platform.
    FILE *file = fopen(partial_path, "wb");
    if (file == nullptr) {
        return write_fault(out, strerror(errno));
    }
    bool written = settings.format == plot_format::svg ? plot_svg_write(&trace, file)
                                                       : plot_vcd_write(&trace, file);
    // A full disk may show only as fclose flushes.
    written = fclose(file) == 0 && written;
    const char *reason = written ? plot_file_replace(partial_path, out) : "writing it failed";
    if (reason != nullptr) {
        remove(partial_path);
        return write_fault(out, reason);
    }
    return nullptr;
}
