// The scene a shell advances once a frame: the clock, the body and the floor. It draws
// nothing and links no graphics API, so the headless tools and tests run it as it is.
#pragma once

#include "mesh/grid_mesh.h"
#include "scene/grab.h"
#include "sim/jelly_body.h"

#include <cstdint>

constexpr int substeps_per_frame = 100;
// Longest interval (seconds) that one frame's sub-steps cover. The clock itself is never
// held back: only the simulated interval is bounded, so that a stalled event loop (a
// window drag, a stopped process) cannot blow the body up.
constexpr double max_frame_interval = 0.5;

// The upward lift (units/s^2) at scene time t: zero before 3 s, then 1.21 sin^2(t / 3).
float lift_at(double time);
// One sub-step's length for the frame interval from prev_time to time.
float substep_dt(double prev_time, double time);

struct Scene {
    double prev_time = 0.0;        // `time` of the previous frame (seconds)
    double time = 0.0;             // seconds since the clock start
    int64_t counter_frequency = 0; // clock ticks per second
    int64_t counter_start = 0;     // clock reading at the clock start (ticks)
    JellyBody body;                // the jelly cube
    GridMesh floor_mesh;           // 30 x 30 floor grid in the plane y = 0

    // Scene time 0 at counter reading `counter_start`, the body in its initial state, the
    // floor grid built.
    void start(int64_t counter_start, int64_t counter_frequency);
    // One frame at counter reading `now`: the clock update, then the lift and the 100
    // sub-steps over the interval since the last frame, bounded by max_frame_interval. While
    // `grab` holds a particle (0 to 124) towards a finite target, the pull goes before each
    // sub-step; any other grab is ignored, and nothing held gives the same bits as no grab.
    void advance(int64_t now, const Grab& grab = Grab{});
    // The scene time a frame at counter reading `now` would have, without advancing.
    double time_at(int64_t now) const;
};
