// Monotonic ticks: the C++ steady clock in nanoseconds on desktop systems, the page's
// performance.now() in microseconds in a browser.
#include "scene/clock.h"

#if defined(__EMSCRIPTEN__)

#include <emscripten/emscripten.h>

int64_t clock_ticks() {
    // Milliseconds since the page's time origin, with a fraction; whole microseconds are
    // finer than browsers let performance.now() resolve.
    return int64_t(emscripten_get_now() * 1000.0);
}

int64_t clock_ticks_per_second() {
    return 1000000;
}

#else

#include <chrono>

int64_t clock_ticks() {
    const auto since_epoch = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count();
}

int64_t clock_ticks_per_second() {
    return 1000000000;
}

#endif
