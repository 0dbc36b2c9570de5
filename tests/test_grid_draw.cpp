// What draw_grid sends to OpenGL, seen through the recording stand-in.
#include "mesh/floor_mesh.h"
#include "mesh/grid_mesh.h"
#include "render/gl1/grid_draw.h"
#include "tests/gl_recorder.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

// An n x n grid whose every vertex has its own position and normal.
GridMesh numbered_grid(int n) {
    GridMesh mesh;
    mesh.resize(n);
    for (int k = 0; k < n * n; ++k) {
        mesh.vertices[size_t(k)] = MeshVertex{{float(k), 0.25f, 0.5f}, {-float(k), 1, 2}};
    }
    return mesh;
}

// Strip i alternates rows i and i + 1 from column 0 on, each vertex with its own position
// and normal; s follows the column and t the row, from 0 to exactly 1 (not a running sum).
TEST(GridDraw, SendsRowPairsAsStripsWithTheTextureStretchedOnce) {
    GridMesh floor;
    build_floor_mesh(floor); // 29 strips of 60
    for (const GridMesh& mesh :
         {numbered_grid(0), numbered_grid(1), numbered_grid(2), numbered_grid(5), floor}) {
        const int n = mesh.n;
        draw_grid(mesh);
        const GlRecording got = take_gl_recording();
        const std::regex strips("(Sv{" + std::to_string(2 * n) + "}E){" +
                                std::to_string(n > 0 ? n - 1 : 0) + "}");
        ASSERT_TRUE(std::regex_match(got.calls, strips)) << n << " x " << n << ": " << got.calls;
        for (size_t at = 0; at < got.vertices.size(); ++at) {
            const RecordedVertex& v = got.vertices[at];
            const int row = int(at) / (2 * n) + int(at) % 2;
            const int col = int(at) % (2 * n) / 2;
            const MeshVertex& want = mesh.vertices[size_t(row * n + col)];
            EXPECT_TRUE(v.position[0] == want.position.x && v.position[2] == want.position.z &&
                        v.normal[0] == want.normal.x && v.normal[1] == want.normal.y &&
                        v.tex_coord[0] == float(col) / float(n - 1) &&
                        v.tex_coord[1] == float(row) / float(n - 1))
                << n << " x " << n << ", vertex " << at << ": position x " << v.position[0]
                << ", normal x " << v.normal[0] << ", tex " << v.tex_coord[0] << " "
                << v.tex_coord[1];
        }
    }
}

} // namespace
