// Three-component float vector shared by the simulation and the meshes.
#pragma once

struct Vec3 {
    float x;
    float y;
    float z;
};

// Each operation writes into `out` and returns it. All inputs are read before `out` is
// written, so `out` may be one of the inputs. Arithmetic is done in double and each
// component is rounded to float once, when it is stored.
Vec3& vec_sub(Vec3& out, const Vec3& a, const Vec3& b);
Vec3& vec_cross(Vec3& out, const Vec3& a, const Vec3& b);
// No check for zero length: a zero vector gives not-a-number components.
Vec3& vec_normalize(Vec3& out, const Vec3& v);
