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
// particle's own velocity (damping ratio 1.1 for a free particle). Only the held particle is
// damped, and no more than the acceleration bound allows, so a released body keeps its
// momentum.
//
// - steer_time: a sub-step closes at most dt / steer_time of the gap to the wanted velocity,
//   0.5 at the longest sub-step (0.005 s), inside explicit integration's limit of 2.
// - approach_time: holding the body up (125 units/s^2 on the one particle) leaves it
//   0.06 units below a still target, a quarter of a lattice spacing.
// - max_pull_acceleration: eight times the body's weight, so it lifts and swings the body
//   briskly; with it the neighbours of the held particle stretch to about twice their rest
//   distance, far from the d^5 growth of the pair force that would tear them.
// - max_pull_speed: the speed the hand can give, and so about the speed of a throw. The
//   stiff pair repulsion is what breaks at long sub-steps: under random targets every frame,
//   6 units/s blew the body up at 2 frames a second (sub-steps of 0.005 s) and 5 and 4 did
//   not, at 2 to 60 frames a second and with random stalls; 4 keeps a margin. A body thrown
//   up at 4 units/s still rises 8 units under this scene's gravity of 1 unit/s^2.
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

bool Grab::pulls() const {
    return particle >= 0 && particle < lattice_particle_count && std::isfinite(target.x) &&
           std::isfinite(target.y) && std::isfinite(target.z);
}

void pull_grabbed(JellyBody& body, const Grab& grab, float dt) {
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
