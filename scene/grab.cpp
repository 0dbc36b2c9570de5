// The pull of a grabbed particle: a velocity servo with both its speed and its acceleration
// bounded, so that no target, however far or sudden, can put more into the body than a
// bounded push on one particle.
#include "scene/grab.h"

#include <cmath>
#include <cstddef>

namespace {

// The particle is steered towards the velocity (target - position) / approach_time, at
// most max_pull_speed, and reaches that velocity with time constant steer_time, its
// acceleration at most max_pull_acceleration. Unclamped this is a spring of stiffness
// 1 / (approach_time steer_time) = 2000 s^-2 with damping 1 / steer_time = 100 s^-1 on the
// particle's own velocity (damping ratio 1.1 for a free particle).
constexpr double approach_time = 0.05;           // s
constexpr double steer_time = 0.01;              // s
constexpr double max_pull_speed = 4.0;           // units/s
constexpr double max_pull_acceleration = 1000.0; // units/s^2

// `v` scaled down to length `limit` when it is longer. Double holds the squares of any
// float differences without overflow, and sqrt is correctly rounded everywhere.
void clamp_length(double (&v)[3], double limit) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length > limit) {
        const double scale = limit / length;
        for (double& c : v) {
            c *= scale;
        }
    }
}

} // namespace

void pull_grabbed(JellyBody& body, const Grab& grab, float dt) {
    if (!grab.holds() || size_t(grab.particle) >= body.particles.size()) {
        return;
    }
    Particle& p = body.particles[size_t(grab.particle)];
    const double target[3] = {grab.target.x, grab.target.y, grab.target.z};
    const double position[3] = {p.position.x, p.position.y, p.position.z};
    const double velocity[3] = {p.velocity.x, p.velocity.y, p.velocity.z};
    double wanted[3];
    for (int c = 0; c < 3; ++c) {
        wanted[c] = (target[c] - position[c]) / approach_time;
    }
    clamp_length(wanted, max_pull_speed);
    double pull[3];
    for (int c = 0; c < 3; ++c) {
        pull[c] = (wanted[c] - velocity[c]) / steer_time;
    }
    clamp_length(pull, max_pull_acceleration);
    p.velocity = {float(velocity[0] + pull[0] * dt), float(velocity[1] + pull[1] * dt),
                  float(velocity[2] + pull[2] * dt)};
}
