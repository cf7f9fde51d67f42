#include "monotonic_clock.h"

#include <windows.h>

// Not std::chrono: the runtime's steady clock imports GetTickCount64, which XP
// lacks. Not GetTickCount: its 10-16 ms steps are coarser than one bridge call.
uint64_t monotonic_clock_us()
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

uint64_t monotonic_clock_ms()
{
    return monotonic_clock_us() / 1000u;
}

void monotonic_clock_sleep_ms(uint32_t ms)
{
    // No signal cuts a Windows sleep short.
    Sleep(ms);
}
