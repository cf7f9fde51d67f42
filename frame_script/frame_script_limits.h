// How much a frame script may hold: the stand-in refuses a script past these
// (sim/ch341dll/README.md, "Frame scripts"), and paneltest --record never writes past them.
#ifndef FRAME_SCRIPT_LIMITS_H
#define FRAME_SCRIPT_LIMITS_H

#include <stdint.h>

constexpr uint32_t frame_script_max_frame_lines = 65536;
// repeat= of one frame line.
constexpr uint32_t frame_script_max_repeat = 1000000;
// A recording's median scan period; a second is more than any view takes.
constexpr uint32_t frame_script_max_pace_us = 1000000;

#endif
