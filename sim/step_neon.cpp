// The lattice step's NEON backend for aarch64: four doubles in two registers.
#include "sim/lattice_lanes.h"

#if defined(JELLY_LANES_NEON)
#include <arm_neon.h>

namespace {
struct D {
    using Floats = lattice::Floats;
    float64x2_t lo, hi;
    static D load(const double* p) { return {vld1q_f64(p), vld1q_f64(p + 2)}; }
    static D splat(double x) { return {vdupq_n_f64(x), vdupq_n_f64(x)}; }
    static D widen(Floats a) { return {vcvt_f64_f32(vget_low_f32(a.v)), vcvt_high_f64_f32(a.v)}; }
    void store(double* p) const { vst1q_f64(p, lo), vst1q_f64(p + 2, hi); }
    D operator+(D b) const { return {vaddq_f64(lo, b.lo), vaddq_f64(hi, b.hi)}; }
    D operator-(D b) const { return {vsubq_f64(lo, b.lo), vsubq_f64(hi, b.hi)}; }
    D operator*(D b) const { return {vmulq_f64(lo, b.lo), vmulq_f64(hi, b.hi)}; }
    D operator/(D b) const { return {vdivq_f64(lo, b.lo), vdivq_f64(hi, b.hi)}; }
    Floats narrow() const { return {vcvt_high_f32_f64(vcvt_f32_f64(lo), hi)}; }
    D to_float() const { return {vcvt_f64_f32(vcvt_f32_f64(lo)), vcvt_f64_f32(vcvt_f32_f64(hi))}; }
    // t sign is exact (sign is 1 or -1), so the fused form rounds just as the plain sum does.
    D add_times(D t, D sign) const {
        return {vfmaq_f64(lo, t.lo, sign.lo), vfmaq_f64(hi, t.hi, sign.hi)};
    }
    D keep(int lanes) const {
        const std::uint64_t* mask = lattice::tables.lane_mask[lanes];
        return {vreinterpretq_f64_u64(vandq_u64(vreinterpretq_u64_f64(lo), vld1q_u64(mask))),
                vreinterpretq_f64_u64(vandq_u64(vreinterpretq_u64_f64(hi), vld1q_u64(mask + 2)))};
    }
};
} // namespace

#include "sim/lattice_kernel.h"

const lattice::Step lattice::step_neon = lattice_step<D>;

#else
const lattice::Step lattice::step_neon = nullptr;
#endif
