// Monotonic ticks from the C++ steady clock, counted in nanoseconds on every system.
#include "app/clock.h"

#include <chrono>

int64_t clock_ticks() {
    const auto since_epoch = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count();
}

int64_t clock_ticks_per_second() {
    return 1000000000;
}
