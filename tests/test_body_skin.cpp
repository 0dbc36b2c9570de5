// The body skin: which particles each face shows, and what drawing the body sends.
#include "mesh/body_skin.h"
#include "render/gl1/grid_draw.h"
#include "sim/jelly_body.h"
#include "tests/gl_recorder.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>

namespace {

// Outward axis of each face of the initial lattice, in drawing order.
constexpr Vec3 outward[skin_face_count] = {{0, 0, -1}, {0, 0, 1},  {0, -1, 0},
                                           {0, 1, 0},  {-1, 0, 0}, {1, 0, 0}};

TEST(SkinFaces, EachFaceShowsOneOuterFaceOfTheLattice) {
    for (int f = 0; f < skin_face_count; ++f) {
        const int axis = 2 - f / 2; // the lattice coordinate (ix, iy, iz) the face holds at 0 or 4
        std::set<int> shown;
        for (int rc = 0; rc < 25; ++rc) {
            const int p = skin_particle_index(f, rc / 5, rc % 5);
            const int coordinates[3] = {p % 5, p / 5 % 5, p / 25};
            EXPECT_TRUE(p >= 0 && p < 125 && coordinates[axis] == f % 2 * 4)
                << "face " << f + 1 << " (" << rc / 5 << ", " << rc % 5 << "): particle " << p;
            shown.insert(p);
        }
        EXPECT_EQ(shown.size(), 25u) << "face " << f + 1;
        EXPECT_EQ(skin_particle_index(f, f % 2 * 4, f % 2 * 4), f % 2 * 124) << "face " << f + 1;
    }
    const int row0[][5] = {{100, 105, 110, 115, 120}, {4, 29, 54, 79, 104}}; // faces 2 and 6
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(skin_particle_index(1, 0, c), row0[0][c]) << "face 2, column " << c;
        EXPECT_EQ(skin_particle_index(5, 0, c), row0[1][c]) << "face 6, column " << c;
    }
}

Vec3 position(const RecordedVertex& v) {
    return {v.position[0], v.position[1], v.position[2]};
}

TEST(BodyDraw, SendsSixOutwardFacesCounterClockwiseAndLeavesTheLastInTheSkin) {
    JellyBody body;
    body.init();
    GridMesh skin;
    skin.resize(skin_side);
    draw_body_skin(body, skin);
    const GlRecording got = take_gl_recording();
    ASSERT_TRUE(std::regex_match(got.calls, std::regex("(Sv{10}E){24}"))) << got.calls;
    for (size_t at = 0; at < got.vertices.size(); ++at) { // exact, edges and corners included
        const Vec3& o = outward[at / 40];
        const float* normal = got.vertices[at].normal;
        EXPECT_TRUE(normal[0] == o.x && normal[1] == o.y && normal[2] == o.z)
            << "vertex " << at << ": normal " << normal[0] << " " << normal[1] << " " << normal[2];
        // Triangle k of a strip has corners k, k + 1, k + 2, the first two swapped for odd k.
        if (at % 10 < 8) {
            const Vec3 a = position(got.vertices[at + at % 2]);
            Vec3 ab, ac, n;
            vec_cross(n, vec_sub(ab, position(got.vertices[at + 1 - at % 2]), a),
                      vec_sub(ac, position(got.vertices[at + 2]), a));
            EXPECT_GT(n.x * o.x + n.y * o.y + n.z * o.z, 0) << "triangle from vertex " << at;
        }
    }
    for (int rc = 0; rc < 25; ++rc) { // face 6, +x: particle 4 + 5 r + 25 c at (r, c)
        const Vec3& want = body.particles[size_t(4 + 5 * (rc / 5) + 25 * (rc % 5))].position;
        const Vec3& held = skin.vertices[size_t(rc)].position;
        EXPECT_TRUE(held.x == want.x && held.y == want.y && held.z == want.z)
            << "skin vertex " << rc << " holds " << held.x << " " << held.y << " " << held.z;
    }
}

} // namespace
