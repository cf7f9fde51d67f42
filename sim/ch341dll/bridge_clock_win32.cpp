#include "bridge_clock.h"

#include <windows.h>

// Not GetTickCount: its 10-16 ms steps are coarser than one bridge call.
uint64_t bridge_clock_us()
{
    // Both calls return non-zero upon success; from XP on they cannot fail.
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    uint64_t ticks = static_cast<uint64_t>(counter.QuadPart);
    uint64_t per_second = static_cast<uint64_t>(frequency.QuadPart);
    // Split so that a fast counter times a million cannot overflow.
    return ticks / per_second * 1000000u + ticks % per_second * 1000000u / per_second;
}
