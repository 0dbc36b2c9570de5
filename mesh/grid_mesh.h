// A square, row-major grid of vertices with normals: the floor and each face of the body.
#pragma once

#include "sim/vec3.h"

#include <cstdint>
#include <vector>

struct MeshVertex {
    Vec3 position; // world units
    Vec3 normal;   // unit length once compute_normals has run
};

struct GridMesh {
    int32_t n = 0; // vertices per side
    // Vertex (row i, column j) is entry i * n + j. Rows advance along the "row direction",
    // columns along the "column direction"; normals point along row x column.
    std::vector<MeshVertex> vertices;

    // Makes `vertices` hold n * n entries: added ones are zero, kept ones unchanged.
    void resize(int32_t new_n);
    // Rewrites every normal from the positions: central differences inside, one-sided at
    // the borders. Only positions are read, so the loop order does not matter.
    void compute_normals();
};
