// The lattice step's scalar backend, for any target and for any build that asks for no vector
// instructions: one double to a vector, which needs nothing of the target; where it has no
// vectors, every operation is a scalar one.
#include "sim/lattice_kernel.h"

namespace {
using Double1 = double __attribute__((vector_size(8)));
struct Scalar : lattice::IntegerAnd {
    static Double1 widen(lattice::Float4 f, int i) { return Double1{f[i]}; }
    static lattice::Float4 narrow(const Double1 (&v)[4]) {
        return lattice::Float4{float(v[0][0]), float(v[1][0]), float(v[2][0]), float(v[3][0])};
    }
    static Double1 round_to_float(Double1 a) { return Double1{float(a[0])}; }
    static Double1 add_exact_product(Double1 a, Double1 t, Double1 u) { return a + t * u; }
};
} // namespace

const lattice::Step lattice::step_scalar = lattice_step<lattice::Lanes<Double1, Scalar>>;
