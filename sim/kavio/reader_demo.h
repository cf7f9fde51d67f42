// The demo the readers play without a scenario, paced by the wall clock.
#ifndef READER_DEMO_H
#define READER_DEMO_H

#include "reader_scenario.h"

// Starts the demo over, at its first moment.
void sim_demo_start();

// The readers' hardware thread: it plays the demo until sim_hardware_stop.
int IO_CALL sim_hardware_run(void *);
void sim_hardware_stop();

// What node's hardware shows in the demo now.
sim_reader_view sim_demo_view(int32_t node);

#endif
