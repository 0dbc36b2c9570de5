// The lattice step's scalar backend: four plain doubles, for any target, and for any build
// that asks for no vector instructions.
#include "sim/lattice_lanes.h"

namespace {

struct Floats {
    float v[lattice::lanes];
    static Floats load(const float* p) { return {{p[0], p[1], p[2], p[3]}}; }
    static Floats splat(float x) { return {{x, x, x, x}}; }
};

struct D {
    using Floats = ::Floats;
    double v[lattice::lanes];
    static D load(const double* p) { return {{p[0], p[1], p[2], p[3]}}; }
    static D splat(double x) { return {{x, x, x, x}}; }
};

template <class T, class Op> T each(const T& a, const T& b, Op op) {
    return {{op(a.v[0], b.v[0]), op(a.v[1], b.v[1]), op(a.v[2], b.v[2]), op(a.v[3], b.v[3])}};
}

Floats operator+(Floats a, Floats b) {
    return each(a, b, [](float x, float y) { return x + y; });
}
Floats operator-(Floats a, Floats b) {
    return each(a, b, [](float x, float y) { return x - y; });
}
D operator+(D a, D b) {
    return each(a, b, [](double x, double y) { return x + y; });
}
D operator-(D a, D b) {
    return each(a, b, [](double x, double y) { return x - y; });
}
D operator*(D a, D b) {
    return each(a, b, [](double x, double y) { return x * y; });
}
D operator/(D a, D b) {
    return each(a, b, [](double x, double y) { return x / y; });
}
D widen(Floats a) {
    return {{a.v[0], a.v[1], a.v[2], a.v[3]}};
}
Floats narrow(D a) {
    return {{float(a.v[0]), float(a.v[1]), float(a.v[2]), float(a.v[3])}};
}
D to_float(D a) {
    return widen(narrow(a));
}
// sum + t sign, sign being 1 or -1, rounded once.
D add_times(D sum, D t, D sign) {
    return sum + t * sign;
}
// Lanes whose bit is clear become +0.0, whatever they held.
D keep(D a, int lanes) {
    for (int j = 0; j < lattice::lanes; ++j) {
        a.v[j] = (lanes >> j) & 1 ? a.v[j] : 0.0;
    }
    return a;
}
template <class T, class Element> void store(Element* p, const T& a) {
    for (int j = 0; j < lattice::lanes; ++j) {
        p[j] = a.v[j];
    }
}

} // namespace

#include "sim/lattice_kernel.h"

void lattice::step_scalar(JellyBody& body, float dt) {
    lattice_step<D>(body, dt);
}
