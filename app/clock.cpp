// Monotonic ticks: QueryPerformanceCounter on Windows, CLOCK_MONOTONIC in nanoseconds
// everywhere else.
#include "app/clock.h"

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

int64_t clock_ticks() {
    LARGE_INTEGER value;
    QueryPerformanceCounter(&value);
    return value.QuadPart;
}

int64_t clock_ticks_per_second() {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
}
#else
#include <time.h>

int64_t clock_ticks() {
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t(now.tv_sec) * 1000000000 + int64_t(now.tv_nsec);
}

int64_t clock_ticks_per_second() {
    return 1000000000;
}
#endif
