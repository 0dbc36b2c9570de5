// One point of the lattice. Every particle has the same unit mass, which is not stored.
#pragma once

#include "sim/vec3.h"

struct Particle {
    Vec3 position; // world units; +y is up, the floor is the plane y = 0
    Vec3 velocity; // world units per second
};
