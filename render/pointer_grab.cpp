// The pointer's ray, the particle it picks and the point it pulls towards: the camera's
// matrices inverted in double, the skin's triangles met by the ray.
#include "render/pointer_grab.h"

#include "mesh/body_skin.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace {

using Point = std::array<double, 3>;

constexpr double edge_margin = 1e-5; // of a triangle's size: far below a pixel

// The view is a turn R and then a shift t: eye = R world + t, so world = R^T (eye - t).
Point eye_to_world(const Matrix4& view, const Point& eye) {
    Point world;
    for (int i = 0; i < 3; ++i) {
        world[size_t(i)] = 0.0;
        for (int r = 0; r < 3; ++r) {
            world[size_t(i)] +=
                double(view[size_t(4 * i + r)]) * (eye[size_t(r)] - view[size_t(12 + r)]);
        }
    }
    return world;
}

Point minus(const Point& a, const Point& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Point cross(const Point& a, const Point& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Point& a, const Point& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// Eye-space direction under canvas point (x, y), with z = -1. The projection takes eye-space
// (x, y, -1) to (x P[0][0], y P[1][1]) in normalised device coordinates, where y runs up
// and the canvas's y runs down.
Point eye_direction(int32_t width, int32_t height, double x, double y) {
    const double w = width > 0 ? width : 1;
    const double h = height > 0 ? height : 1;
    const Matrix4 projection = projection_matrix(width, height);
    return {(2.0 * x / w - 1.0) / double(projection[0]),
            (1.0 - 2.0 * y / h) / double(projection[5]), -1.0};
}

Vec3 to_vec3(const Point& p) {
    return {float(p[0]), float(p[1]), float(p[2])};
}

Point to_point(const Vec3& v) {
    return {v.x, v.y, v.z};
}

// Distance along `ray` to triangle (a, b, c), or a negative number when it misses (or the
// ray runs in its plane). Both sides of the triangle count, and so do its edges, with a
// margin of edge_margin of its size, so that a ray through a shared edge or corner cannot
// slip between two triangles, or past a corner of the skin, by the ray's float rounding.
double ray_meets_triangle(const Point& origin, const Point& direction, const Point& a,
                          const Point& b, const Point& c) {
    const Point ab = minus(b, a);
    const Point ac = minus(c, a);
    const Point p = cross(direction, ac);
    const double det = dot(ab, p);
    if (det == 0.0 || !std::isfinite(det)) {
        return -1.0;
    }
    const Point s = minus(origin, a);
    const double u = dot(s, p) / det;
    if (u < -edge_margin || u > 1.0 + edge_margin) {
        return -1.0;
    }
    const Point q = cross(s, ab);
    const double v = dot(direction, q) / det;
    if (v < -edge_margin || u + v > 1.0 + edge_margin) {
        return -1.0;
    }
    return dot(ac, q) / det;
}

} // namespace

PointerRay pointer_ray(double time, int32_t width, int32_t height, double x, double y) {
    const Matrix4 view = view_matrix(time);
    const Point origin = eye_to_world(view, {0.0, 0.0, 0.0});
    const Point along = minus(eye_to_world(view, eye_direction(width, height, x, y)), origin);
    const double length = std::sqrt(dot(along, along));
    return {to_vec3(origin), to_vec3({along[0] / length, along[1] / length, along[2] / length})};
}

int pick_skin_particle(const JellyBody& body, const PointerRay& ray) {
    if (body.particles.size() != size_t(lattice_particle_count)) {
        return -1;
    }
    const Point origin = to_point(ray.origin);
    const Point direction = to_point(ray.direction);
    auto at = [&body](int face, int r, int c) {
        return to_point(body.particles[size_t(skin_particle_index(face, r, c))].position);
    };
    double nearest = -1.0;
    for (int face = 0; face < skin_face_count; ++face) {
        for (int r = 0; r + 1 < skin_side; ++r) {
            for (int c = 0; c + 1 < skin_side; ++c) {
                // The two triangles of the quad, as the skin's grid is drawn.
                const Point corner[4] = {at(face, r, c), at(face, r + 1, c), at(face, r + 1, c + 1),
                                         at(face, r, c + 1)};
                for (const double t :
                     {ray_meets_triangle(origin, direction, corner[0], corner[1], corner[2]),
                      ray_meets_triangle(origin, direction, corner[0], corner[2], corner[3])}) {
                    if (t > 0.0 && (nearest < 0.0 || t < nearest)) {
                        nearest = t;
                    }
                }
            }
        }
    }
    if (nearest < 0.0) {
        return -1;
    }
    const Point hit = {origin[0] + nearest * direction[0], origin[1] + nearest * direction[1],
                       origin[2] + nearest * direction[2]};
    int picked = -1;
    double picked_distance = 0.0;
    for (int face = 0; face < skin_face_count; ++face) {
        for (int r = 0; r < skin_side; ++r) {
            for (int c = 0; c < skin_side; ++c) {
                const Point gap = minus(at(face, r, c), hit);
                const double distance = dot(gap, gap);
                const int index = skin_particle_index(face, r, c);
                if (picked < 0 || distance < picked_distance ||
                    (distance == picked_distance && index < picked)) {
                    picked = index;
                    picked_distance = distance;
                }
            }
        }
    }
    return picked;
}

bool press_pointer(PointerHold& hold, const JellyBody& body, double time, int32_t width,
                   int32_t height, double x, double y) {
    hold = PointerHold{};
    const int picked = pick_skin_particle(body, pointer_ray(time, width, height, x, y));
    if (picked < 0) {
        return false;
    }
    const Vec3& p = body.particles[size_t(picked)].position;
    const Matrix4 view = view_matrix(time);
    const double eye_z =
        view[2] * double(p.x) + view[6] * double(p.y) + view[10] * double(p.z) + view[14];
    hold.particle = picked;
    hold.eye_depth = float(-eye_z);
    hold.x = x;
    hold.y = y;
    return true;
}

Grab grab_for_frame(const PointerHold& hold, double time, int32_t width, int32_t height) {
    if (hold.particle < 0) {
        return Grab{};
    }
    // The point on the pointer's eye-space ray at depth eye_depth, taken to world space.
    const Point direction = eye_direction(width, height, hold.x, hold.y);
    const double depth = hold.eye_depth;
    const Point target =
        eye_to_world(view_matrix(time), {direction[0] * depth, direction[1] * depth, -depth});
    Grab grab;
    grab.particle = hold.particle;
    grab.target = to_vec3(target);
    return grab;
}
