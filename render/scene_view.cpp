// The view's arithmetic: aspect ratio, turn angle and shadow matrix.
#include "render/scene_view.h"

namespace {
constexpr double turn_degrees_per_second = 40.0;
}

double projection_aspect(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        return 1.0;
    }
    return double(width) / double(height);
}

float view_turn_degrees(double time) {
    return float(time * turn_degrees_per_second);
}

std::array<float, 16> shadow_matrix(const std::array<float, 4>& light) {
    // (P . L) I - L P^T for the plane P = (0, 1, 0, 0) and L = (Lx, Ly, Lz, 1). Column 1
    // is the only one P touches; its last entry is the light's w, 1, negated.
    const float lx = light[0];
    const float ly = light[1];
    const float lz = light[2];
    return {ly,   0.0f, 0.0f, 0.0f,  //
            -lx,  0.0f, -lz,  -1.0f, //
            0.0f, 0.0f, ly,   0.0f,  //
            0.0f, 0.0f, 0.0f, ly};
}

Matrix4 projection_matrix(int32_t width, int32_t height) {
    return perspective(identity_matrix(), field_of_view_degrees, projection_aspect(width, height),
                       near_distance, far_distance);
}

Matrix4 view_matrix(double time) {
    Matrix4 view = translate(identity_matrix(), 0.0f, 0.0f, -eye_distance);
    view = rotate(view, tilt_degrees, 1.0f, 0.0f, 0.0f);
    return rotate(view, view_turn_degrees(time), 0.0f, 1.0f, 0.0f);
}
