// Grid sizing, normals and the floor.
#include "mesh/floor_mesh.h"
#include "mesh/grid_mesh.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

MeshVertex marked(float k) {
    return MeshVertex{{k, k + 1, k + 2}, {k + 3, k + 4, k + 5}};
}

void expect_vec(const Vec3& got, float x, float y, float z) {
    EXPECT_EQ(got.x, x);
    EXPECT_EQ(got.y, y);
    EXPECT_EQ(got.z, z);
}

TEST(GridMesh, ResizeKeepsEntriesAndZeroesNewOnes) {
    GridMesh mesh;
    mesh.resize(2);
    ASSERT_EQ(mesh.vertices.size(), 4u);
    for (int k = 0; k < 4; ++k) {
        mesh.vertices[k] = marked(float(k));
    }
    mesh.resize(3);
    EXPECT_EQ(mesh.n, 3);
    ASSERT_EQ(mesh.vertices.size(), 9u);
    for (int k = 0; k < 4; ++k) {
        expect_vec(mesh.vertices[k].position, float(k), float(k + 1), float(k + 2));
        expect_vec(mesh.vertices[k].normal, float(k + 3), float(k + 4), float(k + 5));
    }
    for (int k = 4; k < 9; ++k) {
        expect_vec(mesh.vertices[k].position, 0, 0, 0);
        expect_vec(mesh.vertices[k].normal, 0, 0, 0);
    }
    mesh.resize(1);
    ASSERT_EQ(mesh.vertices.size(), 1u);
    expect_vec(mesh.vertices[0].position, 0, 1, 2);
    mesh.resize(0);
    EXPECT_TRUE(mesh.vertices.empty());
    mesh.compute_normals(); // nothing to do, must not touch anything
}

// A flat n x n grid in y = 0 whose rows advance along `row_axis` and columns along the other.
GridMesh flat_grid(int n, bool rows_along_z) {
    GridMesh mesh;
    mesh.resize(n);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            Vec3& p = mesh.vertices[i * n + j].position;
            p = rows_along_z ? Vec3{float(j), 0, float(i)} : Vec3{float(i), 0, float(j)};
        }
    }
    mesh.compute_normals();
    return mesh;
}

TEST(GridMesh, FlatGridNormalsFollowRowCrossColumn) {
    for (int n : {2, 3, 5}) {
        SCOPED_TRACE(n);
        for (const MeshVertex& v : flat_grid(n, true).vertices) {
            expect_vec(v.normal, 0, 1, 0); // borders and corners included
        }
        for (const MeshVertex& v : flat_grid(n, false).vertices) {
            expect_vec(v.normal, 0, -1, 0);
        }
    }
}

TEST(GridMesh, NormalsOfATiltedGridAreUnitAndPerpendicular) {
    // The plane y = x: rows along +z, columns along (1, 1, 0).
    GridMesh mesh;
    mesh.resize(4);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            mesh.vertices[i * 4 + j].position = Vec3{float(j), float(j), float(i)};
        }
    }
    mesh.compute_normals();
    const float h = float(1 / std::sqrt(2.0));
    for (const MeshVertex& v : mesh.vertices) {
        expect_vec(v.normal, -h, h, 0);
    }
}

TEST(FloorMesh, PositionsAndNormals) {
    GridMesh floor;
    build_floor_mesh(floor);
    ASSERT_EQ(floor.n, 30);
    ASSERT_EQ(floor.vertices.size(), 900u);
    expect_vec(floor.vertices[0].position, -15, 0, -15);
    expect_vec(floor.vertices[870].position, -15, 0, 14);
    EXPECT_NEAR(floor.vertices[29].position.x, 14, 1e-5);
    EXPECT_EQ(floor.vertices[29].position.z, -15);
    EXPECT_NEAR(floor.vertices[899].position.x, 14, 1e-5);
    EXPECT_EQ(floor.vertices[899].position.z, 14);
    // Column 8 is worked out in single precision and lands one unit in the last place off.
    EXPECT_EQ(floor.vertices[8].position.x, -6.9999995f);
    for (int i = 0; i < 30; ++i) {
        EXPECT_EQ(floor.vertices[i * 30].position.z, float(i - 15)); // z is exact
        for (int j = 0; j < 30; ++j) {
            const MeshVertex& v = floor.vertices[i * 30 + j];
            EXPECT_EQ(v.position.y, 0.0f);
            EXPECT_NEAR(v.position.x, j - 15, 1e-5);
            expect_vec(v.normal, 0, 1, 0);
        }
    }
}

} // namespace
