// The lattice step, written once against a lane type D of four doubles. Each step_*.cpp
// gives D its backend and includes this header once, inside whatever target it compiles for;
// what the header needs, lattice_lanes.h includes before that target begins.
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
// for 0.2 v), where v + a dt comes out the same either way. Subtracting the partner's term,
// and the zero terms of lanes without a pair (+0.0, or a zero coefficient times a finite d),
// rely on this.
#pragma once

#include "sim/lattice_lanes.h"

namespace lattice {

constexpr double force_scale = 4000.0;
constexpr double gravity = 1.0;      // subtracted from the acceleration's y (units/s^2)
constexpr double damping_rate = 0.2; // times the particle's own velocity

// Four doubles as n vectors V of the compilers' vector type, whose operators are the IEEE
// operations lane by lane. The backend's C gives the rest in its own instructions: vector i
// of four floats widened, four doubles narrowed, rounding to float, a + t u, and the AND
// that zeroes lanes (lattice::BitMask where the integer one serves).
template <class V, class C> struct Doubles {
    static constexpr int n = lanes * sizeof(double) / sizeof(V);
    using Each = std::make_index_sequence<n>; // the vectors, by constant index
    V r[n];

    template <std::size_t... i> static Doubles load(const double* p, std::index_sequence<i...>) {
        Doubles a;
        (std::memcpy(&a.r[i], p + i * lanes / n, sizeof(V)), ...);
        return a;
    }
    template <std::size_t... i> void store(double* p, std::index_sequence<i...>) const {
        (std::memcpy(p + i * lanes / n, &r[i], sizeof(V)), ...);
    }
    static Doubles load(const double* p) { return load(p, Each()); }
    void store(double* p) const { store(p, Each()); }
    static Doubles splat(double x) { return load(std::array<double, lanes>{x, x, x, x}.data()); }
    // One vector's operations, as members so that they compile inside the backend's target
    // region, which GCC does not extend to lambdas.
    static V plus(V x, V y, V) { return x + y; }
    static V minus(V x, V y, V) { return x - y; }
    static V times(V x, V y, V) { return x * y; }
    static V over(V x, V y, V) { return x / y; }
    static V masked(V x, V mask, V) { return C::masked(x, mask); }
    static V rounded(V x, V, V) { return C::to_float(x); }
    template <V (*op)(V, V, V), std::size_t... i>
    Doubles each(Doubles b, Doubles c, std::index_sequence<i...>) const {
        return {{op(r[i], b.r[i], c.r[i])...}};
    }
    Doubles operator+(Doubles b) const { return each<plus>(b, b, Each()); }
    Doubles operator-(Doubles b) const { return each<minus>(b, b, Each()); }
    Doubles operator*(Doubles b) const { return each<times>(b, b, Each()); }
    Doubles operator/(Doubles b) const { return each<over>(b, b, Each()); }
    Doubles to_float() const { return each<rounded>(*this, *this, Each()); }
    // Zeros where bit j of `bits` is clear, even over infinities and NaNs.
    Doubles keep(int bits) const {
        const Doubles mask = load(reinterpret_cast<const double*>(tables.lane_mask[bits]));
        return each<masked>(mask, mask, Each());
    }
    // a + t u where the product t u is exact, so that a fused form gives the same bits.
    Doubles add_times(Doubles t, Doubles u) const { return each<C::add_times>(t, u, Each()); }
    template <std::size_t... i> static Doubles widen(Float4 f, std::index_sequence<i...>) {
        return {{C::widen(f, i)...}};
    }
    static Doubles widen(Float4 f) { return widen(f, Each()); }
    Float4 narrow() const { return C::narrow(r); }
};

// The terms between group g's slots and the slots one half further on, stored at the
// group's ring cells; lanes without a pair store zeros, whatever their positions hold.
template <bool finite, class D>
[[gnu::always_inline]] inline void pair_terms(Frame& f, const D (&r)[half_count], int g) {
    const int first = lanes * g;
    const Float4 p[3] = {load_floats(&f.rows[0][first]), load_floats(&f.rows[1][first]),
                         load_floats(&f.rows[2][first])};
#pragma GCC unroll 13
    for (int h = 0; h < half_count; ++h) {
        const int pairs = tables.pair_lanes[g][h];
        double* const at = f.terms + 3 * h * row + ring_cell(first);
        const int q = first + tables.half[h].delta();
        // d = p - q rounded to float; its squares are exact in double.
        D d[3];
        for (int c = 0; c < 3; ++c) {
            d[c] = D::widen(p[c] - load_floats(&f.rows[c][q]));
        }
        const D s = (d[0] * d[0]).add_times(d[1], d[1]).add_times(d[2], d[2]);
        const D s2 = s * s;
        const D coefficient = (r[h] / s2).add_times(s2, D::splat(-1.0));
        // With every d finite, a zero coefficient gives zero terms; otherwise the terms
        // themselves are masked, which zeroes infinities and NaNs too.
        const D kept = finite ? coefficient.keep(pairs) : coefficient;
        for (int c = 0; c < 3; ++c) {
            const D term = kept * d[c];
            (finite ? term : term.keep(pairs)).store(at + c * row);
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
                                           const Vec3& lift, float dt, Particle* group) {
    const int first = lanes * g;
    const D step = D::splat(dt);
    const float lift_of[3] = {lift.x, lift.y, lift.z};
    Float4 out[6];
    for (int c = 0; c < 3; ++c) {
        // 4000 F is exact in double, so narrowing it gives the float product. Float sums and
        // differences need no double: a float constant minus 0.0 is that constant in every lane.
        Float4 a = (force[c] * D::splat(force_scale)).narrow();
        if (c == 1) {
            a = a - (float(gravity) - Float4{});
        }
        a = a + (lift_of[c] - Float4{});
        const Float4 v = load_floats(&f.rows[c + 3][first]);
        // 0.2 is not a float: the damping product is formed in double.
        a = a - (D::widen(v) * D::splat(damping_rate)).narrow();
        // v + a dt and x + v dt: the products are exact in double, the sums round there.
        out[c + 3] = D::widen(v).add_times(D::widen(a), step).narrow();
        out[c] =
            D::widen(load_floats(&f.rows[c][first])).add_times(D::widen(out[c + 3]), step).narrow();
    }
    // Strictly below y = 0 only: -0.0 and not-a-number are not below.
    using Bits4 = decltype(Float4{} < Float4{});
    const Bits4 flip = (out[1] < Float4{}) & Bits4(-Float4{}); // the sign bit, where below
    out[1] = Float4(Bits4(out[1]) ^ flip);
    out[4] = Float4(Bits4(out[4]) ^ flip);
    to_particles(out, group);
}

// The sums of a block's groups from step s on, the groups in `order` side by side while the
// first `active` of them have terms left, then one fewer. Each sum is rounded to float after
// every addition; they are independent, so their roundings overlap in time.
template <int active, class D>
[[gnu::always_inline]] inline void sum_terms(const Frame& f, const D (&sign)[2],
                                             const std::uint8_t (&order)[block_groups], int s,
                                             D (&force)[block_groups][3]) {
    for (; s < tables.group_steps[order[active - 1]]; ++s) {
        for (int i = 0; i < active; ++i) {
            const double* const at = f.terms + tables.cell[order[i]][s];
            const D& by = sign[tables.minus[order[i]][s]];
            for (int c = 0; c < 3; ++c) {
                force[i][c] = force[i][c].add_times(D::load(at + c * row), by).to_float();
            }
        }
    }
    if constexpr (active > 1) {
        sum_terms<active - 1>(f, sign, order, s, force);
    }
}

// The blocks in turn, each block's terms formed before the block ahead of it is summed, so
// that the sums do not wait on stores just made. `finite`: every position difference is.
template <bool finite, class D>
void run_blocks(Frame& f, const JellyBody& body, float dt, Particle* particles, Particle* tail) {
    // The pair constants R, the eighth power of each half's rest distance: the spacing's
    // times k^4, k = 1, 2 or 3 the squared length of the half's offset, rounded to float.
    const double m = body.spacing;
    const double m8 = m * m * m * m * m * m * m * m;
    D r[half_count];
    for (int h = 0; h < half_count; ++h) {
        const double k = tables.half[h].squared_length();
        r[h] = D::splat(float(m8 * k * k * k * k));
        for (int c = 0; c < 3; ++c) {
            D::splat(0.0).store(f.terms + (3 * h + c) * row + ring - lanes);
        }
    }
    const D sign[2] = {D::splat(1.0), D::splat(-1.0)};
    for (int g = 0; g < block_groups; ++g) {
        pair_terms<finite>(f, r, g);
    }
    for (int b = 0; b < blocks; ++b) {
        for (int g = block_groups * (b + 1); g < block_groups * (b + 2) && g < groups; ++g) {
            pair_terms<finite>(f, r, g);
        }
        D force[block_groups][3];
        for (auto& sum : force) {
            sum[0] = sum[1] = sum[2] = D::splat(0.0);
        }
        sum_terms<block_groups>(f, sign, tables.order[b], 0, force);
        for (int i = 0; i < block_groups; ++i) {
            const int g = tables.order[b][i];
            advance(f, g, force[i], body.lift, dt, g < groups - 1 ? particles + lanes * g : tail);
        }
    }
}

template <class D> void lattice_step(JellyBody& body, float dt) {
    // The last group is its one particle and three ghosts, copied in whole and back in part;
    // the ghosts' position rows run on to position_row.
    Particle* const particles = body.particles.data();
    const int last = lanes * (groups - 1);
    Particle tail[lanes];
    Frame f;
    for (int p = last; p < position_row; ++p) {
        const Particle ghost{{float(p), 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
        if (p < slots) {
            tail[p - last] = p < lattice_particle_count ? particles[p] : ghost;
        }
        f.rows[0][p] = ghost.position.x, f.rows[1][p] = f.rows[2][p] = 0.0f;
    }
    Float4 probe = {};
    for (int g = 0; g < groups; ++g) {
        probe = probe + from_particles(g < groups - 1 ? particles + lanes * g : tail, f, lanes * g);
    }
    if (probe[0] + probe[1] + probe[2] + probe[3] == 0.0f) {
        run_blocks<true, D>(f, body, dt, particles, tail);
    } else {
        run_blocks<false, D>(f, body, dt, particles, tail);
    }
    std::copy(tail, tail + lattice_particle_count - last, particles + last);
}

} // namespace lattice
