// The body's skin: the lattice's six outer faces, copied one at a time into a 5 x 5 grid.
#pragma once

#include "mesh/grid_mesh.h"
#include "sim/jelly_body.h"

constexpr int skin_face_count = 6;
constexpr int skin_side = lattice_side; // the skin grid is skin_side x skin_side

// Index of the particle shown at row r, column c (each 0 to 4) of face `face` (0 to 5, in
// drawing order: -z, +z, -y, +y, -x, +x of the initial lattice). In every face the row
// direction crossed with the column direction points out of the cube, so the skin's normals
// point outwards and its triangles run counter-clockwise seen from outside.
int skin_particle_index(int face, int r, int c);

// Overwrites the positions of the 5 x 5 `skin` with those of face `face`'s particles;
// normals are left alone. Needs 125 particles and a skin of size 5.
void copy_skin_face(const JellyBody& body, int face, GridMesh& skin);

// copy_skin_face, then the skin's normals from that face's positions alone. A renderer calls
// it for faces 0 to 5 in turn, drawing each before the next.
void build_skin_face(const JellyBody& body, int face, GridMesh& skin);
