// Clock update, lift schedule and sub-stepping, once per displayed frame.
#include "app/frame_driver.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double substep_fraction = 0.01; // times substeps_per_frame covers the interval
constexpr double lift_start_time = 3.0;   // seconds
constexpr double lift_time_divisor = 3.0;
constexpr double lift_amplitude = 1.1;
} // namespace

float lift_at(double time) {
    if (time < lift_start_time) {
        return 0.0f;
    }
    const double q = std::sin(time / lift_time_divisor) * lift_amplitude;
    return float(q * q);
}

float substep_dt(double prev_time, double time) {
    return float(std::min(time - prev_time, max_frame_interval) * substep_fraction);
}

void run_frame(SceneState& state, int64_t now, const FrameDrawing& drawing) {
    state.prev_time = state.time;
    state.time = double(now - state.counter_start) / double(state.counter_frequency);
    if (drawing.setup_camera) {
        drawing.setup_camera(drawing.context, state);
    }
    // Nothing changes time, prev_time or lift during the loop, so both are worked out once.
    const float lift = lift_at(state.time);
    const float dt = substep_dt(state.prev_time, state.time);
    for (int i = 0; i < substeps_per_frame; ++i) {
        state.body.lift = Vec3{0.0f, lift, 0.0f};
        state.body.step(dt);
    }
    if (drawing.draw_scene) {
        drawing.draw_scene(drawing.context, state);
    }
}
