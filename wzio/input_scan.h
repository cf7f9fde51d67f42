// One scan of the cabinet inputs over CH341 bridge 0 in EPP mode.
#ifndef WZIO_INPUT_SCAN_H
#define WZIO_INPUT_SCAN_H

#include <stdint.h>

// Clears *panel and *sys, issues the twelve bridge calls and stores the
// decoded inputs. Returns false, leaving both 0, when any bridge call failed.
bool input_scan(uint16_t *panel, uint8_t *sys);

#endif
