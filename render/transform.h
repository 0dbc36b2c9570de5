// 4 x 4 matrices as OpenGL's matrix stack builds them, for backends that have no matrix
// stack of their own: column-major floats (element k is row k mod 4, column k div 4), each
// operation multiplying on the right as glMultMatrix does.
#pragma once

#include <array>

using Matrix4 = std::array<float, 16>;
using Matrix3 = std::array<float, 9>; // column-major as well

Matrix4 identity_matrix();

// a . b, each element summed in float from k = 0 to 3, as a GL matrix stack multiplies.
Matrix4 multiply(const Matrix4& a, const Matrix4& b);

// m . the matrix of gluPerspective: cot(fovy / 2) / aspect and cot(fovy / 2) on the
// diagonal, (far + near) / (near - far) and 2 far near / (near - far) for depth, -1 taking z
// into w. Worked out in double and rounded to float, as glMultMatrixd stores it.
Matrix4 perspective(const Matrix4& m, double fovy_degrees, double aspect, double near, double far);

// m . T(x, y, z), as glTranslatef.
Matrix4 translate(const Matrix4& m, float x, float y, float z);

// m . R, as glRotatef: a turn of `degrees` counter-clockwise about the axis (x, y, z), which
// is normalised first. The angle is turned into float radians and its sine and cosine are
// taken in float.
Matrix4 rotate(const Matrix4& m, float degrees, float x, float y, float z);

// m . p for a point p = (x, y, z, w), in float: what glLightfv does to a light's position.
std::array<float, 4> transform_point(const Matrix4& m, const std::array<float, 4>& p);

// The inverse transpose of m's upper-left 3 x 3, which takes normals to eye space as the
// fixed-function pipeline does (without renormalising them). Worked out in double.
Matrix3 normal_matrix(const Matrix4& m);
