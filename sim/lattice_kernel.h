// The lattice step, written once against a lane type L = Lanes<V, Isa> of four doubles. Each
// step_*.cpp includes it once, inside its target region, after the headers it needs.
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

#include "sim/particle_lanes.h"
#include "sim/step_backends.h"

namespace lattice {

constexpr double force_scale = 4000.0;
constexpr double gravity = 1.0;      // subtracted from the acceleration's y (units/s^2)
constexpr double damping_rate = 0.2; // times the particle's own velocity

// Four doubles, one a lane, as `count` vectors of the compilers' vector type V, whose
// operators are the IEEE operations lane by lane. The instruction set's Isa gives the rest:
// the conversions, round_to_float, add_exact_product and and_mask (IntegerAnd may serve).
template <class V, class Isa> struct Lanes {
    static constexpr int count = lanes * sizeof(double) / sizeof(V);
    using EachVector = std::make_index_sequence<count>; // the vectors, by constant index
    V vectors[count];
    template <std::size_t... i> static Lanes load(const double* from, std::index_sequence<i...>) {
        Lanes a;
        (std::memcpy(&a.vectors[i], from + i * lanes / count, sizeof(V)), ...);
        return a;
    }
    template <std::size_t... i> void store(double* to, std::index_sequence<i...>) const {
        (std::memcpy(to + i * lanes / count, &vectors[i], sizeof(V)), ...);
    }
    static Lanes load(const double* from) { return load(from, EachVector()); }
    void store(double* to) const { store(to, EachVector()); }
    static Lanes splat(double x) { return load(std::array<double, lanes>{x, x, x, x}.data()); }
    // One vector's operations, as members so that they compile inside the backend's target
    // region, which GCC does not extend to lambdas.
    static V plus(V x, V y, V) { return x + y; }
    static V minus(V x, V y, V) { return x - y; }
    static V times(V x, V y, V) { return x * y; }
    static V over(V x, V y, V) { return x / y; }
    static V and_mask(V x, V mask, V) { return Isa::and_mask(x, mask); }
    static V rounded(V x, V, V) { return Isa::round_to_float(x); }
    template <V (*op)(V, V, V), std::size_t... i>
    Lanes lanewise(Lanes b, Lanes c, std::index_sequence<i...>) const {
        return {{op(vectors[i], b.vectors[i], c.vectors[i])...}};
    }
    Lanes operator+(Lanes b) const { return lanewise<plus>(b, b, EachVector()); }
    Lanes operator-(Lanes b) const { return lanewise<minus>(b, b, EachVector()); }
    Lanes operator*(Lanes b) const { return lanewise<times>(b, b, EachVector()); }
    Lanes operator/(Lanes b) const { return lanewise<over>(b, b, EachVector()); }
    Lanes rounded_to_float() const { return lanewise<rounded>(*this, *this, EachVector()); }
    // Zeros where bit j of `lane_bits` is clear, even over infinities and NaNs.
    Lanes zeroed_outside(int lane_bits) const {
        const auto* mask = reinterpret_cast<const double*>(tables.lane_mask[lane_bits]);
        return lanewise<and_mask>(load(mask), load(mask), EachVector());
    }
    // this + t u where double holds t u exactly (every caller's is two floats, or a double
    // times +-1), so that a fused multiply-add (AVX2's and NEON's) rounds once, after the sum,
    // as the separate form does. Where a product rounds, fusing changes the bits: not here.
    Lanes add_exact_product(Lanes t, Lanes u) const {
        return lanewise<Isa::add_exact_product>(t, u, EachVector());
    }
    template <std::size_t... i> static Lanes widen(Float4 f, std::index_sequence<i...>) {
        return {{Isa::widen(f, i)...}};
    }
    static Lanes widen(Float4 f) { return widen(f, EachVector()); }
    Float4 narrow() const { return Isa::narrow(vectors); }
};

// The terms between group g's slots and the slots one half further on, stored at the
// group's ring cells; lanes without a pair store zeros, whatever their positions hold.
template <bool all_finite, class L>
[[gnu::always_inline]] inline void pair_terms(Frame& f, const L (&pair_constant)[half_count],
                                              int g) {
    const int first = lanes * g;
    const Float4 p[3] = {load_floats(&f.rows[0][first]), load_floats(&f.rows[1][first]),
                         load_floats(&f.rows[2][first])};
#pragma GCC unroll 13
    for (int h = 0; h < half_count; ++h) {
        const int pairs = tables.pair_lanes[g][h];
        double* const at = f.terms + 3 * h * row + ring_cell(first);
        const int q = first + tables.half[h].delta();
        // d = p - q rounded to float, so its squares are exact products.
        L d[3];
        for (int c = 0; c < 3; ++c) {
            d[c] = L::widen(p[c] - load_floats(&f.rows[c][q]));
        }
        const L squared = (d[0] * d[0]).add_exact_product(d[1], d[1]).add_exact_product(d[2], d[2]);
        const L fourth = squared * squared;
        const L coefficient = (pair_constant[h] / fourth).add_exact_product(fourth, L::splat(-1.0));
        // With every d finite, a zero coefficient gives zero terms; otherwise the terms
        // themselves are masked, which zeroes infinities and NaNs too.
        const L kept = all_finite ? coefficient.zeroed_outside(pairs) : coefficient;
        for (int c = 0; c < 3; ++c) {
            const L term = kept * d[c]; // rounds: never fused
            (all_finite ? term : term.zeroed_outside(pairs)).store(at + c * row);
        }
    }
    if (ring_cell(first) == 0) {
        for (double* at = f.terms; at < f.terms + half_count * 3 * row; at += row) {
            L::load(at).store(at + ring);
        }
    }
}

// Velocities and then positions of group g's particles from their summed forces, and the
// mirror contact with the floor.
template <class L>
[[gnu::always_inline]] inline void advance(const Frame& f, int g, const L (&force)[3],
                                           const Vec3& lift, float dt, Particle* four) {
    const int first = lanes * g;
    const L step = L::splat(dt);
    const float lift_of[3] = {lift.x, lift.y, lift.z};
    Float4 out[6];
    for (int c = 0; c < 3; ++c) {
        // 4000 F is exact in double, so narrowing it gives the float product. Float sums and
        // differences need no double: a float constant minus 0.0 is that constant in every lane.
        Float4 a = (force[c] * L::splat(force_scale)).narrow();
        if (c == 1) {
            a = a - (float(gravity) - Float4{});
        }
        a = a + (lift_of[c] - Float4{});
        const Float4 v = load_floats(&f.rows[c + 3][first]);
        // 0.2 is not a float: the damping product is formed in double.
        a = a - (L::widen(v) * L::splat(damping_rate)).narrow();
        // v + a dt and x + v dt: float times float, so exact products; the sums round once.
        out[c + 3] = L::widen(v).add_exact_product(L::widen(a), step).narrow();
        const L x = L::widen(load_floats(&f.rows[c][first]));
        out[c] = x.add_exact_product(L::widen(out[c + 3]), step).narrow();
    }
    // Strictly below y = 0 only: -0.0 and not-a-number are not below.
    using Bits4 = decltype(Float4{} < Float4{});
    const Bits4 flip = (out[1] < Float4{}) & Bits4(-Float4{}); // the sign bit, where below
    out[1] = Float4(Bits4(out[1]) ^ flip);
    out[4] = Float4(Bits4(out[4]) ^ flip);
    to_particles(out, four);
}

// The sums of a block's groups from step s on, the groups in `order` side by side while the
// first `active` of them have terms left, then one fewer. Each sum is rounded to float after
// every addition; they are independent, so their roundings overlap in time.
template <int active, class L>
[[gnu::always_inline]] inline void sum_terms(const Frame& f, const L (&sign)[2],
                                             const std::uint8_t (&order)[block_groups], int s,
                                             L (&force)[block_groups][3]) {
    for (; s < tables.group_steps[order[active - 1]]; ++s) {
        for (int i = 0; i < active; ++i) {
            const double* const at = f.terms + tables.cell[order[i]][s];
            const L& by = sign[tables.minus[order[i]][s]]; // +-1: the product is the term
            for (int c = 0; c < 3; ++c) {
                force[i][c] =
                    force[i][c].add_exact_product(L::load(at + c * row), by).rounded_to_float();
            }
        }
    }
    if constexpr (active > 1) {
        sum_terms<active - 1>(f, sign, order, s, force);
    }
}

// The ring's safety. Block b sums slots 16b .. 16b + 15, whose terms wait at their pairs'
// leading slots, from farthest_partner before 16b on; block b + 1 has just written up to
// 16b + 31 over the cells of slots one ring earlier. So no cell is overwritten before it is
// read while this span fits in the ring. tests/test_fast_step.cpp replays every lane's reads.
constexpr int farthest_partner = lattice_index(1, 1, 1);
static_assert(farthest_partner + 2 * block_groups * lanes <= ring, "terms wait long enough");

// The blocks in turn, each block's terms formed before the block ahead of it is summed, so
// that the sums do not wait on stores just made. `all_finite`: every position difference is.
template <bool all_finite, class L>
void run_blocks(Frame& f, const JellyBody& body, float dt, Particle* particles, Particle* tail) {
    // The pair constants R, the eighth power of each half's rest distance: the spacing's
    // times k^4, k = 1, 2 or 3 the squared length of the half's offset, rounded to float.
    const double m = body.spacing;
    const double m8 = m * m * m * m * m * m * m * m;
    L pair_constant[half_count];
    for (int h = 0; h < half_count; ++h) {
        const double k = tables.half[h].squared_length();
        pair_constant[h] = L::splat(float(m8 * k * k * k * k));
        for (int c = 0; c < 3; ++c) {
            L::splat(0.0).store(f.terms + (3 * h + c) * row + ring - lanes);
        }
    }
    const L sign[2] = {L::splat(1.0), L::splat(-1.0)};
    for (int g = 0; g < block_groups; ++g) {
        pair_terms<all_finite>(f, pair_constant, g);
    }
    for (int b = 0; b < blocks; ++b) {
        for (int g = block_groups * (b + 1); g < block_groups * (b + 2) && g < groups; ++g) {
            pair_terms<all_finite>(f, pair_constant, g);
        }
        L force[block_groups][3];
        for (auto& sum : force) {
            sum[0] = sum[1] = sum[2] = L::splat(0.0);
        }
        sum_terms<block_groups>(f, sign, tables.order[b], 0, force);
        for (int i = 0; i < block_groups; ++i) {
            const int g = tables.order[b][i];
            advance(f, g, force[i], body.lift, dt, g < groups - 1 ? particles + lanes * g : tail);
        }
    }
}

template <class L> void lattice_step(JellyBody& body, float dt) {
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
        run_blocks<true, L>(f, body, dt, particles, tail);
    } else {
        run_blocks<false, L>(f, body, dt, particles, tail);
    }
    std::copy(tail, tail + lattice_particle_count - last, particles + last);
}

} // namespace lattice
