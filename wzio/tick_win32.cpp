#include <windows.h>

#include "link_tick.h"

// GetTickCount is on every Windows the cabinets run, XP included (its
// 64-bit sibling is not); it steps every 10 to 16 ms, which the rule allows.
uint32_t link_tick_ms()
{
    return GetTickCount();
}
