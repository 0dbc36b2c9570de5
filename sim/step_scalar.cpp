// The lattice step's scalar backend: four plain doubles, for any target, and for any build
// that asks for no vector instructions.
#include "sim/lattice_lanes.h"

#include <algorithm>
#include <functional>

namespace {
// Four lanes of T: doubles for the sums, floats where they round.
template <class T> struct Four {
    using Floats = Four<float>;
    T v[lattice::lanes];
    static Four load(const T* p) { return {{p[0], p[1], p[2], p[3]}}; }
    static Four splat(T x) { return {{x, x, x, x}}; }
    static Four widen(Floats a) { return {{a.v[0], a.v[1], a.v[2], a.v[3]}}; }
    void store(T* p) const { std::copy(v, v + lattice::lanes, p); }
    template <class Op> Four each(Four b, Op op) const {
        Four a = *this;
        for (int j = 0; j < lattice::lanes; ++j) {
            a.v[j] = op(v[j], b.v[j]);
        }
        return a;
    }
    Four operator+(Four b) const { return each(b, std::plus<>()); }
    Four operator-(Four b) const { return each(b, std::minus<>()); }
    Four operator*(Four b) const { return each(b, std::multiplies<>()); }
    Four operator/(Four b) const { return each(b, std::divides<>()); }
    Floats narrow() const { return {{float(v[0]), float(v[1]), float(v[2]), float(v[3])}}; }
    Four to_float() const { return widen(narrow()); }
    Four add_times(Four t, Four sign) const { return *this + t * sign; }
    Four keep(int lanes) const {
        Four a = *this;
        for (int j = 0; j < lattice::lanes; ++j) {
            a.v[j] = (lanes >> j) & 1 ? v[j] : T(0);
        }
        return a;
    }
};
} // namespace

#include "sim/lattice_kernel.h"

const lattice::Step lattice::step_scalar = lattice_step<Four<double>>;
