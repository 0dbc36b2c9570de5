// The clock update, lift schedule and sub-stepping of one frame.
#include "scene/scene.h"

#include "mesh/floor_mesh.h"

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

void Scene::start(int64_t start_reading, int64_t frequency) {
    prev_time = 0.0;
    time = 0.0;
    counter_start = start_reading;
    counter_frequency = frequency;
    body.init();
    build_floor_mesh(floor_mesh);
}

double Scene::time_at(int64_t now) const {
    return double(now - counter_start) / double(counter_frequency);
}

void Scene::advance(int64_t now, const Grab& grab) {
    prev_time = time;
    time = time_at(now);
    const bool pulls = grab.pulls();
    // Nothing changes time, prev_time or lift during the loop, so both are worked out once.
    const float lift = lift_at(time);
    const float dt = substep_dt(prev_time, time);
    for (int i = 0; i < substeps_per_frame; ++i) {
        if (pulls) {
            pull_grabbed(body, grab, dt);
        }
        body.lift = Vec3{0.0f, lift, 0.0f};
        body.step(dt);
    }
}
