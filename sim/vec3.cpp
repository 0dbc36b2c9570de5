// Vector operations with one rounding to float per stored component.
#include "sim/vec3.h"

#include <cmath>

Vec3& vec_sub(Vec3& out, const Vec3& a, const Vec3& b) {
    out = {float(double(a.x) - double(b.x)), float(double(a.y) - double(b.y)),
           float(double(a.z) - double(b.z))};
    return out;
}

Vec3& vec_cross(Vec3& out, const Vec3& a, const Vec3& b) {
    // The products of two floats are exact in double; only the difference rounds.
    const double x = double(a.y) * double(b.z) - double(a.z) * double(b.y);
    const double y = double(a.z) * double(b.x) - double(a.x) * double(b.z);
    const double z = double(a.x) * double(b.y) - double(a.y) * double(b.x);
    out = {float(x), float(y), float(z)};
    return out;
}

Vec3& vec_normalize(Vec3& out, const Vec3& v) {
    const double x = v.x;
    const double y = v.y;
    const double z = v.z;
    // k stays in double; each component is rounded once.
    const double k = 1.0 / std::sqrt(x * x + y * y + z * z);
    out = {float(x * k), float(y * k), float(z * k)};
    return out;
}
