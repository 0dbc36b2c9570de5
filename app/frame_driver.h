// The frame driver: turns one clock reading into 100 equal sub-steps of the body.
#pragma once

#include "app/scene_state.h"

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

// What a frame draws, as functions of the drawer's own `context` (a renderer, a recorder);
// both are left out when null (headless tools and tests).
struct FrameDrawing {
    void* context = nullptr;
    void (*setup_camera)(void* context, const SceneState& state) = nullptr; // before the steps
    void (*draw_scene)(void* context, const SceneState& state) = nullptr;   // after them
};

// One frame at counter reading `now`: the clock update, the camera, the lift and the 100
// sub-steps, then the drawing.
void run_frame(SceneState& state, int64_t now, const FrameDrawing& drawing = {});
