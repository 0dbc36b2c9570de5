// What GridMesh::draw sends to OpenGL, seen through the recording stand-in.
#include "mesh/floor_mesh.h"
#include "mesh/grid_mesh.h"
#include "tests/gl_recorder.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace {

// An n x n grid whose every vertex has its own position and normal, so a vertex sent in
// the wrong place shows.
GridMesh numbered_grid(int n) {
    GridMesh mesh;
    mesh.resize(n);
    for (int k = 0; k < n * n; ++k) {
        const float f = float(k);
        mesh.vertices[std::size_t(k)] = MeshVertex{{f, f + 0.25f, f + 0.5f}, {-f, 1.0f, f}};
    }
    return mesh;
}

void expect_same(const float* got, const Vec3& want, const char* what) {
    EXPECT_EQ(got[0], want.x) << what;
    EXPECT_EQ(got[1], want.y) << what;
    EXPECT_EQ(got[2], want.z) << what;
}

// Checks the strips of an n x n mesh: strip i alternates rows i and i + 1 from column 0 on,
// each vertex with its own normal, s following the column and t the row from 0 to 1.
void expect_strips(const GridMesh& mesh) {
    const int n = mesh.n;
    const GlRecording& got = gl_recording();
    EXPECT_EQ(got.misplaced_calls, 0);
    ASSERT_EQ(got.primitives.size(), std::size_t(n - 1));
    for (int i = 0; i + 1 < n; ++i) {
        const RecordedPrimitive& strip = got.primitives[std::size_t(i)];
        EXPECT_EQ(strip.mode, GLenum(GL_TRIANGLE_STRIP));
        ASSERT_EQ(strip.vertices.size(), std::size_t(2 * n)) << "strip " << i;
        for (int k = 0; k < 2 * n; ++k) {
            const int row = i + k % 2;
            const int col = k / 2;
            SCOPED_TRACE(testing::Message() << "strip " << i << " vertex " << k << " = (" << row
                                            << ", " << col << ")");
            const RecordedVertex& v = strip.vertices[std::size_t(k)];
            const MeshVertex& want = mesh.vertices[std::size_t(row * n + col)];
            expect_same(v.position, want.position, "position");
            expect_same(v.normal, want.normal, "normal");
            EXPECT_EQ(v.tex_coord[0], float(col) / float(n - 1));
            EXPECT_EQ(v.tex_coord[1], float(row) / float(n - 1));
        }
    }
}

TEST(GridDraw, SendsRowPairsAsStrips) {
    for (int n : {2, 3, 5, 7}) {
        SCOPED_TRACE(testing::Message() << n << " x " << n);
        const GridMesh mesh = numbered_grid(n);
        gl_reset_recording();
        mesh.draw();
        expect_strips(mesh);
    }
}

TEST(GridDraw, GridsWithoutCellsSendNothing) {
    for (int n : {0, 1}) {
        SCOPED_TRACE(n);
        const GridMesh mesh = numbered_grid(n);
        gl_reset_recording();
        mesh.draw();
        EXPECT_TRUE(gl_recording().primitives.empty());
        EXPECT_EQ(gl_recording().misplaced_calls, 0);
    }
}

TEST(GridDraw, FloorIs29StripsOf60WithTextureStretchedOnce) {
    GridMesh floor;
    build_floor_mesh(floor);
    gl_reset_recording();
    floor.draw();
    expect_strips(floor);
    const GlRecording& got = gl_recording();
    ASSERT_EQ(got.primitives.size(), 29u);
    const RecordedVertex& first = got.primitives.front().vertices.front();
    const RecordedVertex& last = got.primitives.back().vertices.back();
    EXPECT_EQ(first.position[0], -15.0f);
    EXPECT_EQ(first.position[2], -15.0f);
    EXPECT_EQ(first.tex_coord[0], 0.0f);
    EXPECT_EQ(first.tex_coord[1], 0.0f);
    EXPECT_EQ(last.position[2], 14.0f); // entry 899
    EXPECT_EQ(last.tex_coord[0], 1.0f);
    EXPECT_EQ(last.tex_coord[1], 1.0f);
}

} // namespace
