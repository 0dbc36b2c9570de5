// Grids as vertex and index arrays, for APIs that draw from buffers rather than vertex by
// vertex: the same vertices, texture coordinates and strips (render/grid_strips.h) that the
// immediate-mode backend sends, each strip ended by the fixed primitive-restart index.
#pragma once

#include "mesh/grid_mesh.h"
#include "sim/jelly_body.h"

#include <cstdint>
#include <vector>

// Floats a vertex: position x, y, z, then normal x, y, z, then texture s, t.
constexpr int grid_vertex_floats = 8;
// Ends a strip in an index array: the largest 16-bit index, which OpenGL ES 3 and WebGL 2
// always treat as a restart.
constexpr uint16_t strip_restart_index = 0xFFFF;

// Writes the grid's n x n vertices, row-major, into `out` (n * n * grid_vertex_floats
// floats).
void write_grid_vertices(const GridMesh& grid, float* out);

// Appends the n - 1 strips of an n x n grid whose vertex (row, column) is vertex
// first_vertex + row * n + column of the array, each strip followed by strip_restart_index.
void append_grid_strips(int32_t n, uint16_t first_vertex, std::vector<uint16_t>& out);

// The body's six faces as arrays: each face built into the 5 x 5 `skin` in drawing order
// and written as vertices face * 25 to face * 25 + 24 of `out`
// (body_skin_vertex_count * grid_vertex_floats floats).
constexpr int32_t body_skin_vertex_count = 6 * 5 * 5;
void write_body_skin_vertices(const JellyBody& body, GridMesh& skin, float* out);
// The strips of all six faces of those vertices, in drawing order.
std::vector<uint16_t> body_skin_strips();
