// Matrix stack arithmetic on the CPU: the formulas of glMultMatrix, gluPerspective,
// glTranslatef and glRotatef.
#include "render/transform.h"

#include <cmath>

namespace {
constexpr double pi = 3.14159265358979323846;

float& at(Matrix4& m, int row, int column) {
    return m[size_t(column * 4 + row)];
}
} // namespace

Matrix4 identity_matrix() {
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 out{};
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) {
            // Float products and sums, one rounding each: the order a GL stack uses.
            float sum = a[size_t(row)] * b[size_t(column * 4)];
            for (int k = 1; k < 4; ++k) {
                const float product = a[size_t(k * 4 + row)] * b[size_t(column * 4 + k)];
                sum = sum + product;
            }
            at(out, row, column) = sum;
        }
    }
    return out;
}

Matrix4 perspective(const Matrix4& m, double fovy_degrees, double aspect, double near, double far) {
    const double radians = fovy_degrees / 2 * pi / 180;
    const double cotangent = std::cos(radians) / std::sin(radians);
    const double depth = far - near;
    Matrix4 p{};
    at(p, 0, 0) = float(cotangent / aspect);
    at(p, 1, 1) = float(cotangent);
    at(p, 2, 2) = float(-(far + near) / depth);
    at(p, 3, 2) = -1.0f;
    at(p, 2, 3) = float(-2 * near * far / depth);
    return multiply(m, p);
}

Matrix4 translate(const Matrix4& m, float x, float y, float z) {
    Matrix4 t = identity_matrix();
    at(t, 0, 3) = x;
    at(t, 1, 3) = y;
    at(t, 2, 3) = z;
    return multiply(m, t);
}

Matrix4 rotate(const Matrix4& m, float degrees, float x, float y, float z) {
    const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (length == 0) {
        return m; // no axis: GL leaves the matrix as it is
    }
    const double ux = x / length, uy = y / length, uz = z / length;
    // The angle in radians is rounded to float and its sine and cosine taken in float, as
    // Mesa's glRotatef does; for large turns that decides the last bits.
    const float radians = float(double(degrees) * pi / 180);
    const double s = std::sin(radians), c = std::cos(radians), one_c = 1 - c;
    // u u^T (1 - cos) + I cos + [u]x sin, the rotation of the GL definition of glRotate.
    Matrix4 r = identity_matrix();
    at(r, 0, 0) = float(ux * ux * one_c + c);
    at(r, 0, 1) = float(ux * uy * one_c - uz * s);
    at(r, 0, 2) = float(ux * uz * one_c + uy * s);
    at(r, 1, 0) = float(uy * ux * one_c + uz * s);
    at(r, 1, 1) = float(uy * uy * one_c + c);
    at(r, 1, 2) = float(uy * uz * one_c - ux * s);
    at(r, 2, 0) = float(uz * ux * one_c - uy * s);
    at(r, 2, 1) = float(uz * uy * one_c + ux * s);
    at(r, 2, 2) = float(uz * uz * one_c + c);
    return multiply(m, r);
}

std::array<float, 4> transform_point(const Matrix4& m, const std::array<float, 4>& p) {
    std::array<float, 4> out{};
    for (int row = 0; row < 4; ++row) {
        float sum = m[size_t(row)] * p[0];
        for (int k = 1; k < 4; ++k) {
            const float product = m[size_t(k * 4 + row)] * p[size_t(k)];
            sum = sum + product;
        }
        out[size_t(row)] = sum;
    }
    return out;
}

Matrix3 normal_matrix(const Matrix4& m) {
    // a(row, column) of the upper 3 x 3; its inverse transpose is the cofactor matrix over
    // the determinant.
    const auto a = [&m](int row, int column) { return double(m[size_t(column * 4 + row)]); };
    double cof[3][3];
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const int r0 = (row + 1) % 3, r1 = (row + 2) % 3;
            const int c0 = (column + 1) % 3, c1 = (column + 2) % 3;
            cof[row][column] = a(r0, c0) * a(r1, c1) - a(r0, c1) * a(r1, c0);
        }
    }
    const double det = a(0, 0) * cof[0][0] + a(0, 1) * cof[0][1] + a(0, 2) * cof[0][2];
    Matrix3 out{};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            out[size_t(column * 3 + row)] = float(cof[row][column] / det);
        }
    }
    return out;
}
