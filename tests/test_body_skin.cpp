// The body skin: which particles each face shows, its normals, and what drawing it sends.
#include "mesh/body_skin.h"
#include "sim/jelly_body.h"
#include "tests/gl_recorder.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <set>

namespace {

// Drawing order of the faces: the fixed lattice coordinate (0 = ix, 1 = iy, 2 = iz), its
// value and the outward axis of the initial lattice.
struct FaceCase {
    int axis;
    int value;
    Vec3 outward;
};
constexpr FaceCase faces[skin_face_count] = {
    {2, 0, {0, 0, -1}}, {2, 4, {0, 0, 1}},  {1, 0, {0, -1, 0}},
    {1, 4, {0, 1, 0}},  {0, 0, {-1, 0, 0}}, {0, 4, {1, 0, 0}},
};

int lattice_coordinate(int p, int axis) {
    const int coords[3] = {p % 5, (p / 5) % 5, p / 25};
    return coords[axis];
}

void expect_vec(const Vec3& got, const Vec3& want) {
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
    EXPECT_EQ(got.z, want.z);
}

TEST(SkinFaces, EachFaceShowsOneOuterFaceOfTheLattice) {
    std::set<int> drawn;
    for (int f = 0; f < skin_face_count; ++f) {
        SCOPED_TRACE(testing::Message() << "face " << f + 1);
        std::set<int> shown;
        for (int r = 0; r < 5; ++r) {
            for (int c = 0; c < 5; ++c) {
                const int p = skin_particle_index(f, r, c);
                ASSERT_GE(p, 0);
                ASSERT_LT(p, lattice_particle_count);
                EXPECT_EQ(lattice_coordinate(p, faces[f].axis), faces[f].value) << "particle " << p;
                shown.insert(p);
                drawn.insert(p);
            }
        }
        EXPECT_EQ(shown.size(), 25u);
    }
    // The 98 boundary particles are drawn, the 27 interior ones never.
    EXPECT_EQ(drawn.size(), 98u);
    EXPECT_EQ(drawn.count(lattice_index(2, 2, 2)), 0u);

    for (int f : {0, 2, 4}) {
        EXPECT_EQ(skin_particle_index(f, 0, 0), 0) << "face " << f + 1;
    }
    for (int f : {1, 3, 5}) {
        EXPECT_EQ(skin_particle_index(f, 4, 4), 124) << "face " << f + 1;
    }
    const int face2_row0[5] = {100, 105, 110, 115, 120};
    const int face6_row0[5] = {4, 29, 54, 79, 104};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(skin_particle_index(1, 0, c), face2_row0[c]) << "face 2, column " << c;
        EXPECT_EQ(skin_particle_index(5, 0, c), face6_row0[c]) << "face 6, column " << c;
    }
}

TEST(SkinFaces, UndeformedFacesHaveExactOutwardNormals) {
    JellyBody body;
    body.init();
    for (int f = 0; f < skin_face_count; ++f) {
        SCOPED_TRACE(testing::Message() << "face " << f + 1);
        copy_skin_face(body, f, body.skin);
        body.skin.compute_normals();
        for (const MeshVertex& v : body.skin.vertices) {
            expect_vec(v.normal, faces[f].outward); // edges and corners included
        }
    }
}

TEST(BodyDraw, SendsSixFacesAndLeavesTheLastInTheSkin) {
    JellyBody body;
    body.init();
    gl_reset_recording();
    body.draw();
    const GlRecording& got = gl_recording();
    EXPECT_EQ(got.misplaced_calls, 0);
    ASSERT_EQ(got.primitives.size(), 6u * 4u);
    for (std::size_t k = 0; k < got.primitives.size(); ++k) {
        const RecordedPrimitive& strip = got.primitives[k];
        EXPECT_EQ(strip.mode, GLenum(GL_TRIANGLE_STRIP));
        ASSERT_EQ(strip.vertices.size(), 10u) << "strip " << k;
        const Vec3& outward = faces[k / 4].outward;
        for (const RecordedVertex& v : strip.vertices) {
            EXPECT_EQ(v.normal[0], outward.x) << "strip " << k;
            EXPECT_EQ(v.normal[1], outward.y) << "strip " << k;
            EXPECT_EQ(v.normal[2], outward.z) << "strip " << k;
        }
    }
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 5; ++c) {
            SCOPED_TRACE(testing::Message() << "skin vertex (" << r << ", " << c << ")");
            const MeshVertex& v = body.skin.vertices[std::size_t(r * 5 + c)];
            expect_vec(v.position, body.particles[std::size_t(4 + 5 * r + 25 * c)].position);
            expect_vec(v.normal, Vec3{1, 0, 0});
        }
    }
}

// Turns every particle by `angle` radians about the unit axis `u` through `centre`.
void rotate_body(JellyBody& body, const std::array<double, 3>& u, double angle,
                 const std::array<double, 3>& centre) {
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    for (Particle& p : body.particles) {
        const double v[3] = {p.position.x - centre[0], p.position.y - centre[1],
                             p.position.z - centre[2]};
        const double dot = u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
        const double cross[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                                 u[0] * v[1] - u[1] * v[0]};
        double out[3];
        for (int k = 0; k < 3; ++k) {
            out[k] = v[k] * c + cross[k] * s + u[k] * dot * (1 - c) + centre[k];
        }
        p.position = Vec3{float(out[0]), float(out[1]), float(out[2])};
    }
}

// Counts the triangles sent whose corners do not run counter-clockwise seen from outside
// the convex body centred at `centre`, following OpenGL's strip rule (every other triangle
// of a strip is taken in reverse order).
int clockwise_triangles(const GlRecording& got, const std::array<double, 3>& centre) {
    int bad = 0;
    for (const RecordedPrimitive& strip : got.primitives) {
        for (std::size_t k = 0; k + 2 < strip.vertices.size(); ++k) {
            const float* a = strip.vertices[k % 2 == 0 ? k : k + 1].position;
            const float* b = strip.vertices[k % 2 == 0 ? k + 1 : k].position;
            const float* c = strip.vertices[k + 2].position;
            const double ab[3] = {b[0] - double(a[0]), b[1] - double(a[1]), b[2] - double(a[2])};
            const double ac[3] = {c[0] - double(a[0]), c[1] - double(a[1]), c[2] - double(a[2])};
            const double n[3] = {ab[1] * ac[2] - ab[2] * ac[1], ab[2] * ac[0] - ab[0] * ac[2],
                                 ab[0] * ac[1] - ab[1] * ac[0]};
            double outward = 0;
            for (int i = 0; i < 3; ++i) {
                outward += n[i] * ((a[i] + b[i] + c[i]) / 3.0 - centre[i]);
            }
            bad += outward > 0 ? 0 : 1;
        }
    }
    return bad;
}

TEST(BodyDraw, EveryTriangleIsCounterClockwiseFromOutside) {
    const std::array<double, 3> centre = {-0.125, 5.875, -0.125}; // particle 62
    struct Turn {
        std::array<double, 3> axis;
        double angle;
    };
    const double h = 1 / std::sqrt(3.0);
    const Turn turns[] = {
        {{1, 0, 0}, 0.0}, {{0, 0, 1}, 3.14159}, {{1, 0, 0}, 1.3},
        {{h, h, h}, 2.2}, {{0, 1, 0}, -0.7},
    };
    for (const Turn& turn : turns) {
        SCOPED_TRACE(testing::Message() << "turned by " << turn.angle << " about (" << turn.axis[0]
                                        << ", " << turn.axis[1] << ", " << turn.axis[2] << ")");
        JellyBody body;
        body.init();
        rotate_body(body, turn.axis, turn.angle, centre);
        gl_reset_recording();
        body.draw();
        ASSERT_EQ(gl_recording().primitives.size(), 24u);
        EXPECT_EQ(clockwise_triangles(gl_recording(), centre), 0) << "of 6 x 4 x 8 triangles";
    }
}

} // namespace
