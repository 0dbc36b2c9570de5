// The lattice step's SSE2 backend, the x86-64 baseline: four doubles in two registers.
#include "sim/lattice_lanes.h"

#if defined(JELLY_LANES_X86)
#include <emmintrin.h>

namespace {
struct D {
    using Floats = lattice::Floats;
    __m128d lo, hi;
    static D load(const double* p) { return {_mm_loadu_pd(p), _mm_loadu_pd(p + 2)}; }
    static D splat(double x) { return {_mm_set1_pd(x), _mm_set1_pd(x)}; }
    static D widen(Floats a) { return {_mm_cvtps_pd(a.v), _mm_cvtps_pd(_mm_movehl_ps(a.v, a.v))}; }
    void store(double* p) const { _mm_storeu_pd(p, lo), _mm_storeu_pd(p + 2, hi); }
    D operator+(D b) const { return {_mm_add_pd(lo, b.lo), _mm_add_pd(hi, b.hi)}; }
    D operator-(D b) const { return {_mm_sub_pd(lo, b.lo), _mm_sub_pd(hi, b.hi)}; }
    D operator*(D b) const { return {_mm_mul_pd(lo, b.lo), _mm_mul_pd(hi, b.hi)}; }
    D operator/(D b) const { return {_mm_div_pd(lo, b.lo), _mm_div_pd(hi, b.hi)}; }
    Floats narrow() const { return {_mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi))}; }
    D to_float() const { return {_mm_cvtps_pd(_mm_cvtpd_ps(lo)), _mm_cvtps_pd(_mm_cvtpd_ps(hi))}; }
    D add_times(D t, D sign) const { return *this + t * sign; }
    D keep(int lanes) const {
        const auto* mask = reinterpret_cast<const __m128i*>(lattice::tables.lane_mask[lanes]);
        return {_mm_and_pd(lo, _mm_castsi128_pd(_mm_load_si128(mask))),
                _mm_and_pd(hi, _mm_castsi128_pd(_mm_load_si128(mask + 1)))};
    }
};
} // namespace

#include "sim/lattice_kernel.h"

const lattice::Step lattice::step_sse2 = lattice_step<D>;

#else
const lattice::Step lattice::step_sse2 = nullptr;
#endif
