// The lattice step's AVX2 backend: four doubles in one register. Only this file's functions
// are compiled for AVX2 and FMA, through the target region below, so the rest of the program
// runs on any x86-64; JellyBody::step picks it only on a CPU that has both.
#include "sim/lattice_lanes.h"

#if defined(JELLY_LANES_X86)
#include <immintrin.h>

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif

namespace {
struct D {
    using Floats = lattice::Floats;
    __m256d v;
    static D load(const double* p) { return {_mm256_loadu_pd(p)}; }
    static D splat(double x) { return {_mm256_set1_pd(x)}; }
    static D widen(Floats a) { return {_mm256_cvtps_pd(a.v)}; }
    void store(double* p) const { _mm256_storeu_pd(p, v); }
    D operator+(D b) const { return {_mm256_add_pd(v, b.v)}; }
    D operator-(D b) const { return {_mm256_sub_pd(v, b.v)}; }
    D operator*(D b) const { return {_mm256_mul_pd(v, b.v)}; }
    D operator/(D b) const { return {_mm256_div_pd(v, b.v)}; }
    Floats narrow() const { return {_mm256_cvtpd_ps(v)}; }
    D to_float() const { return widen(narrow()); }
    // t sign is exact (sign is 1 or -1), so the fused form rounds just as the plain sum does.
    D add_times(D t, D sign) const { return {_mm256_fmadd_pd(t.v, sign.v, v)}; }
    D keep(int lanes) const {
        const auto* mask = reinterpret_cast<const __m256i*>(lattice::tables.lane_mask[lanes]);
        return {_mm256_and_pd(v, _mm256_castsi256_pd(_mm256_load_si256(mask)))};
    }
};
} // namespace

#include "sim/lattice_kernel.h"

const lattice::Step lattice::step_avx2 = lattice_step<D>;

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#else
const lattice::Step lattice::step_avx2 = nullptr;
#endif
