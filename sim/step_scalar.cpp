// The lattice step's scalar backend: four plain doubles, for any target, and for any build
// that asks for no vector instructions.
#include "sim/lattice_lanes.h"

#include <algorithm>
#include <functional>

namespace {

template <class T, class Op> T each(T a, const T& b, Op op) {
    for (int j = 0; j < lattice::lanes; ++j) {
        a.v[j] = op(a.v[j], b.v[j]);
    }
    return a;
}

struct Floats {
    float v[lattice::lanes];
    static Floats load(const float* p) { return {{p[0], p[1], p[2], p[3]}}; }
    static Floats splat(float x) { return {{x, x, x, x}}; }
    void store(float* p) const { std::copy(v, v + lattice::lanes, p); }
    Floats operator+(Floats b) const { return each(*this, b, std::plus<>()); }
    Floats operator-(Floats b) const { return each(*this, b, std::minus<>()); }
};

struct D {
    using Floats = ::Floats;
    double v[lattice::lanes];
    static D load(const double* p) { return {{p[0], p[1], p[2], p[3]}}; }
    static D splat(double x) { return {{x, x, x, x}}; }
    static D widen(Floats a) { return {{a.v[0], a.v[1], a.v[2], a.v[3]}}; }
    void store(double* p) const { std::copy(v, v + lattice::lanes, p); }
    D operator+(D b) const { return each(*this, b, std::plus<>()); }
    D operator-(D b) const { return each(*this, b, std::minus<>()); }
    D operator*(D b) const { return each(*this, b, std::multiplies<>()); }
    D operator/(D b) const { return each(*this, b, std::divides<>()); }
    Floats narrow() const { return {{float(v[0]), float(v[1]), float(v[2]), float(v[3])}}; }
    D to_float() const { return widen(narrow()); }
    D add_times(D t, D sign) const { return *this + t * sign; }
    // Lanes whose bit is clear become +0.0, whatever they held.
    D keep(int lanes) const {
        D a = *this;
        for (int j = 0; j < lattice::lanes; ++j) {
            a.v[j] = (lanes >> j) & 1 ? v[j] : 0.0;
        }
        return a;
    }
};

} // namespace

#include "sim/lattice_kernel.h"

void lattice::step_scalar(JellyBody& body, float dt) {
    lattice_step<D>(body, dt);
}
