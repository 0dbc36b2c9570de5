// The lattice step, written once against a lane type: D holds four doubles, D::Floats four
// floats, and each step_*.cpp gives them the operations used below and includes this header
// once, inside whatever target it compiles for.
//
// Every rounding is the term-by-term step's own: a float sum or difference formed in double
// and rounded to float is the float operation's result, and so is a product of two floats
// or of a float by 4000, which double holds exactly.
//
// Signed zeros. Adding a zero to a float sum changes it only when the sum is itself zero,
// and then at most flips that zero's sign; so summing extra zeros, or zeros of the other
// sign, changes at most the sign of a zero result. That sign never reaches the particle: a.y
// has 1 subtracted; a.x = 4000 F + lift.x (likewise z) is a zero only when lift.x is, and
// a - damping then keeps a zero's sign only when the damping is +0.0 (v is +0.0 or too small
// for 0.2 v), where v + a dt comes out the same either way. Subtracting the partner's term
// and reading +0.0 for missing neighbours rely on this.
#pragma once

#include "sim/lattice_lanes.h"

namespace lattice {

constexpr double force_scale = 4000.0;
constexpr double gravity = 1.0;      // subtracted from the acceleration's y (units/s^2)
constexpr double damping_rate = 0.2; // times the particle's own velocity

// The old positions and velocities by component and slot, and the pair terms.
struct Frame {
    alignas(32) float pos[3][position_row];
    alignas(32) float vel[3][slots];
    alignas(32) double terms[term_count];
};

// The terms between group g's slots and the slots one half further on, stored at the
// group's ring cells; lanes without a pair store +0.0 (keep), whatever their positions hold.
template <class D>
[[gnu::always_inline]] inline void pair_terms(Frame& f, const D (&r)[half_count], int g) {
    using F = typename D::Floats;
    const int first = lanes * g;
    const F p[3] = {F::load(&f.pos[0][first]), F::load(&f.pos[1][first]),
                    F::load(&f.pos[2][first])};
#pragma GCC unroll 13
    for (int h = 0; h < half_count; ++h) {
        const int pairs = tables.pair_lanes[g][h];
        D term[3] = {D::splat(0.0), D::splat(0.0), D::splat(0.0)};
        if (pairs != 0) {
            const int q = first + tables.half[h].delta();
            // d = p - q rounded to float; its squares are exact in double.
            D d[3];
            for (int c = 0; c < 3; ++c) {
                d[c] = D::widen(p[c] - F::load(&f.pos[c][q]));
            }
            const D s = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
            const D s2 = s * s;
            const D coefficient = r[h] / s2 - s2;
            for (int c = 0; c < 3; ++c) {
                term[c] = (coefficient * d[c]).keep(pairs);
            }
        }
        for (int c = 0; c < 3; ++c) {
            term[c].store(f.terms + (3 * h + c) * row + ring_cell(first));
        }
    }
    if (ring_cell(first) == 0) {
        for (double* at = f.terms; at < f.terms + half_count * 3 * row; at += row) {
            D::load(at).store(at + ring);
        }
    }
}

// Velocities and then positions of group g's particles from their summed forces, and the
// mirror contact with the floor.
template <class D>
[[gnu::always_inline]] inline void advance(const Frame& f, int g, const D (&force)[3],
                                           const Vec3& lift, float dt, Particle* particles) {
    using F = typename D::Floats;
    const int first = lanes * g;
    const D step = D::splat(dt);
    const float lift_of[3] = {lift.x, lift.y, lift.z};
    alignas(32) float out[6][lanes];
    for (int c = 0; c < 3; ++c) {
        // 4000 F is exact in double, so narrowing it gives the float product.
        F a = (force[c] * D::splat(force_scale)).narrow();
        if (c == 1) {
            a = a - F::splat(float(gravity));
        }
        a = a + F::splat(lift_of[c]);
        const F v = F::load(&f.vel[c][first]);
        // 0.2 is not a float: the damping product is formed in double.
        a = a - (D::widen(v) * D::splat(damping_rate)).narrow();
        // v + a dt and x + v dt: the products are exact in double, the sums round there.
        const F v_new = (D::widen(v) + D::widen(a) * step).narrow();
        v_new.store(out[c + 3]);
        (D::widen(F::load(&f.pos[c][first])) + D::widen(v_new) * step).narrow().store(out[c]);
    }
    for (int j = 0; j < lanes && first + j < lattice_particle_count; ++j) {
        // Strictly below y = 0 only: -0.0 and not-a-number are not below.
        const bool below = out[1][j] < 0.0f;
        particles[first + j] = {{out[0][j], below ? -out[1][j] : out[1][j], out[2][j]},
                                {out[3][j], below ? -out[4][j] : out[4][j], out[5][j]}};
    }
}

template <class D> void lattice_step(JellyBody& body, float dt) {
    Particle* const particles = body.particles.data();
    Frame f;
    for (int p = 0; p < position_row; ++p) {
        // Ghost slots get distinct finite positions: their terms are dropped, but stay tame.
        const Particle ghost{{float(p), 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
        const Particle& from = p < lattice_particle_count ? particles[p] : ghost;
        const float component[6] = {from.position.x, from.position.y, from.position.z,
                                    from.velocity.x, from.velocity.y, from.velocity.z};
        for (int c = 0; c < 3 && p < slots; ++c) {
            f.vel[c][p] = component[c + 3];
        }
        for (int c = 0; c < 3; ++c) {
            f.pos[c][p] = component[c];
        }
    }
    // The three pair constants R, the eighth power of each class's rest distance, formed in
    // double from the spacing and rounded to float, then given per half.
    const double m = body.spacing;
    const double m8 = m * m * m * m * m * m * m * m;
    const float by_class[3] = {float(m8), float(m8 * 2.0 * 2.0 * 2.0 * 2.0),
                               float(m8 * 3.0 * 3.0 * 3.0 * 3.0)};
    D r[half_count];
    for (int h = 0; h <= half_count; ++h) {
        r[h % half_count] = D::splat(by_class[tables.half_class[h % half_count]]);
        for (int c = 0; c < 3; ++c) {
            D::splat(0.0).store(f.terms + (3 * h + c) * row + ring - lanes);
        }
    }

    const D sign[2] = {D::splat(1.0), D::splat(-1.0)};
    for (int g = 0; g < block_groups; ++g) {
        pair_terms(f, r, g);
    }
    for (int b = 0; b < blocks; ++b) {
        // The next block's terms first, so that the sums do not wait on stores just made.
        for (int g = block_groups * (b + 1); g < block_groups * (b + 2) && g < groups; ++g) {
            pair_terms(f, r, g);
        }
        // The four groups' sums run side by side, each rounded to float after every addition;
        // they are independent, so their roundings overlap in time.
        D force[block_groups][3];
        for (auto& sum : force) {
            sum[0] = sum[1] = sum[2] = D::splat(0.0);
        }
        for (int s = 0; s < tables.block_steps[b]; ++s) {
            for (int i = 0; i < block_groups; ++i) {
                const int g = block_groups * b + i;
                const double* const at = f.terms + tables.cell[g][s];
                const D& by = sign[tables.minus[g][s]];
                for (int c = 0; c < 3; ++c) {
                    force[i][c] = force[i][c].add_times(D::load(at + c * row), by).to_float();
                }
            }
        }
        for (int i = 0; i < block_groups; ++i) {
            advance(f, block_groups * b + i, force[i], body.lift, dt, particles);
        }
    }
}

} // namespace lattice
