#include "sim_clock.h"

#include <windows.h>

uint32_t sim_clock_ms()
{
    // GetTickCount64 is missing on XP; the demo only needs differences.
    return GetTickCount();
}

void sim_sleep_ms(uint32_t ms)
{
    Sleep(ms);
}
