// The order in which every backend sends a grid: n - 1 triangle strips, strip i alternating
// rows i and i + 1 from column 0 on, so the first triangle is (i, 0), (i + 1, 0), (i, 1) and
// every triangle runs counter-clockwise seen from the side the grid's normals point to.
#pragma once

#include <cstdint>

// Strips of an n x n grid (none below n = 2) and vertices a strip.
constexpr int32_t grid_strip_count(int32_t n) {
    return n > 1 ? n - 1 : 0;
}
constexpr int32_t grid_strip_length(int32_t n) {
    return 2 * n;
}

// The row and column of the vertex sent at place k (0 to 2n - 1) of strip i.
struct GridPlace {
    int32_t row;
    int32_t column;
};
constexpr GridPlace grid_strip_place(int32_t strip, int32_t k) {
    return {strip + k % 2, k / 2};
}

// Texture coordinate of row or column k of an n x n grid: s follows the column, t the row,
// and both run from 0 to exactly 1 (a division, not a running sum).
inline float grid_texture_coordinate(int32_t k, int32_t n) {
    return float(k) / float(n - 1);
}
