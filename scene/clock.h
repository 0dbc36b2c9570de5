// The clock layer: a monotonic tick counter with a constant, known rate.
#pragma once

#include <cstdint>

int64_t clock_ticks();            // current counter value
int64_t clock_ticks_per_second(); // counter rate, constant while the process runs
