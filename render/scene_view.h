// The camera and light of the scene and the numbers derived from them, kept apart from any
// graphics API so that every backend uses the same ones and they can be checked without a
// display: the projection's aspect ratio, the view's turn and the planar shadow matrix.
#pragma once

#include "render/transform.h"

#include <array>
#include <cstdint>

// Point light 0: (x, y, z, w) in world units, w = 1 for a positional light.
constexpr std::array<float, 4> light_position = {5.0f, 20.0f, 5.0f, 1.0f};

// The camera: a perspective projection, then a view that backs off from the origin, looks
// down on the floor and turns the world about the vertical axis.
constexpr double field_of_view_degrees = 50.0; // vertical
constexpr double near_distance = 0.1;          // world units
constexpr double far_distance = 1000.0;
constexpr float eye_distance = 16.0f; // world units from the origin
constexpr float tilt_degrees = 30.0f; // the eye looks 30 degrees down on the floor

// Width over height for gluPerspective. A window with no area (height or width zero, as
// some toolkits report for a minimised or squashed window) gets 1 instead: its viewport is
// empty, so nothing shows whatever the ratio, and 1 keeps the projection finite, where
// width / 0 would send an infinite or undefined ratio to GL. Nothing is remembered between
// frames: the first frame with a real size uses its real ratio again.
double projection_aspect(int32_t width, int32_t height);

// Turn of the world about the vertical axis at scene time `time` (seconds): 40 degrees per
// second, formed in double and rounded to float, not reduced modulo 360.
float view_turn_degrees(double time);

// Column-major 4 x 4 matrix that flattens geometry onto the floor plane y = 0 along the
// lines from the positional light at `light` (its w is taken as 1 and not read). It maps
// (x, y, z, 1) to (Ly x - Lx y, 0, Ly z - Lz y, Ly - y).
std::array<float, 16> shadow_matrix(const std::array<float, 4>& light);

// The same camera as matrices, for backends without a matrix stack: the projection for a
// window of width x height pixels, and the view transform T(0, 0, -16) . Rx(30) . Ry(turn)
// at scene time `time`, each built as the GL 1.1 backend's calls build it.
Matrix4 projection_matrix(int32_t width, int32_t height);
Matrix4 view_matrix(double time);
