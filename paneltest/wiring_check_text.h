// What the wiring check (wiring_check.h) says: its prompt, the line under
// it, its verdicts and its total. Each is written into buffer (truncated to
// size, always terminated).
#ifndef PANELTEST_WIRING_CHECK_TEXT_H
#define PANELTEST_WIRING_CHECK_TEXT_H

#include <stddef.h>

#include "wiring_check.h"

// "panel 5: crossed with panel 9", "sys 2: skipped", "panel 0: chatters,
// shortest gap 8.4 ms" (to one decimal), ... for one input.
void wiring_check_format_result(const wiring_check *check, int input, char *buffer, size_t size);

// "check: 15 of 19 ok, 3 failed scans" (the plural stays for 1, so the line has one form).
void wiring_check_format_total(const wiring_check *check, char *buffer, size_t size);

// What the operator is asked to do now, e.g. "Press panel button 5 (row 2,
// column 2), ...", or, after a failed scan, to see to the bridge.
void wiring_check_format_prompt(const wiring_check *check, char *buffer, size_t size);

// What the prompt waits on, or empty: "still active: panel 3" while inputs
// keep it from going on, or the hint of a step not seen (wiring_check_unseen).
void wiring_check_format_waiting(const wiring_check *check, char *buffer, size_t size);

// The latest verdict, "panel 3, sys 1: stuck active" before the first, or "--".
void wiring_check_format_last(const wiring_check *check, char *buffer, size_t size);

#endif
