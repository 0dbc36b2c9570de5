// The lattice step's WebAssembly SIMD128 backend: four doubles in two registers.
#include "sim/lattice_lanes.h"

#if defined(JELLY_LANES_WASM)
#include <wasm_simd128.h>

namespace {
struct D {
    using Floats = lattice::Floats;
    v128_t lo, hi;
    static D load(const double* p) { return {wasm_v128_load(p), wasm_v128_load(p + 2)}; }
    static D splat(double x) { return {wasm_f64x2_splat(x), wasm_f64x2_splat(x)}; }
    static D widen(Floats a) {
        const v128_t f = v128_t(a.v); // the same bits
        return {wasm_f64x2_promote_low_f32x4(f),
                wasm_f64x2_promote_low_f32x4(wasm_i32x4_shuffle(f, f, 2, 3, 0, 1))};
    }
    void store(double* p) const { wasm_v128_store(p, lo), wasm_v128_store(p + 2, hi); }
    D operator+(D b) const { return {wasm_f64x2_add(lo, b.lo), wasm_f64x2_add(hi, b.hi)}; }
    D operator-(D b) const { return {wasm_f64x2_sub(lo, b.lo), wasm_f64x2_sub(hi, b.hi)}; }
    D operator*(D b) const { return {wasm_f64x2_mul(lo, b.lo), wasm_f64x2_mul(hi, b.hi)}; }
    D operator/(D b) const { return {wasm_f64x2_div(lo, b.lo), wasm_f64x2_div(hi, b.hi)}; }
    Floats narrow() const {
        return {Floats::V(wasm_i32x4_shuffle(wasm_f32x4_demote_f64x2_zero(lo),
                                             wasm_f32x4_demote_f64x2_zero(hi), 0, 1, 4, 5))};
    }
    D to_float() const {
        return {wasm_f64x2_promote_low_f32x4(wasm_f32x4_demote_f64x2_zero(lo)),
                wasm_f64x2_promote_low_f32x4(wasm_f32x4_demote_f64x2_zero(hi))};
    }
    D add_times(D t, D sign) const { return *this + t * sign; }
    D keep(int lanes) const {
        const std::uint64_t* mask = lattice::tables.lane_mask[lanes];
        return {wasm_v128_and(lo, wasm_v128_load(mask)),
                wasm_v128_and(hi, wasm_v128_load(mask + 2))};
    }
};
} // namespace

#include "sim/lattice_kernel.h"

const lattice::Step lattice::step_wasm_simd128 = lattice_step<D>;

#else
const lattice::Step lattice::step_wasm_simd128 = nullptr;
#endif
