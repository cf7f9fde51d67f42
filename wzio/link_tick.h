// The millisecond tick the link rule runs on; it wraps at 2^32 (49.7 days).
#ifndef WZIO_LINK_TICK_H
#define WZIO_LINK_TICK_H

#include <stdint.h>

uint32_t link_tick_ms();

#endif
