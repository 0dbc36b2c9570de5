// The lattice step's backend for instruction sets with two doubles to a vector: SSE2 (the
// x86-64 baseline), NEON (aarch64) and WebAssembly SIMD128: four doubles in two registers.
#include "sim/particle_lanes.h"
#include "sim/step_backends.h"

#if defined(JELLY_LANES_X86) || defined(JELLY_LANES_NEON) || defined(JELLY_LANES_WASM)
#if defined(JELLY_LANES_X86)
#include <emmintrin.h>
#elif defined(JELLY_LANES_NEON)
#include <arm_neon.h>
#else
#include <wasm_simd128.h>
#endif

namespace {
using lattice::Float4;
using Double2 = double __attribute__((vector_size(16)));

#if defined(JELLY_LANES_X86)
struct Simd128 {
    static Double2 widen(Float4 f, int i) { return _mm_cvtps_pd(i ? _mm_movehl_ps(f, f) : f); }
    static Float4 narrow(const Double2 (&v)[2]) {
        return _mm_movelh_ps(_mm_cvtpd_ps(v[0]), _mm_cvtpd_ps(v[1]));
    }
    static Double2 and_mask(Double2 a, Double2 m) { return _mm_and_pd(a, m); }
    static Double2 round_to_float(Double2 a) { return _mm_cvtps_pd(_mm_cvtpd_ps(a)); }
    static Double2 add_exact_product(Double2 a, Double2 t, Double2 u) { return a + t * u; }
};
#elif defined(JELLY_LANES_NEON)
struct Simd128 : lattice::IntegerAnd {
    static Double2 widen(Float4 f, int i) {
        return i ? vcvt_high_f64_f32(f) : vcvt_f64_f32(vget_low_f32(f));
    }
    static Float4 narrow(const Double2 (&v)[2]) {
        return vcvt_high_f32_f64(vcvt_f32_f64(v[0]), v[1]);
    }
    static Double2 round_to_float(Double2 a) { return vcvt_f64_f32(vcvt_f32_f64(a)); }
    static Double2 add_exact_product(Double2 a, Double2 t, Double2 u) { return vfmaq_f64(a, t, u); }
};
#else // v128_t is one type for every lane shape: values pass through it as bits
struct Simd128 : lattice::IntegerAnd {
    static Double2 widen(Float4 f, int i) {
        return Double2(
            wasm_f64x2_promote_low_f32x4(i ? wasm_i32x4_shuffle(f, f, 2, 3, 0, 1) : v128_t(f)));
    }
    static Float4 narrow(const Double2 (&v)[2]) {
        return Float4(wasm_i32x4_shuffle(wasm_f32x4_demote_f64x2_zero(v128_t(v[0])),
                                         wasm_f32x4_demote_f64x2_zero(v128_t(v[1])), 0, 1, 4, 5));
    }
    static Double2 round_to_float(Double2 a) {
        return Double2(wasm_f64x2_promote_low_f32x4(wasm_f32x4_demote_f64x2_zero(v128_t(a))));
    }
    static Double2 add_exact_product(Double2 a, Double2 t, Double2 u) { return a + t * u; }
};
#endif
} // namespace

#include "sim/lattice_kernel.h"

const lattice::Step lattice::step_simd128 = lattice_step<lattice::Lanes<Double2, Simd128>>;
#else
const lattice::Step lattice::step_simd128 = nullptr;
#endif
