// The lattice step's AVX2 backend: four doubles in one register. Only this file's functions
// are compiled for AVX2 and FMA, through the target region below, so the rest of the program
// runs on any x86-64; JellyBody::step picks it only on a CPU that has both.
#include "sim/particle_lanes.h"
#include "sim/step_backends.h"

#if defined(JELLY_LANES_X86)
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif

namespace {
using Double4 = double __attribute__((vector_size(32)));
struct Avx2 {
    static Double4 widen(lattice::Float4 f, int) { return _mm256_cvtps_pd(f); }
    static lattice::Float4 narrow(const Double4 (&v)[1]) { return _mm256_cvtpd_ps(v[0]); }
    static Double4 and_mask(Double4 a, Double4 m) { return _mm256_and_pd(a, m); }
    static Double4 round_to_float(Double4 a) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(a)); }
    static Double4 add_exact_product(Double4 a, Double4 t, Double4 u) {
        return _mm256_fmadd_pd(t, u, a);
    }
};
} // namespace

#include "sim/lattice_kernel.h"

const lattice::Step lattice::step_avx2 = lattice_step<lattice::Lanes<Double4, Avx2>>;

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#else
const lattice::Step lattice::step_avx2 = nullptr;
#endif
