// Grid drawing: one triangle strip per pair of neighbouring rows.
#include "render/gl1/grid_draw.h"

#include "mesh/body_skin.h"
#include "render/grid_strips.h"

#include <GL/gl.h>

#include <cstddef>

void draw_grid(const GridMesh& grid) {
    const int32_t n = grid.n;
    for (int32_t i = 0; i < grid_strip_count(n); ++i) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int32_t k = 0; k < grid_strip_length(n); ++k) {
            const GridPlace place = grid_strip_place(i, k);
            const MeshVertex& vertex =
                grid.vertices[std::size_t(place.row) * std::size_t(n) + std::size_t(place.column)];
            glTexCoord2f(grid_texture_coordinate(place.column, n),
                         grid_texture_coordinate(place.row, n));
            glNormal3fv(&vertex.normal.x);
            glVertex3fv(&vertex.position.x);
        }
        glEnd();
    }
}

void draw_body_skin(const JellyBody& body, GridMesh& skin) {
    for (int face = 0; face < skin_face_count; ++face) {
        build_skin_face(body, face, skin);
        draw_grid(skin);
    }
}
