// The flat 30 x 30 floor grid in the plane y = 0.
#pragma once

#include "mesh/grid_mesh.h"

// Sizes `floor` to 30 x 30, places its vertices at x = j - 15, z = i - 15 (rows along +z,
// columns along +x, so the triangles face up) and computes its normals, all (0, 1, 0).
void build_floor_mesh(GridMesh& floor);
