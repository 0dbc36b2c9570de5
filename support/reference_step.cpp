// The straightforward lattice step: neighbour pair forces, gravity, lift, damping,
// semi-implicit Euler and the mirror contact with the floor plane y = 0, one term at a time.
#include "support/reference_step.h"

namespace {

constexpr double force_scale = 4000.0;
constexpr double gravity = 1.0;      // subtracted from the acceleration's y (units/s^2)
constexpr double damping_rate = 0.2; // times the particle's own velocity

// The 26 neighbour offsets in summation order: 6 axis, 12 face diagonal, 8 body diagonal.
// The order only affects rounding, but it is part of what makes the results reproducible.
struct Offset {
    int dx, dy, dz;
};
constexpr Offset neighbour_offsets[26] = {
    {+1, 0, 0},   {-1, 0, 0},   {0, +1, 0},   {0, -1, 0},   {0, 0, +1},   {0, 0, -1},
    {+1, +1, 0},  {-1, -1, 0},  {+1, -1, 0},  {-1, +1, 0},  {0, +1, +1},  {0, -1, -1},
    {0, +1, -1},  {0, -1, +1},  {+1, 0, +1},  {-1, 0, -1},  {+1, 0, -1},  {-1, 0, +1},
    {+1, +1, +1}, {+1, +1, -1}, {+1, -1, +1}, {+1, -1, -1}, {-1, +1, +1}, {-1, +1, -1},
    {-1, -1, +1}, {-1, -1, -1},
};
constexpr int axis_count = 6;
constexpr int face_count = 12;

struct PairConstants {
    float r[26]; // R of each offset's class: the eighth power of its rest distance
};

PairConstants pair_constants(float spacing) {
    const double m = spacing;
    const double m8 = m * m * m * m * m * m * m * m;
    const float axis = float(m8);
    const float face = float(m8 * 2.0 * 2.0 * 2.0 * 2.0);
    const float body = float(m8 * 3.0 * 3.0 * 3.0 * 3.0);
    PairConstants k{};
    for (int i = 0; i < 26; ++i) {
        k.r[i] = i < axis_count ? axis : i < axis_count + face_count ? face : body;
    }
    return k;
}

// F += c * d for the pair (p, q), with c = R / s^2 - s^2 and s the squared distance.
// s and c stay in double; d and every partial sum of F are rounded to float.
inline void add_pair_term(Vec3& force, const Vec3& p, const Vec3& q, float r) {
    Vec3 d;
    vec_sub(d, p, q);
    const double s = double(d.x) * d.x + double(d.y) * d.y + double(d.z) * d.z;
    const double c = r / (s * s) - s * s;
    force.x = float(force.x + c * d.x);
    force.y = float(force.y + c * d.y);
    force.z = float(force.z + c * d.z);
}

void update_velocity(Particle& particle, const Vec3& force, const Vec3& lift, float dt) {
    Vec3 a;
    a.x = float(force_scale * force.x);
    a.y = float(force_scale * force.y);
    a.z = float(force_scale * force.z);
    a.y = float(a.y - gravity);
    a.x = float(double(a.x) + lift.x);
    a.y = float(double(a.y) + lift.y);
    a.z = float(double(a.z) + lift.z);
    Vec3& v = particle.velocity;
    const Vec3 damping{float(damping_rate * v.x), float(damping_rate * v.y),
                       float(damping_rate * v.z)};
    vec_sub(a, a, damping);
    v.x = float(v.x + double(a.x) * dt);
    v.y = float(v.y + double(a.y) * dt);
    v.z = float(v.z + double(a.z) * dt);
}

} // namespace

void reference_step(JellyBody& body, float dt) {
    const PairConstants k = pair_constants(body.spacing);
    Particle* const lattice = body.particles.data();
    const Vec3& lift = body.lift;

    // Velocity pass. Forces read positions only, and no position moves before the
    // position pass, so the visiting order does not change the result. Offsets that leave
    // the lattice have no neighbour.
    for (int iz = 0; iz < lattice_side; ++iz) {
        for (int iy = 0; iy < lattice_side; ++iy) {
            for (int ix = 0; ix < lattice_side; ++ix) {
                Particle& particle = lattice[lattice_index(ix, iy, iz)];
                Vec3 force{0.0f, 0.0f, 0.0f};
                for (int n = 0; n < 26; ++n) {
                    const Offset& o = neighbour_offsets[n];
                    const int qx = ix + o.dx;
                    const int qy = iy + o.dy;
                    const int qz = iz + o.dz;
                    if (qx < 0 || qx >= lattice_side || qy < 0 || qy >= lattice_side || qz < 0 ||
                        qz >= lattice_side) {
                        continue;
                    }
                    add_pair_term(force, particle.position,
                                  lattice[lattice_index(qx, qy, qz)].position, k.r[n]);
                }
                update_velocity(particle, force, lift, dt);
            }
        }
    }

    // Position pass with the new velocities, then the mirror contact: a particle that
    // ends strictly below y = 0 is put as far above it and its vertical velocity flips.
    // -0.0 and not-a-number are not below the floor.
    for (int p = 0; p < lattice_particle_count; ++p) {
        Vec3& x = lattice[p].position;
        Vec3& v = lattice[p].velocity;
        x.x = float(x.x + double(v.x) * dt);
        x.y = float(x.y + double(v.y) * dt);
        x.z = float(x.z + double(v.z) * dt);
        if (x.y < 0.0f) {
            x.y = -x.y;
            v.y = -v.y;
        }
    }
}
