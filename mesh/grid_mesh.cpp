// GridMesh sizing and normals; nothing here touches OpenGL.
#include "mesh/grid_mesh.h"

#include <cstddef>

void GridMesh::resize(int32_t new_n) {
    n = new_n;
    const std::size_t count = new_n > 0 ? std::size_t(new_n) * std::size_t(new_n) : 0;
    vertices.resize(count, MeshVertex{});
}

void GridMesh::compute_normals() {
    const auto at = [this](int32_t row, int32_t col) -> const Vec3& {
        return vertices[std::size_t(row) * std::size_t(n) + std::size_t(col)].position;
    };
    for (int32_t i = 0; i < n; ++i) {
        const int32_t i_next = i < n - 1 ? i + 1 : n - 1;
        const int32_t i_prev = i > 0 ? i - 1 : 0;
        for (int32_t j = 0; j < n; ++j) {
            const int32_t j_next = j < n - 1 ? j + 1 : n - 1;
            const int32_t j_prev = j > 0 ? j - 1 : 0;
            Vec3 row_diff;
            Vec3 col_diff;
            vec_sub(row_diff, at(i_next, j), at(i_prev, j));
            vec_sub(col_diff, at(i, j_next), at(i, j_prev));
            Vec3& normal = vertices[std::size_t(i) * std::size_t(n) + std::size_t(j)].normal;
            vec_normalize(normal, vec_cross(normal, row_diff, col_diff));
        }
    }
}
