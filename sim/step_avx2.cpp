// The fast lattice step with AVX2 and FMA: the lane layout of step_lanes.h, a group's four
// lanes in one vector. The functions carry their own target attribute, so this file builds
// with the default flags; JellyBody::step calls them only on a CPU that reports both.
//
// Fused multiply-add rounds a * b + c once. Where a * b is exact (b = 1 or -1, or a product
// of two floats, or a float squared, in double) that single rounding is the very rounding of
// the plain addition, so fma gives the same bits as the separate multiply and add, and runs
// on the multiply units while the additions' units convert. It is used only in that way.
#include "sim/step_lanes.h"

#if defined(__x86_64__)

#include <immintrin.h>

#define JELLY_AVX2 __attribute__((target("avx2,fma")))

namespace step_lanes {

namespace {

struct LaneMasks {
    alignas(32) std::int64_t bits[16][lane_count];
};

constexpr LaneMasks build_lane_masks() {
    LaneMasks m{};
    for (int pattern = 0; pattern < 16; ++pattern) {
        for (int j = 0; j < lane_count; ++j) {
            m.bits[pattern][j] = (pattern >> j) & 1 ? -1 : 0;
        }
    }
    return m;
}

// All ones in lane j where bit j of the pattern is set.
constexpr LaneMasks lane_masks = build_lane_masks();

JELLY_AVX2 inline __m256d lane_mask(int pattern) {
    return _mm256_castsi256_pd(
        _mm256_load_si256(reinterpret_cast<const __m256i*>(lane_masks.bits[pattern])));
}

// What a term is multiplied by as it is added: 1, or -1 where it is subtracted.
alignas(32) constexpr double term_signs[2 * lane_count] = {1.0,  1.0,  1.0,  1.0,
                                                           -1.0, -1.0, -1.0, -1.0};

// Rounds each lane to float and widens it back: the float store of the straightforward step.
JELLY_AVX2 inline __m256d to_float(__m256d x) {
    return _mm256_cvtps_pd(_mm256_cvtpd_ps(x));
}

static_assert(sizeof(Particle) == 6 * sizeof(float), "particles are six packed floats");

// Four particles (24 floats from `from`) split into their six components, four lanes each.
JELLY_AVX2 inline void load_group(const Particle* from, __m128 (&c)[6]) {
    const float* f = reinterpret_cast<const float*>(from);
    // Pairs of floats, as doubles: xy of particle 0, zu of 0 (u, v, w being the velocity) ...
    const __m128d a_lo = _mm_castps_pd(_mm_loadu_ps(f));      // xy0 zu0
    const __m128d a_hi = _mm_castps_pd(_mm_loadu_ps(f + 4));  // vw0 xy1
    const __m128d b_lo = _mm_castps_pd(_mm_loadu_ps(f + 8));  // zu1 vw1
    const __m128d b_hi = _mm_castps_pd(_mm_loadu_ps(f + 12)); // xy2 zu2
    const __m128d c_lo = _mm_castps_pd(_mm_loadu_ps(f + 16)); // vw2 xy3
    const __m128d c_hi = _mm_castps_pd(_mm_loadu_ps(f + 20)); // zu3 vw3
    const __m128 xy_lo = _mm_castpd_ps(_mm_shuffle_pd(a_lo, a_hi, 0b10));
    const __m128 zu_lo = _mm_castpd_ps(_mm_shuffle_pd(a_lo, b_lo, 0b01));
    const __m128 vw_lo = _mm_castpd_ps(_mm_shuffle_pd(a_hi, b_lo, 0b10));
    const __m128 xy_hi = _mm_castpd_ps(_mm_shuffle_pd(b_hi, c_lo, 0b10));
    const __m128 zu_hi = _mm_castpd_ps(_mm_shuffle_pd(b_hi, c_hi, 0b01));
    const __m128 vw_hi = _mm_castpd_ps(_mm_shuffle_pd(c_lo, c_hi, 0b10));
    c[0] = _mm_shuffle_ps(xy_lo, xy_hi, _MM_SHUFFLE(2, 0, 2, 0));
    c[1] = _mm_shuffle_ps(xy_lo, xy_hi, _MM_SHUFFLE(3, 1, 3, 1));
    c[2] = _mm_shuffle_ps(zu_lo, zu_hi, _MM_SHUFFLE(2, 0, 2, 0));
    c[3] = _mm_shuffle_ps(zu_lo, zu_hi, _MM_SHUFFLE(3, 1, 3, 1));
    c[4] = _mm_shuffle_ps(vw_lo, vw_hi, _MM_SHUFFLE(2, 0, 2, 0));
    c[5] = _mm_shuffle_ps(vw_lo, vw_hi, _MM_SHUFFLE(3, 1, 3, 1));
}

JELLY_AVX2 inline void store_pair(float* to, __m128d pair) {
    _mm_storeu_ps(to, _mm_castpd_ps(pair));
}

// The inverse of load_group.
JELLY_AVX2 inline void store_group(const __m128 (&c)[6], Particle* to) {
    float* f = reinterpret_cast<float*>(to);
    const __m128d xy_lo = _mm_castps_pd(_mm_unpacklo_ps(c[0], c[1]));
    const __m128d xy_hi = _mm_castps_pd(_mm_unpackhi_ps(c[0], c[1]));
    const __m128d zu_lo = _mm_castps_pd(_mm_unpacklo_ps(c[2], c[3]));
    const __m128d zu_hi = _mm_castps_pd(_mm_unpackhi_ps(c[2], c[3]));
    const __m128d vw_lo = _mm_castps_pd(_mm_unpacklo_ps(c[4], c[5]));
    const __m128d vw_hi = _mm_castps_pd(_mm_unpackhi_ps(c[4], c[5]));
    store_pair(f, _mm_unpacklo_pd(xy_lo, zu_lo));
    store_pair(f + 4, _mm_shuffle_pd(vw_lo, xy_lo, 0b10));
    store_pair(f + 8, _mm_unpackhi_pd(zu_lo, vw_lo));
    store_pair(f + 12, _mm_unpacklo_pd(xy_hi, zu_hi));
    store_pair(f + 16, _mm_shuffle_pd(vw_hi, xy_hi, 0b10));
    store_pair(f + 20, _mm_unpackhi_pd(zu_hi, vw_hi));
}

// Copies positions and velocities into component arrays and reports whether every position
// is finite.
JELLY_AVX2 bool load_particles(const Particle* lattice, float (&pos)[3][position_row],
                               float (&vel)[3][slot_count]) {
    __m128 finite = _mm_setzero_ps(); // x * 0 is 0 for finite x, NaN otherwise
    const int whole_groups = lattice_particle_count / lane_count;
    for (int g = 0; g < whole_groups; ++g) {
        __m128 c[6];
        load_group(lattice + lane_count * g, c);
        for (int i = 0; i < 3; ++i) {
            _mm_store_ps(&pos[i][lane_count * g], c[i]);
            _mm_store_ps(&vel[i][lane_count * g], c[i + 3]);
            finite = _mm_add_ps(finite, _mm_mul_ps(c[i], _mm_setzero_ps()));
        }
    }
    copy_particles(lattice, lane_count * whole_groups, pos, vel);
    bool all_finite = _mm_movemask_ps(_mm_cmpunord_ps(finite, finite)) == 0;
    for (int p = lane_count * whole_groups; p < lattice_particle_count; ++p) {
        for (int i = 0; i < 3; ++i) {
            all_finite = all_finite && pos[i][p] - pos[i][p] == 0.0f;
        }
    }
    return all_finite;
}

// The pair terms between group g's slots and the slots one half offset further on, in the
// finite or the exact layout of step_lanes.h.
template <bool finite>
JELLY_AVX2 inline __attribute__((always_inline)) void
pair_terms(const float (&pos)[3][position_row], const __m256d (&r)[half_count], int g,
           double* terms) {
    const int first = lane_count * g;
    const int ring = ring_position(first);
    const __m128 p_at[3] = {_mm_load_ps(&pos[0][first]), _mm_load_ps(&pos[1][first]),
                            _mm_load_ps(&pos[2][first])};
    const __m128 minus_one_f = _mm_set1_ps(-1.0f);
    const __m256d minus_zero = _mm256_set1_pd(-0.0);
    for (int n = tables.item_begin[g]; n < tables.item_begin[g + 1]; ++n) {
        const PairItem& item = tables.items[n];
        double* const row = terms + item.row;
        if (item.pair_lanes == 0) {
            for (int i = 0; i < 3; ++i) {
                _mm256_store_pd(row + i * term_row + ring, minus_zero);
                if (ring == 0) {
                    _mm256_store_pd(row + i * term_row + ring_copy, minus_zero);
                }
            }
            continue;
        }
        const __m128 q_at[3] = {_mm_loadu_ps(&pos[0][item.partner]),
                                _mm_loadu_ps(&pos[1][item.partner]),
                                _mm_loadu_ps(&pos[2][item.partner])};
        // d = p - q in float: the double difference rounded to float is the float
        // difference.
        __m256d d[3];
        for (int i = 0; i < 3; ++i) {
            d[i] = _mm256_cvtps_pd(_mm_fmadd_ps(q_at[i], minus_one_f, p_at[i]));
        }
        // s = (dx dx + dy dy) + dz dz; the squares are exact.
        const __m256d s =
            _mm256_fmadd_pd(d[2], d[2], _mm256_fmadd_pd(d[1], d[1], _mm256_mul_pd(d[0], d[0])));
        const __m256d s2 = _mm256_mul_pd(s, s);
        const __m256d c =
            _mm256_fmadd_pd(s2, _mm256_set1_pd(-1.0), _mm256_div_pd(r[item.half], s2));
        const __m256d real = lane_mask(item.pair_lanes);
        if (finite) {
            // Lanes without a pair: 0 * d is a zero, d being finite.
            const __m256d c_real = _mm256_and_pd(c, real);
            for (int i = 0; i < 3; ++i) {
                const __m256d term = _mm256_mul_pd(c_real, d[i]);
                _mm256_store_pd(row + i * term_row + ring, term);
                if (ring == 0) {
                    _mm256_store_pd(row + i * term_row + ring_copy, term);
                }
            }
            continue;
        }
        const int forward = forward_position(g);
        for (int i = 0; i < 3; ++i) {
            // q's own difference: the exact negative of d, except for zeros and NaNs.
            const __m256d e = _mm256_cvtps_pd(_mm_fmadd_ps(p_at[i], minus_one_f, q_at[i]));
            const __m256d to_q = _mm256_blendv_pd(minus_zero, _mm256_mul_pd(c, e), real);
            _mm256_store_pd(row + i * term_row + forward,
                            _mm256_blendv_pd(minus_zero, _mm256_mul_pd(c, d[i]), real));
            _mm256_store_pd(row + i * term_row + ring, to_q);
            if (ring == 0) {
                _mm256_store_pd(row + i * term_row + ring_copy, to_q);
            }
        }
    }
}

// Velocities and then positions of group g's particles from their summed forces. A sum or
// difference of two floats formed in double and rounded to float is the float operation's
// result (double carries more than twice float's precision, so the two roundings agree),
// so those steps run in float.
JELLY_AVX2 void advance(const float (&pos)[3][position_row], const float (&vel)[3][slot_count],
                        int g, const __m256d (&force)[3], const Vec3& lift, float dt,
                        Particle* lattice) {
    const int first = lane_count * g;
    const __m256d step = _mm256_set1_pd(dt);
    const float lift_of[3] = {lift.x, lift.y, lift.z};
    __m128 out[6];
    const __m128 one = _mm_set1_ps(1.0f);
    for (int i = 0; i < 3; ++i) {
        // 4000 F is exact in double, so rounding it to float is the float product.
        __m128 a = _mm256_cvtpd_ps(_mm256_mul_pd(force[i], _mm256_set1_pd(force_scale)));
        if (i == 1) {
            a = _mm_fmadd_ps(a, one, _mm_set1_ps(float(-gravity)));
        }
        a = _mm_fmadd_ps(a, one, _mm_set1_ps(lift_of[i]));
        const __m256d v = _mm256_cvtps_pd(_mm_load_ps(&vel[i][first]));
        // 0.2 is not a float: the damping product is formed in double.
        const __m128 damping = _mm256_cvtpd_ps(_mm256_mul_pd(v, _mm256_set1_pd(damping_rate)));
        a = _mm_fmadd_ps(damping, _mm_set1_ps(-1.0f), a);
        // v + a dt and x + v dt, the products of two floats being exact in double.
        const __m128 v_new = _mm256_cvtpd_ps(_mm256_fmadd_pd(_mm256_cvtps_pd(a), step, v));
        out[i + 3] = v_new;
        out[i] = _mm256_cvtpd_ps(_mm256_fmadd_pd(_mm256_cvtps_pd(v_new), step,
                                                 _mm256_cvtps_pd(_mm_load_ps(&pos[i][first]))));
    }
    // The mirror contact: strictly below y = 0 only; -0.0 and not-a-number are not below.
    const __m128 flip =
        _mm_and_ps(_mm_cmp_ps(out[1], _mm_setzero_ps(), _CMP_LT_OQ), _mm_set1_ps(-0.0f));
    out[1] = _mm_xor_ps(out[1], flip);
    out[4] = _mm_xor_ps(out[4], flip);
    if (first + lane_count <= lattice_particle_count) {
        store_group(out, lattice + first);
        return;
    }
    alignas(16) float lanes[6][lane_count];
    for (int i = 0; i < 6; ++i) {
        _mm_store_ps(lanes[i], out[i]);
    }
    for (int p = first; p < lattice_particle_count; ++p) {
        const int j = p - first;
        lattice[p].position = Vec3{lanes[0][j], lanes[1][j], lanes[2][j]};
        lattice[p].velocity = Vec3{lanes[3][j], lanes[4][j], lanes[5][j]};
    }
}

// Steps [from, to) of the running sums of a block's first `slots` slots. Each sum is
// rounded to float after every addition, each lane in its own neighbour order; the slots'
// sums are independent, so their roundings overlap in time.
template <bool finite, int slots>
JELLY_AVX2 inline __attribute__((always_inline)) void
sum_steps(const double* terms, int from, int to, __m256d (&force)[block_groups][3]) {
    for (int s = from; s < to; ++s) {
        for (int i = 0; i < slots; ++i) {
            // F + t as fma(t, 1, F), or F - t as fma(t, -1, F): subtracting this way also
            // leaves a NaN's sign alone.
            const double* const at =
                terms + (finite ? tables.finite_steps[s][i] : tables.exact_steps[s][i]);
            const __m256d sign =
                _mm256_load_pd(term_signs + (finite ? tables.finite_signs[s][i] : 0));
            for (int c = 0; c < 3; ++c) {
                force[i][c] = to_float(
                    _mm256_fmadd_pd(_mm256_loadu_pd(at + c * term_row), sign, force[i][c]));
            }
        }
    }
}

template <bool finite>
JELLY_AVX2 void run_blocks(const float (&pos)[3][position_row], const float (&vel)[3][slot_count],
                           const __m256d (&r)[half_count], const Vec3& lift, float dt,
                           Particle* lattice) {
    alignas(32) double terms[term_count];
    prepare_terms(terms);
    for (int g = 0; g < block_groups; ++g) {
        pair_terms<finite>(pos, r, g, terms);
    }
    for (int b = 0; b < block_count; ++b) {
        // The next block's pair terms first, so that the sums do not wait on stores just made.
        for (int g = block_groups * (b + 1); g < block_groups * (b + 2) && g < group_count; ++g) {
            pair_terms<finite>(pos, r, g, terms);
        }
        // The slots are ordered longest first: all four sum to the fourth's length, then
        // three, and so on, with no padding.
        __m256d force[block_groups][3];
        for (int i = 0; i < block_groups; ++i) {
            force[i][0] = force[i][1] = force[i][2] = _mm256_setzero_pd();
        }
        const int begin = tables.block_begin[b];
        const std::uint8_t(&steps)[block_groups] = tables.slot_steps[b];
        sum_steps<finite, 4>(terms, begin, begin + steps[3], force);
        sum_steps<finite, 3>(terms, begin + steps[3], begin + steps[2], force);
        sum_steps<finite, 2>(terms, begin + steps[2], begin + steps[1], force);
        sum_steps<finite, 1>(terms, begin + steps[1], begin + steps[0], force);
        for (int i = 0; i < block_groups; ++i) {
            advance(pos, vel, tables.slot_group[b][i], force[i], lift, dt, lattice);
        }
    }
}

} // namespace

JELLY_AVX2 void step_avx2(JellyBody& body, float dt) {
    Particle* const lattice = body.particles.data();
    double constants[half_count];
    half_pair_constants(body.spacing, constants);
    __m256d r[half_count];
    for (int h = 0; h < half_count; ++h) {
        r[h] = _mm256_set1_pd(constants[h]);
    }
    // The old positions and velocities; the particles themselves get the new ones.
    alignas(32) float pos[3][position_row];
    alignas(32) float vel[3][slot_count];
    const bool finite = load_particles(lattice, pos, vel);
    if (finite) {
        run_blocks<true>(pos, vel, r, body.lift, dt, lattice);
    } else {
        run_blocks<false>(pos, vel, r, body.lift, dt, lattice);
    }
}

} // namespace step_lanes

#endif
