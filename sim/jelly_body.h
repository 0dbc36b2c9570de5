// The soft cube: a 5 x 5 x 5 lattice of particles held together by neighbour pair forces.
#pragma once

#include "sim/particle.h"
#include "sim/vec3.h"

#include <vector>

// Particle p has lattice coordinates ix = p % 5, iy = (p / 5) % 5, iz = p / 25, so a
// neighbour is reached by adding a fixed offset: +-1 in x, +-5 in y, +-25 in z.
constexpr int lattice_side = 5;
constexpr int lattice_particle_count = lattice_side * lattice_side * lattice_side;

constexpr int lattice_index(int ix, int iy, int iz) {
    return ix + lattice_side * iy + lattice_side * lattice_side * iz;
}

struct JellyBody {
    std::vector<Particle> particles; // empty until init, then exactly 125 in index order
    Vec3 lift{0.0f, 0.0f, 0.0f};     // external acceleration (units/s^2) set by the scene
    float spacing = 0.0f;            // rest distance between axis neighbours (world units)

    // Undeformed cube of edge 1, lowest layer at y = 5.375, spinning at 4 rad/s about the
    // line x = 0, y = 6 (parallel to z).
    void init();
    // Advances every particle by one sub-step of dt seconds.
    void step(float dt);
};
