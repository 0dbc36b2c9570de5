// The lattice step's AVX2 backend: four doubles in one register. Only its functions are
// compiled for AVX2, through the target region below, so the rest of the program runs on
// any x86-64; JellyBody::step picks it only on a CPU that has AVX2.
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

struct Floats {
    __m128 v;
    static Floats load(const float* p) { return {_mm_loadu_ps(p)}; }
    static Floats splat(float x) { return {_mm_set1_ps(x)}; }
};

struct D {
    using Floats = ::Floats;
    __m256d v;
    static D load(const double* p) { return {_mm256_loadu_pd(p)}; }
    static D splat(double x) { return {_mm256_set1_pd(x)}; }
};

Floats operator+(Floats a, Floats b) {
    return {_mm_add_ps(a.v, b.v)};
}
Floats operator-(Floats a, Floats b) {
    return {_mm_sub_ps(a.v, b.v)};
}
D operator+(D a, D b) {
    return {_mm256_add_pd(a.v, b.v)};
}
D operator-(D a, D b) {
    return {_mm256_sub_pd(a.v, b.v)};
}
D operator*(D a, D b) {
    return {_mm256_mul_pd(a.v, b.v)};
}
D operator/(D a, D b) {
    return {_mm256_div_pd(a.v, b.v)};
}
D widen(Floats a) {
    return {_mm256_cvtps_pd(a.v)};
}
Floats narrow(D a) {
    return {_mm256_cvtpd_ps(a.v)};
}
D to_float(D a) {
    return widen(narrow(a));
}
// sum + t sign, sign being 1 or -1, rounded once.
D add_times(D sum, D t, D sign) {
    return {_mm256_fmadd_pd(t.v, sign.v, sum.v)};
}
// Lanes whose bit is clear become +0.0, whatever they held.
D keep(D a, int lanes) {
    const auto* mask = reinterpret_cast<const __m256i*>(lattice::lane_masks.bits[lanes]);
    return {_mm256_and_pd(a.v, _mm256_castsi256_pd(_mm256_load_si256(mask)))};
}
void store(float* p, Floats a) {
    _mm_storeu_ps(p, a.v);
}
void store(double* p, D a) {
    _mm256_storeu_pd(p, a.v);
}

} // namespace

#include "sim/lattice_kernel.h"

void lattice::step_avx2(JellyBody& body, float dt) {
    lattice_step<D>(body, dt);
}

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#endif
