#include "view_end.h"

#include "console.h"

bool view_should_end(unsigned int keys)
{
    return (keys & console_key_escape) != 0 || console_interruption() != nullptr;
}

bool view_scan_limit_reached(const view_settings &settings, const cycle_counts &counts)
{
    return settings.scan_limit != 0 && counts.scans == settings.scan_limit;
}
