// Sending grid meshes, the floor and the body's skin, to OpenGL 1.1 in immediate mode.
#pragma once

#include "mesh/grid_mesh.h"
#include "sim/jelly_body.h"

// Sends the grid as n - 1 triangle strips (needs a current GL context). Texture coordinates
// run from (0, 0) at vertex (0, 0) to exactly (1, 1) at the last vertex.
void draw_grid(const GridMesh& grid);

// Builds each of the body's six faces into `skin` (5 x 5) in turn and draws it before the
// next overwrites it. Afterwards the skin holds the last face, +x.
void draw_body_skin(const JellyBody& body, GridMesh& skin);
