// Grid sizing, normals and the floor.
#include "mesh/floor_mesh.h"
#include "mesh/grid_mesh.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void expect_vec(const Vec3& got, float x, float y, float z) {
    EXPECT_EQ(got.x, x);
    EXPECT_EQ(got.y, y);
    EXPECT_EQ(got.z, z);
}

TEST(GridMesh, ResizeKeepsEntriesAndZeroesNewOnes) {
    GridMesh mesh;
    mesh.resize(2);
    for (int k = 0; k < 4; ++k) {
        mesh.vertices[k] = MeshVertex{{float(k), 1, 2}, {3, 4, float(k)}};
    }
    mesh.resize(3);
    ASSERT_EQ(mesh.vertices.size(), 9u);
    for (int k = 0; k < 9; ++k) {
        expect_vec(mesh.vertices[k].position, k < 4 ? float(k) : 0, k < 4 ? 1 : 0, k < 4 ? 2 : 0);
        expect_vec(mesh.vertices[k].normal, k < 4 ? 3 : 0, k < 4 ? 4 : 0, k < 4 ? float(k) : 0);
    }
    mesh.resize(1);
    ASSERT_EQ(mesh.vertices.size(), 1u);
    expect_vec(mesh.vertices[0].position, 0, 1, 2);
    mesh.resize(0);
    EXPECT_TRUE(mesh.vertices.empty());
    mesh.compute_normals(); // nothing to do
}

// Normals point along row direction x column direction, borders and corners included.
TEST(GridMesh, NormalsFollowRowCrossColumn) {
    struct Case {
        Vec3 row, col, normal;
    };
    const float h = float(1 / std::sqrt(2.0));
    const Case cases[] = {
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  // rows along +z, columns along +x
        {{1, 0, 0}, {0, 0, 1}, {0, -1, 0}}, // swapped
        {{0, 0, 1}, {1, 1, 0}, {-h, h, 0}}, // the plane y = x
    };
    for (const Case& c : cases) {
        for (int n : {2, 5}) {
            GridMesh mesh;
            mesh.resize(n);
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < n; ++j) {
                    mesh.vertices[i * n + j].position =
                        Vec3{i * c.row.x + j * c.col.x, i * c.row.y + j * c.col.y,
                             i * c.row.z + j * c.col.z};
                }
            }
            mesh.compute_normals();
            for (const MeshVertex& v : mesh.vertices) {
                expect_vec(v.normal, c.normal.x, c.normal.y, c.normal.z);
            }
        }
    }
}

TEST(FloorMesh, PositionsAndNormals) {
    GridMesh floor;
    build_floor_mesh(floor);
    ASSERT_EQ(floor.vertices.size(), 900u);
    expect_vec(floor.vertices[0].position, -15, 0, -15);
    expect_vec(floor.vertices[870].position, -15, 0, 14);
    EXPECT_EQ(floor.vertices[899].position.z, 14);
    // x is worked out in single precision: column 8 lands one unit in the last place off.
    EXPECT_EQ(floor.vertices[8].position.x, -6.9999995f);
    for (int k = 0; k < 900; ++k) {
        const MeshVertex& v = floor.vertices[k];
        EXPECT_NEAR(v.position.x, k % 30 - 15, 1e-5);
        EXPECT_EQ(v.position.z, float(k / 30 - 15)); // z is exact
        expect_vec(v.normal, 0, 1, 0);
    }
}

} // namespace
