// Vertex and index arrays of grids, in the strip order every backend shares.
#include "render/grid_arrays.h"

#include "mesh/body_skin.h"
#include "render/grid_strips.h"

#include <cstddef>

void write_grid_vertices(const GridMesh& grid, float* out) {
    const int32_t n = grid.n;
    for (int32_t row = 0; row < n; ++row) {
        for (int32_t column = 0; column < n; ++column) {
            const MeshVertex& v =
                grid.vertices[std::size_t(row) * std::size_t(n) + std::size_t(column)];
            *out++ = v.position.x;
            *out++ = v.position.y;
            *out++ = v.position.z;
            *out++ = v.normal.x;
            *out++ = v.normal.y;
            *out++ = v.normal.z;
            *out++ = grid_texture_coordinate(column, n);
            *out++ = grid_texture_coordinate(row, n);
        }
    }
}

void append_grid_strips(int32_t n, uint16_t first_vertex, std::vector<uint16_t>& out) {
    for (int32_t i = 0; i < grid_strip_count(n); ++i) {
        for (int32_t k = 0; k < grid_strip_length(n); ++k) {
            const GridPlace place = grid_strip_place(i, k);
            out.push_back(uint16_t(first_vertex + place.row * n + place.column));
        }
        out.push_back(strip_restart_index);
    }
}

void write_body_skin_vertices(const JellyBody& body, GridMesh& skin, float* out) {
    for (int face = 0; face < skin_face_count; ++face) {
        build_skin_face(body, face, skin);
        write_grid_vertices(skin,
                            out + std::size_t(face) * skin_side * skin_side * grid_vertex_floats);
    }
}

std::vector<uint16_t> body_skin_strips() {
    std::vector<uint16_t> strips;
    for (int face = 0; face < skin_face_count; ++face) {
        append_grid_strips(skin_side, uint16_t(face * skin_side * skin_side), strips);
    }
    return strips;
}
