// The copies between the body's particles and the lattice step's lanes: positions and
// velocities by component, four particles to a vector of floats.
#pragma once

#include "sim/pair_tables.h"

namespace lattice {

// Four floats as the compilers' vector type, whose operators are the IEEE operations lane by
// lane: one instruction where the target has vectors, four where it has not.
using Float4 = float __attribute__((vector_size(16)));

inline Float4 load_floats(const float* from) {
    Float4 v;
    std::memcpy(&v, from, sizeof v);
    return v;
}

// The positions and then the velocities by component and slot, and the pair terms. Slots
// past the last particle hold ghosts: distinct finite positions whose terms are dropped.
struct Frame {
    alignas(32) float rows[6][position_row];
    alignas(32) double terms[term_count];
};

// Four particles are 24 consecutive floats, x0 y0 z0 u0 | v0 w0 x1 y1 | z1 u1 v1 w1 | x2 ...
// with (u, v, w) the velocity; these copy them to and from one vector per component. The
// copy in returns x 2 0 summed over the positions: a NaN unless each |x| is at most half the
// largest float, so that every difference of two positions is finite.
inline Float4 from_particles(const Particle* four, Frame& f, int first) {
    Float4 m[6];
    std::memcpy(m, four, sizeof m);
    for (int h = 0; h < 6; h += 3) { // x0 y0 x1 y1, z0 u0 z1 u1, v0 w0 v1 w1; then 2 and 3
        const Float4 a = m[h], b = m[h + 1], c = m[h + 2];
        m[h] = __builtin_shufflevector(a, b, 0, 1, 6, 7);
        m[h + 1] = __builtin_shufflevector(a, c, 2, 3, 4, 5);
        m[h + 2] = __builtin_shufflevector(b, c, 0, 1, 6, 7);
    }
    Float4 probe = {};
    for (int k = 0; k < 3; ++k) {
        const Float4 c[2] = {__builtin_shufflevector(m[k], m[k + 3], 0, 2, 4, 6),
                             __builtin_shufflevector(m[k], m[k + 3], 1, 3, 5, 7)};
        for (int i = 0; i < 2; ++i) {
            std::memcpy(&f.rows[2 * k + i][first], &c[i], sizeof c[i]);
            probe = 2 * k + i < 3 ? probe + c[i] * 2.0f * 0.0f : probe;
        }
    }
    return probe;
}

inline void to_particles(const Float4 (&c)[6], Particle* four) {
    Float4 m[6];
    for (int k = 0; k < 3; ++k) { // x0 y0 x1 y1 and x2 y2 x3 y3, z u likewise, v w likewise
        m[k] = __builtin_shufflevector(c[2 * k], c[2 * k + 1], 0, 4, 1, 5);
        m[k + 3] = __builtin_shufflevector(c[2 * k], c[2 * k + 1], 2, 6, 3, 7);
    }
    for (int h = 0; h < 6; h += 3) {
        const Float4 xy = m[h], zu = m[h + 1], vw = m[h + 2];
        m[h] = __builtin_shufflevector(xy, zu, 0, 1, 4, 5);
        m[h + 1] = __builtin_shufflevector(vw, xy, 0, 1, 6, 7);
        m[h + 2] = __builtin_shufflevector(zu, vw, 2, 3, 6, 7);
    }
    std::memcpy(four, m, sizeof m);
}

} // namespace lattice
