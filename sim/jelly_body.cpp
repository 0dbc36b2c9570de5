// The lattice's initial state.
#include "sim/jelly_body.h"

void JellyBody::init() {
    spacing = 0.25f;
    particles.resize(lattice_particle_count, Particle{});
    const double m = spacing;
    for (int ix = 0; ix < lattice_side; ++ix) {
        for (int iy = 0; iy < lattice_side; ++iy) {
            for (int iz = 0; iz < lattice_side; ++iz) {
                Particle& p = particles[lattice_index(ix, iy, iz)];
                // The offset is 2.5 on every axis, so the centre sits half a spacing off
                // the spin axis and the body also drifts at (0.5, -0.5, 0).
                p.position = {float((ix - 2.5) * m), float((iy - 2.5) * m + 6.0),
                              float((iz - 2.5) * m)};
                p.velocity = {float(-4.0 * (iy - 2.5) * m), float(4.0 * (ix - 2.5) * m), 0.0f};
            }
        }
    }
}
