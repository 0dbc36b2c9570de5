// The lattice step's SSE2 backend, the x86-64 baseline: four doubles in two registers.
#include "sim/lattice_lanes.h"

#if defined(JELLY_LANES_X86)

#include <emmintrin.h>

namespace {

struct Floats {
    __m128 v;
    static Floats load(const float* p) { return {_mm_loadu_ps(p)}; }
    static Floats splat(float x) { return {_mm_set1_ps(x)}; }
};

struct D {
    using Floats = ::Floats;
    __m128d lo, hi;
    static D load(const double* p) { return {_mm_loadu_pd(p), _mm_loadu_pd(p + 2)}; }
    static D splat(double x) { return {_mm_set1_pd(x), _mm_set1_pd(x)}; }
};

Floats operator+(Floats a, Floats b) {
    return {_mm_add_ps(a.v, b.v)};
}
Floats operator-(Floats a, Floats b) {
    return {_mm_sub_ps(a.v, b.v)};
}
D operator+(D a, D b) {
    return {_mm_add_pd(a.lo, b.lo), _mm_add_pd(a.hi, b.hi)};
}
D operator-(D a, D b) {
    return {_mm_sub_pd(a.lo, b.lo), _mm_sub_pd(a.hi, b.hi)};
}
D operator*(D a, D b) {
    return {_mm_mul_pd(a.lo, b.lo), _mm_mul_pd(a.hi, b.hi)};
}
D operator/(D a, D b) {
    return {_mm_div_pd(a.lo, b.lo), _mm_div_pd(a.hi, b.hi)};
}
D widen(Floats a) {
    return {_mm_cvtps_pd(a.v), _mm_cvtps_pd(_mm_movehl_ps(a.v, a.v))};
}
Floats narrow(D a) {
    return {_mm_movelh_ps(_mm_cvtpd_ps(a.lo), _mm_cvtpd_ps(a.hi))};
}
D to_float(D a) {
    return {_mm_cvtps_pd(_mm_cvtpd_ps(a.lo)), _mm_cvtps_pd(_mm_cvtpd_ps(a.hi))};
}
// sum + t sign, sign being 1 or -1, rounded once.
D add_times(D sum, D t, D sign) {
    return sum + t * sign;
}
// Lanes whose bit is clear become +0.0, whatever they held.
D keep(D a, int lanes) {
    const auto* mask = reinterpret_cast<const __m128i*>(lattice::lane_masks.bits[lanes]);
    return {_mm_and_pd(a.lo, _mm_castsi128_pd(_mm_load_si128(mask))),
            _mm_and_pd(a.hi, _mm_castsi128_pd(_mm_load_si128(mask + 1)))};
}
void store(float* p, Floats a) {
    _mm_storeu_ps(p, a.v);
}
void store(double* p, D a) {
    _mm_storeu_pd(p, a.lo);
    _mm_storeu_pd(p + 2, a.hi);
}

} // namespace

#include "sim/lattice_kernel.h"

void lattice::step_sse2(JellyBody& body, float dt) {
    lattice_step<D>(body, dt);
}

#endif
