// A hand on the body: one particle pulled towards a point, sub-step by sub-step, so that a
// pointer can grab the jelly and throw it.
#pragma once

#include "sim/jelly_body.h"

// What one frame's pull holds: particle `particle` (0 to 124) pulled towards `target` (world
// units), or nothing at all when `particle` is -1.
struct Grab {
    int particle = -1;
    Vec3 target{0.0f, 0.0f, 0.0f};

    bool holds() const { return particle >= 0; }
    // Whether the grab pulls at all: a particle of the lattice (0 to 124) held towards a
    // finite target. Any other grab, from a hostile session file say, is ignored.
    bool pulls() const;
};

// The pull of one sub-step of dt seconds on the grabbed particle's velocity, applied just
// before the body's own step, for a grab that pulls().
void pull_grabbed(JellyBody& body, const Grab& grab, float dt);
