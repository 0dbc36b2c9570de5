// The body's skin: the body has no mesh of its own, so a renderer copies each outer face of
// the lattice into one 5 x 5 grid, gives it normals and draws it before the next overwrites it.
#include "mesh/body_skin.h"

#include "sim/jelly_body.h"

#include <cstddef>

namespace {

// Particle index at (r, c) of a face: first + r * row_step + c * column_step. A step of 1,
// 5 or 25 advances ix, iy or iz.
struct FaceLayout {
    int first;
    int row_step;
    int column_step;
};

constexpr FaceLayout face_layouts[skin_face_count] = {
    {0, 5, 1},   // iz = 0: rows +y, columns +x, y x x = -z
    {100, 1, 5}, // iz = 4: rows +x, columns +y
    {0, 1, 25},  // iy = 0: rows +x, columns +z, x x z = -y
    {20, 25, 1}, // iy = 4: rows +z, columns +x
    {0, 25, 5},  // ix = 0: rows +z, columns +y, z x y = -x
    {4, 5, 25},  // ix = 4: rows +y, columns +z
};

} // namespace

int skin_particle_index(int face, int r, int c) {
    const FaceLayout& layout = face_layouts[face];
    return layout.first + r * layout.row_step + c * layout.column_step;
}

void copy_skin_face(const JellyBody& body, int face, GridMesh& skin) {
    for (int r = 0; r < lattice_side; ++r) {
        for (int c = 0; c < lattice_side; ++c) {
            const std::size_t vertex = std::size_t(r) * std::size_t(skin.n) + std::size_t(c);
            skin.vertices[vertex].position =
                body.particles[std::size_t(skin_particle_index(face, r, c))].position;
        }
    }
}

void build_skin_face(const JellyBody& body, int face, GridMesh& skin) {
    copy_skin_face(body, face, skin);
    // Each face gets normals from its own 25 positions, so edges shade as creases.
    skin.compute_normals();
}
